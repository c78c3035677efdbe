#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// The most characters each track holds: its capacity less start sentinel, end sentinel and
// check character.
inline constexpr std::array<qsizetype, 3> TrackCapacity = {76, 37, 104};

// Why a text cannot go onto its track as it stands.
struct TrackFault {
    enum class Kind { Character, Length };
    Kind kind = Kind::Character;
    // The first character the track cannot carry.
    char character = 0;
    // The text's length, and the most the track holds.
    qsizetype length = 0;
    qsizetype capacity = 0;
};

// track is 1, 2 or 3. A text that is never written ("", "+" blank, "*" failed) has no fault.
[[nodiscard]] std::optional<TrackFault> FindTrackFault(int track, const QByteArray &text);

// The fault as the end of a sentence about the track: holds "-", which this track cannot
// carry / has 77 characters, more than the 76 it can hold.
[[nodiscard]] QString DescribeTrackFault(const TrackFault &fault);
