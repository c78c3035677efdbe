#pragma once

#include "Card.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// Card data files: one card per record, "track 1|track 2|track 3" followed by CR LF (LF
// alone is taken as well).
namespace CardDeck {

// The cards of a card data file's text, read the way the operator's program reads such
// a file, but with LF alone also ending a record: separators are searched in all the
// remaining text and a record without its line end ends the deck. Tracks are in the notation of
// trackFromNotation; a track text its track cannot hold makes a damaged track, and a line about it
// goes to notes.
[[nodiscard]] QList<Card> parse(const QByteArray &text, QStringList *notes = nullptr);

// The record of a card as the card data file holds it; a track recorded in another format
// or density than the ISO one of its track is in the "{FORMAT@BPI}DATA" notation.
[[nodiscard]] QByteArray record(const Card &card);

} // namespace CardDeck
