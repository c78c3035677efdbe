#include "nonstd/HexData.h"

#include "app/MainModule.h"
#include "link/NonIsoFrames.h"

namespace {

constexpr char Space = ' ';
constexpr qsizetype MaxGroupLength = 2;
constexpr int Reserved = 4;
constexpr char HexDigits[] = "0123456789ABCDEF";

struct WidthEntry {
    int bits;
    const char *maxHexDigit;
    int capacityAt210Bpi;
    int capacityAt75Bpi;
};

constexpr WidthEntry WidthTable[] = {
    {5, "1", 106, 39},
    {6, "3", 88, 32},
    {7, "7", 76, 27},
};

const WidthEntry *widthOf(int bits) {
    for (const WidthEntry &entry : WidthTable)
        if (entry.bits == bits)
            return &entry;
    return nullptr;
}

} // namespace

QByteArray ToHexPairs(const QByteArray &data) {
    QByteArray pairs;
    pairs.reserve(data.size() * 3);
    for (const char c : data) {
        const auto code = static_cast<unsigned char>(c);
        pairs += HexDigits[code >> 4];
        pairs += HexDigits[code & 0x0f];
        pairs += Space;
    }
    return pairs;
}

qsizetype CountHexPairs(const QByteArray &text) {
    if (text.isEmpty())
        return 0;
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == Space && (i == 0 || text.at(i - 1) != Space))
            ++count;
    if (text.back() != Space)
        ++count;
    return count;
}

HexConversion HexToData(const QByteArray &text) {
    qsizetype end = text.size();
    while (end >= 2 && text.at(end - 2) == '\r' && text.at(end - 1) == '\n')
        end -= 2;
    QByteArray data;
    qsizetype pos = 0;
    while (pos < end) {
        if (text.at(pos) == Space) {
            ++pos;
            continue;
        }
        qsizetype groupEnd = text.indexOf(Space, pos);
        if (groupEnd < 0 || groupEnd > end)
            groupEnd = end;
        if (groupEnd - pos > MaxGroupLength)
            return {HexStatus::GroupTooLong, {}};
        const qint32 value = ValOrZero("&H" + text.mid(pos, groupEnd - pos));
        if (value == Reserved)
            return {HexStatus::ReservedValue, {}};
        data += static_cast<char>(value);
        pos = groupEnd;
    }
    return {HexStatus::Converted, data};
}

QByteArray MaxHexDigit(int bits) {
    const WidthEntry *width = widthOf(bits);
    return width ? QByteArray(width->maxHexDigit) : QByteArray();
}

int TrackCapacity(int bits, const QByteArray &densityText) {
    const WidthEntry *width = widthOf(bits);
    if (!width)
        return 0;
    return NonIsoFrames::is210Bpi(densityText) ? width->capacityAt210Bpi : width->capacityAt75Bpi;
}

CustomDataFault FindCustomDataFault(const QByteArray &data, int bits) {
    if (data.isEmpty())
        return CustomDataFault::None;
    const int largest = widthOf(bits) ? (1 << bits) - 1 : 0;
    for (const char c : data) {
        const int value = static_cast<unsigned char>(c);
        if (value == 0 || value > largest)
            return CustomDataFault::OutOfRange;
        if (value == Reserved)
            return CustomDataFault::ReservedValue;
    }
    if ((static_cast<unsigned char>(data.front()) & 1) == 0)
        return CustomDataFault::EvenFirstValue;
    return CustomDataFault::None;
}
