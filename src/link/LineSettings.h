#pragma once

#include <QByteArray>

#include <optional>

// A settings text such as "9600,o,7,1" taken apart.
struct LineSettings {
    int baud = 9600;
    char parity = 'n'; // 'n', 'e', 'o', 'm' or 's'
    int dataBits = 8;
    int stopBits = 1;
};

[[nodiscard]] std::optional<LineSettings> parseLineSettings(const QByteArray &text);

// The settings text the setup window builds from its four boxes.
[[nodiscard]] QByteArray buildCommSettings(const QByteArray &baud, const QByteArray &parityName,
                                           const QByteArray &dataBits);
