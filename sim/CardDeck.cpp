#include "CardDeck.h"

namespace CardDeck {

QList<Card> parse(const QByteArray &text) {
    QList<Card> cards;
    qsizetype at = 0;
    for (;;) {
        const qsizetype bar1 = text.indexOf('|', at);
        if (bar1 < 0)
            break;
        const qsizetype bar2 = text.indexOf('|', bar1 + 1);
        if (bar2 < 0)
            break;
        const qsizetype end = text.indexOf("\r\n", bar2 + 1);
        if (end < 0)
            break;
        cards.append(Card::fromTexts(text.mid(at, bar1 - at), text.mid(bar1 + 1, bar2 - bar1 - 1),
                                     text.mid(bar2 + 1, end - bar2 - 1)));
        at = end + 2;
    }
    return cards;
}

QByteArray record(const Card &card) {
    QByteArray line;
    for (int k = 0; k < 3; ++k) {
        const Track &track = card.tracks[k];
        if (k > 0)
            line += '|';
        if (track.state == Track::State::Recorded && !isCustom(track.format))
            line += track.data;
        else
            line += track.state == Track::State::Blank ? "+" : "*";
    }
    return line + "\r\n";
}

} // namespace CardDeck
