#pragma once

#include "app/CharacterMessages.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>

namespace NonIsoFrames {
struct TrackSetting;
}

// What the Non-ISO windows show for a track (indexes 0, 1, 2) and the messages they raise.
// The standard formats' messages are StandardFormatMessage's.

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

[[nodiscard]] InformationMessage HexKeyMessage();
[[nodiscard]] InformationMessage HexLengthMessage();
// Value 4, or data that breaks a rule of custom data of this width.
[[nodiscard]] InformationMessage CustomDataMessage(int bits);
[[nodiscard]] InformationMessage MaxCharactersMessage(int capacity);
// Data that is only a marker a write leaves off the card ("+" blank, "*" unreadable), shown
// as the operator keyed it.
[[nodiscard]] InformationMessage MarkerDataMessage(const QString &shown);
