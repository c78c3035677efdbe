#include "CardDeck.h"

namespace CardDeck {

QList<Card> parse(const QByteArray &text, QStringList *notes) {
    QList<Card> cards;
    qsizetype at = 0;
    for (;;) {
        const qsizetype bar1 = text.indexOf('|', at);
        if (bar1 < 0)
            break;
        const qsizetype bar2 = text.indexOf('|', bar1 + 1);
        if (bar2 < 0)
            break;
        const qsizetype end = text.indexOf('\n', bar2 + 1);
        if (end < 0)
            break;
        QByteArray last = text.mid(bar2 + 1, end - bar2 - 1);
        if (last.endsWith('\r'))
            last.chop(1);
        const std::array<QByteArray, 3> fields{text.mid(at, bar1 - at),
                                               text.mid(bar1 + 1, bar2 - bar1 - 1), last};
        QStringList problems;
        cards.append(Card::fromTexts(fields[0], fields[1], fields[2], &problems));
        for (qsizetype n = 0; notes && n < problems.size(); ++n)
            *notes << QStringLiteral("card %1, %2; it reads as damaged")
                          .arg(cards.size())
                          .arg(problems[n]);
        at = end + 1;
    }
    return cards;
}

QByteArray record(const Card &card) {
    QByteArray line;
    for (int k = 0; k < 3; ++k) {
        if (k > 0)
            line += '|';
        line += trackNotation(card.tracks[k], k + 1);
    }
    return line + "\r\n";
}

} // namespace CardDeck
