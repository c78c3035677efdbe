#pragma once

#include <QByteArray>

#include <chrono>
#include <optional>

// A settings text such as "9600,o,7,1" taken apart.
struct LineSettings {
    int baud = 9600;
    char parity = 'n'; // 'n', 'e', 'o', 'm' or 's'
    int dataBits = 8;
    int stopBits = 1;
};

[[nodiscard]] std::optional<LineSettings> parseLineSettings(const QByteArray &text);

// How long one character takes on the line: a start bit, the data bits, the parity bit if
// any and the stop bits.
[[nodiscard]] std::chrono::nanoseconds characterTime(const LineSettings &line);

// The settings text the setup window builds from its four boxes.
[[nodiscard]] QByteArray buildCommSettings(const QByteArray &baud, const QByteArray &parityName,
                                           const QByteArray &dataBits);
