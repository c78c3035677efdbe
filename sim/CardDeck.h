#pragma once

#include "Card.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// Card data files: one card per record, "track 1|track 2|track 3" followed by CR LF.
namespace CardDeck {

// The cards of a card data file's text, read the way the operator's program reads such
// a file: separators are searched in all the remaining text and a record without its
// CR LF ends the deck. A track text its track cannot hold makes a damaged track, and a
// line about it goes to notes.
[[nodiscard]] QList<Card> parse(const QByteArray &text, QStringList *notes = nullptr);

// The record of a card as the card data file holds it. A track in a custom coding, which
// might hold "|" or a line break, is recorded as "*" (no usable data).
[[nodiscard]] QByteArray record(const Card &card);

} // namespace CardDeck
