#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>

namespace NonIsoFrames {
struct TrackSetting;
}

// What the Non-ISO windows show for a track (indexes 0, 1, 2) and the messages they raise.
// Body lines are joined with "\n"; leading and trailing spaces are part of the texts.

struct NonIsoMessage {
    QString title;
    QString body;
};

// "Track 2 Data (6-Bit Character)"; nullopt for a format text none of the lists hold, whose
// caption stays as it was.
[[nodiscard]] std::optional<QString> ReadTrackCaption(std::size_t track,
                                                      const QByteArray &formatText);

// "Track 1 Data ( 7-Bit Character ) Max 76 Characters"
[[nodiscard]] QString StandardEntryLabel(std::size_t track,
                                         const NonIsoFrames::TrackSetting &setting);
// "Track 2 Data ( 6-Bit Character, Hex Value 01 ~ 3F ) Max 88 Characters."
[[nodiscard]] QString CustomEntryLabel(std::size_t track,
                                       const NonIsoFrames::TrackSetting &setting);

// The characters a standard track may hold: the 7-bit (T1) list for 7 bits, else the 5-bit.
[[nodiscard]] NonIsoMessage StandardFormatMessage(int bits);
[[nodiscard]] NonIsoMessage HexKeyMessage();
[[nodiscard]] NonIsoMessage HexLengthMessage();
// Value 4, or data that breaks a rule of custom data of this width.
[[nodiscard]] NonIsoMessage CustomDataMessage(int bits);
[[nodiscard]] NonIsoMessage MaxCharactersMessage(int capacity);
