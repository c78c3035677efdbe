#include "CardDeck.h"

#include <QTest>

// Cards as decks, the card command and the written-cards file give them.
class TestCard : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void notation_data() {
        QTest::addColumn<int>("track");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("problem");
        const auto add = [](const char *name, int track, const char *text, const char *written,
                            const char *problem = "") {
            QTest::newRow(name) << track << QByteArray(text) << QByteArray(written)
                                << QString::fromLatin1(problem);
        };
        add("ISO text", 1, "AB 1", "AB 1");
        add("blank and damaged", 2, "+", "+");
        add("damaged", 3, "*", "*");
        add("T1 text on track 2", 2, "{t1}ABC", "{t1@75}ABC");
        add("T2 text on track 1 at 75 BPI", 1, "{T2@75}12", "{t2@75}12");
        add("ISO format spelled out", 3, "{t3@210}99", "99");
        add("custom 6-bit, pairs with and without spaces", 2, "{6}0b3F 01", "{6@75}0B 3F 01");
        add("custom 7-bit DEL and FS", 1, "{7@210}7F 1C", "{7@210}7F 1C");
        add("lower case in T1", 1, "Ab", "*",
            "character 2, \"b\" (hex 62), is not in the 7-bit T1 format");
        add("letter on track 2", 2, "12A", "*",
            "character 3, \"A\" (hex 41), is not in the 5-bit T2 format");
        add("control character", 3, "1\t", "*",
            "character 2, hex 09, is not in the 5-bit T3 format");
        add("value above 5 bits", 3, "{5}01 20", "*",
            "value 2, 20 hex, is not in the custom 5-bit format");
        add("too long for 75 BPI", 2, "{7}4142434445464748494A4B4C4D4E4F505152535455565758595A5B5C",
            "*", "28 characters do not fit (at most 27 in the custom 7-bit format at 75 BPI)");
        add("unknown format", 1, "{8}01", "*",
            "\"{8}\" is no format; use t1, t2, t3 (standard) or 5, 6, 7 (custom), optionally "
            "followed by @210 or @75");
        add("unknown density", 1, "{7@100}01", "*", "the density is 210 or 75 BPI, not \"100\"");
        add("odd hex digits", 1, "{7}013", "*",
            "custom data is hex values in pairs of digits, such as 0B 3F, not \"013\"");
        add("no data", 1, "{t1}", "*", "no data follows the format");
        add("unclosed format", 1, "{t1ABC", "*", "\"{\" opens a format but no \"}\" closes it");
    }

    void notation() {
        QFETCH(int, track);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, written);
        QFETCH(QString, problem);
        std::array<QByteArray, 3> texts;
        texts[track - 1] = text;
        QStringList problems;
        const Card card = Card::fromTexts(texts[0], texts[1], texts[2], &problems);
        QCOMPARE(trackNotation(card.tracks[track - 1], track), written);
        QCOMPARE(problems,
                 problem.isEmpty()
                     ? QStringList()
                     : QStringList{QStringLiteral("track %1: %2").arg(track).arg(problem)});
        // What is written down reads back as the same track.
        QCOMPARE(trackFromNotation(written, track), card.tracks[track - 1]);
    }

    void cardDataFile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("records");
        QTest::newRow("two cards")
            << QByteArray("AB 1|12|+\r\n|;1|\r\n") << QByteArray("AB 1|12|+\r\n+|;1|+\r\n");
        QTest::newRow("over two lines")
            << QByteArray("A|1\r\n2|3\r\n4\r\n") << QByteArray("A|*|3\r\n");
        QTest::newRow("line break inside a record, last record unended")
            << QByteArray("A|1\n|2\r\nB|3|4") << QByteArray("A|*|2\r\n");
        QTest::newRow("LF line ends, and mixed")
            << QByteArray("A|1|2\nB|3|4\n|5|\r\n") << QByteArray("A|1|2\r\nB|3|4\r\n+|5|+\r\n");
        QTest::newRow("damaged, unfit, extra bar")
            << QByteArray("*|12A|x|3\r\n") << QByteArray("*|*|*\r\n");
        QTest::newRow("formats and custom values")
            << QByteArray("{t1@75}AB|{6}0b 3f|{t2}1\r\n")
            << QByteArray("{t1@75}AB|{6@75}0B 3F|{t2@210}1\r\n");
        QTest::newRow("notation faults")
            << QByteArray("{9}01|{5}20|{t2}A\r\n") << QByteArray("*|*|*\r\n");
    }

    void cardDataFile() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, records);
        QByteArray out;
        QStringList notes;
        for (const Card &card : CardDeck::parse(text, &notes))
            out += CardDeck::record(card);
        QCOMPARE(out, records);
        // Every damaged track that was not marked "*" in the file is explained.
        QCOMPARE(notes.size(), records.count('*') - text.count('*'));
    }

    // As the event lines name a card: a track in its own format and density by its data alone.
    void described() {
        QCOMPARE(
            Card::fromTexts("AB", "{t1}XY", "{5@75}0B").describe(),
            R"(track 1 "AB", track 2 "XY" (7-bit T1, 75 BPI), track 3 0B (custom 5-bit, 75 BPI))");
        QCOMPARE(Card::fromTexts("*", "", "{t3@75}12").describe(),
                 R"(track 1 unreadable, track 2 blank, track 3 "12" (5-bit T3, 75 BPI))");
    }
};

QTEST_APPLESS_MAIN(TestCard)
#include "tst_card.moc"
