#pragma once

#include "app/CharacterMessages.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <optional>

struct MainModule;

// How one track of a Non-ISO write is keyed, and what may be written on it, in the format
// and at the density the operator chose. The entry window checks a field with it, and the
// swipe write the data once more before every card.
struct NonIsoTrackEntry {
    bool standard = true;
    // 7 or 5 in the standard formats; 5, 6 or 7 in the custom one; 0 for an unlisted format.
    int bits = 0;
    // Characters the track holds at its density.
    int capacity = 0;

    // Track 0, 1 or 2 as the shared state holds its format and density.
    [[nodiscard]] static NonIsoTrackEntry of(const MainModule &state, std::size_t track);

    // Track 1's characters for the 7-bit format, those of tracks 2 and 3 for the 5-bit
    // ones; the hex digits and the space for custom data.
    [[nodiscard]] QByteArray keySet(const MainModule &state) const;
    [[nodiscard]] InformationMessage keyMessage() const;
    // The characters keyed: the text's length, or its hex groups for custom data.
    [[nodiscard]] qsizetype count(const QByteArray &text) const;
    // The check of a field's text when the field is left (trimmed, upper-cased, not empty):
    // the message to show, or none.
    [[nodiscard]] std::optional<InformationMessage> textFault(const QByteArray &text) const;
    // What a text that passed its check writes: the text itself, or the values of its hex
    // groups. Empty for custom data that failed its check.
    [[nodiscard]] QByteArray data(const QByteArray &text) const;
    // Why data cannot go onto the track: the message of the first rule it breaks, or none.
    // Empty data is not written and breaks nothing; data the write would take for the
    // blank or unreadable marker would silently not be written, so it is refused.
    [[nodiscard]] std::optional<InformationMessage> dataFault(const QByteArray &data) const;
};
