#include "app/MainModule.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <optional>

void MainModule::initialise() {
    EmulationMode = "KVT-380A";
    HighCoercivity = true;
    Track1Chars = "\"! #$%&'()*+,-./0123456789:;=>@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";
    Track23Chars = "0123456789:;=>";
    DigitChars = "0123456789";
    HexChars = "0123456789ABCDEF ";
    IncrTrack = 1;
    NonIsoMode = false;
    WriteErrCaption.clear();
    NonIsoTrackText.fill(QByteArray());
}

namespace {

bool allCodesWithin(const QByteArray &text, int low, int high, int excluded = -1) {
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        const int code = static_cast<unsigned char>(c);
        if (code < low || code > high || code == excluded)
            return false;
    }
    return true;
}

bool isRawText(const QByteArray &text, int high) {
    if (text.isEmpty() || (static_cast<unsigned char>(text.front()) & 1) == 0)
        return false;
    return allCodesWithin(text, 1, high);
}

// Reads the number at the front of text the lenient way: blanks anywhere are skipped and
// reading stops at the first character that cannot continue the number.
class LenientReader {
public:
    explicit LenientReader(const QByteArray &text) {
        for (const char c : text)
            if (c != ' ' && c != '\t')
                chars_.append(c);
    }

    std::optional<double> read() {
        if (peek() == '&') {
            const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(at(1))));
            if (kind == 'H' || kind == 'O') {
                pos_ = 2;
                return readRadix(kind == 'H' ? 16 : 8);
            }
            return 0.0;
        }
        return readDecimal();
    }

private:
    char at(qsizetype i) const { return i < chars_.size() ? chars_.at(i) : '\0'; }
    char peek() const { return at(pos_); }

    std::optional<double> readRadix(int radix) {
        double value = 0;
        for (;; ++pos_) {
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(peek())));
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0 || digit >= radix)
                break;
            value = value * radix + digit;
        }
        // Hexadecimal and octal literals are two's-complement 32-bit patterns.
        if (value > 4294967295.0)
            return std::nullopt;
        if (value > 2147483647.0)
            value -= 4294967296.0;
        return value;
    }

    std::optional<double> readDecimal() {
        QByteArray number;
        if (peek() == '+' || peek() == '-')
            number.append(chars_.at(pos_++));
        bool digits = false;
        while (std::isdigit(static_cast<unsigned char>(peek()))) {
            number.append(chars_.at(pos_++));
            digits = true;
        }
        if (peek() == '.') {
            number.append(chars_.at(pos_++));
            while (std::isdigit(static_cast<unsigned char>(peek()))) {
                number.append(chars_.at(pos_++));
                digits = true;
            }
        }
        if (!digits)
            return 0.0;
        const char e = static_cast<char>(std::toupper(static_cast<unsigned char>(peek())));
        if (e == 'E' || e == 'D') {
            qsizetype look = pos_ + 1;
            QByteArray exponent = "e";
            if (at(look) == '+' || at(look) == '-')
                exponent.append(at(look++));
            if (std::isdigit(static_cast<unsigned char>(at(look)))) {
                while (std::isdigit(static_cast<unsigned char>(at(look))))
                    exponent.append(at(look++));
                number.append(exponent);
            }
        }
        bool ok = false;
        const double value = number.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

    QByteArray chars_;
    qsizetype pos_ = 0;
};

} // namespace

bool IsTrack1Text(const QByteArray &text) {
    return allCodesWithin(text, 32, 95, '?');
}

bool IsTrack23Text(const QByteArray &text) {
    return allCodesWithin(text, 48, 62);
}

bool IsRaw5BitText(const QByteArray &text) {
    return isRawText(text, 31);
}

bool IsRaw6BitText(const QByteArray &text) {
    return isRawText(text, 63);
}

bool IsRaw7BitText(const QByteArray &text) {
    return isRawText(text, 127);
}

std::optional<qint32> ValInRange(const QByteArray &text) {
    const std::optional<double> value = LenientReader(text).read();
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value); // the default rounding mode: halves to even
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

qint32 ValOrZero(const QByteArray &text) {
    return ValInRange(text).value_or(0);
}
