#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// How the characters of a track are coded on the stripe. The ISO formats carry text; the
// custom formats carry one raw value of 5, 6 or 7 bits per character. The values are the
// format characters the encoder is sent.
enum class TrackFormat : char {
    StdT1 = '1',
    StdT2 = '2',
    StdT3 = '3',
    Custom5 = '5',
    Custom6 = '6',
    Custom7 = '7',
};

inline constexpr int kHighDensity = 210;
inline constexpr int kLowDensity = 75;

[[nodiscard]] std::optional<TrackFormat> trackFormatFromCode(char code);
[[nodiscard]] TrackFormat isoFormat(int track);
[[nodiscard]] int isoDensity(int track);
[[nodiscard]] bool isCustom(TrackFormat format);
[[nodiscard]] int bitsPerCharacter(TrackFormat format);
// Characters that fit on a track in this format at this density.
[[nodiscard]] int trackCapacity(TrackFormat format, int density);
// A track can be decoded only with the coding it was recorded in. The two 5-bit ISO
// formats differ only in their usual track, not in their coding.
[[nodiscard]] bool readableAs(TrackFormat recorded, TrackFormat wanted);
// Empty when the data can be recorded; otherwise why not, in an operator's words.
[[nodiscard]] QString recordingProblem(const QByteArray &data, TrackFormat format, int density);
[[nodiscard]] QString formatName(TrackFormat format);

struct Track {
    enum class State { Blank, Recorded, Damaged };
    State state = State::Blank;
    QByteArray data;
    TrackFormat format = TrackFormat::StdT1;
    int density = kHighDensity;

    [[nodiscard]] static Track recorded(const QByteArray &data, TrackFormat format, int density);
    [[nodiscard]] static Track damaged() { return {State::Damaged, {}, TrackFormat::StdT1, 0}; }

    // The track as a head reading in the wanted format reports it: the data, "+" when
    // the track is blank, "*" when it cannot be decoded.
    [[nodiscard]] QByteArray readAs(TrackFormat wanted) const;
    [[nodiscard]] bool isReadableAs(TrackFormat wanted) const;
    // One short phrase for the event lines: "ABC", blank, unreadable, or raw values in hex;
    // the format and density are named when they are not the usual ones of the track.
    [[nodiscard]] QString describe(int trackNumber) const;

    bool operator==(const Track &) const = default;
};

// A track written down for a deck or a command, the way the written-cards file gives it
// back: "" or "+" is blank, "*" damaged, plain text is recorded in the track's ISO format.
// "{FORMAT@BPI}DATA" is recorded otherwise: FORMAT t1, t2 or t3 takes DATA as text in that
// standard format, FORMAT 5, 6 or 7 as custom values in hex ("0B 3F" or "0B3F"); "@BPI"
// (210 or 75) may be left out for the track's ISO density. No ISO text starts with "{".
// On a problem the track is damaged and problem says why.
[[nodiscard]] Track trackFromNotation(const QByteArray &text, int trackNumber,
                                      QString *problem = nullptr);
// The notation of a track: plain text in the track's ISO format and density, otherwise
// "{FORMAT@BPI}DATA" with custom values as hex pairs.
[[nodiscard]] QByteArray trackNotation(const Track &track, int trackNumber);

struct Card {
    std::array<Track, 3> tracks;

    // A card from the notation of its tracks (see trackFromNotation). A text its track
    // cannot carry makes that track damaged, and a line "track N: why" goes to problems.
    [[nodiscard]] static Card fromTexts(const QByteArray &t1, const QByteArray &t2,
                                        const QByteArray &t3, QStringList *problems = nullptr);
    // "track 1 ..., track 2 ..., track 3 ..." for the event lines.
    [[nodiscard]] QString describe() const;

    bool operator==(const Card &) const = default;
};
