#include "link/LineSettings.h"

#include <QList>

#include <algorithm>

std::optional<LineSettings> parseLineSettings(const QByteArray &text) {
    const QList<QByteArray> parts = text.trimmed().split(',');
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QByteArray parity = parts[1].trimmed().toLower();
    if (parity.size() != 1 || !QByteArray("neoms").contains(parity[0]))
        return std::nullopt;
    s.parity = parity[0];
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;
    const QByteArray stop = parts[3].trimmed();
    if (stop == "1")
        s.stopBits = 1;
    else if (stop == "2")
        s.stopBits = 2;
    else
        return std::nullopt;
    return s;
}

std::chrono::nanoseconds characterTime(const LineSettings &line) {
    const int bits = 1 + line.dataBits + (line.parity == 'n' ? 0 : 1) + line.stopBits;
    // A settings value never holds a baud of 0, but a hand-made one must not divide by it.
    const long long baud = std::max(line.baud, 1);
    return std::chrono::nanoseconds(bits * 1'000'000'000LL / baud);
}

QByteArray buildCommSettings(const QByteArray &baud, const QByteArray &parityName,
                             const QByteArray &dataBits) {
    QByteArray settings = baud + ",";
    if (parityName == "None")
        settings += "n,";
    else if (parityName == "Even")
        settings += "e,";
    else if (parityName == "Odd")
        settings += "o,";
    return settings + dataBits + ",1";
}
