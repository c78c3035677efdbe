#pragma once

#include "app/TrackFault.h"
#include "link/IsoFrames.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

struct MainModule;

// The numbering of an incremental-encode batch, held in the shared values IncrTrack,
// Track1Data..Track3Data, IncrNumber, IncrStep, IncrCount and IncrSuffix.
namespace IncrementalBatch {

// A number box's text when it is left: an optional sign, digits with an optional decimal
// point, an optional exponent (E or D), spaces around.
[[nodiscard]] bool ReadsAsNumber(const QByteArray &text);

// base, the number in plain decimal ("-" when negative, no leading zeros, no padding), suffix.
[[nodiscard]] QByteArray NumberedText(const QByteArray &base, qint64 number,
                                      const QByteArray &suffix);

// The card that carries IncrNumber: its track IncrTrack numbered, the others their base texts.
[[nodiscard]] IsoFrames::Tracks CurrentCard(const MainModule &state);

struct CardFault {
    int track = 0;
    TrackFault fault;
};

// The first track of the card that the encoder cannot write as it stands.
[[nodiscard]] std::optional<CardFault> FindCardFault(const IsoFrames::Tracks &card);

// After a card was written: the next number, one card fewer left. True when none is left.
bool CardWritten(MainModule &state);

} // namespace IncrementalBatch
