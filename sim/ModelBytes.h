#pragma once

#include "Card.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The bytes and phrases both command sets of the encoder model share.
namespace ModelBytes {

inline constexpr char Esc = 0x1B;
inline constexpr char Fs = 0x1C;
inline constexpr char Eot = 0x04;
inline constexpr char Del = 0x7F;
inline constexpr char Ack = '^';
inline constexpr char ResetAnswer = ':';
// What the KVT-380A set answers when it refuses data or a card could not be written.
inline constexpr char Refusal = '!';

inline const QByteArray StatusOk("\x1b"
                                 "0");
inline const QByteArray StatusFailed("\x1b"
                                     "1");
inline const QByteArray TestAnswer("\x1b"
                                   "y");

inline QString hex(const QByteArray &bytes) {
    return bytes.isEmpty() ? QStringLiteral("nothing")
                           : QString::fromLatin1(bytes.toHex(' ').toUpper());
}

inline char startSentinel(TrackFormat format) {
    return format == TrackFormat::StdT1 ? '%' : ';';
}

// The 5-bit ISO coding stands for whichever of its two names fits the track.
inline TrackFormat numericFormat(int track) {
    return track == 2 ? TrackFormat::StdT2 : TrackFormat::StdT3;
}

inline TrackFormat customFormat(int track) {
    return track == 1 ? TrackFormat::Custom7 : TrackFormat::Custom5;
}

inline int densityFromByte(unsigned char value) {
    return value == kHighDensity ? kHighDensity : kLowDensity;
}

inline QString trackList(int mask) {
    QStringList tracks;
    for (int k = 0; k < 3; ++k) {
        if (mask & (1 << k))
            tracks << QString::number(k + 1);
    }
    return tracks.isEmpty() ? QStringLiteral("no track")
                            : QStringLiteral("track%1 %2")
                                  .arg(tracks.size() > 1 ? QStringLiteral("s") : QString(),
                                       tracks.join(QStringLiteral(", ")));
}

} // namespace ModelBytes
