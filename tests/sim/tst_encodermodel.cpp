#include "CardDeck.h"
#include "EncoderModel.h"

#include <QFile>
#include <QTest>

using namespace std::chrono_literals;
using Duration = EncoderModel::Duration;
using CommandSet = EncoderModel::CommandSet;

Q_DECLARE_METATYPE(CommandSet)

namespace {

const QByteArray kSwipe("<swipe>");

// Runs a script on a fresh model holding the card t1|t2|t3: each step is bytes sent or a
// swipe, 10 ms apart; returns what the model answered after each step.
QByteArrayList run(CommandSet set, const QByteArray &card, const QByteArrayList &steps,
                   EncoderModel *given = nullptr) {
    EncoderModel local(set);
    EncoderModel &model = given ? *given : local;
    const QList<QByteArray> tracks = card.split('|');
    if (tracks.size() == 3)
        model.insertCard(Card::fromTexts(tracks[0], tracks[1], tracks[2]));
    Duration now = 1h;
    QByteArrayList replies;
    for (const QByteArray &step : steps) {
        if (step == kSwipe)
            model.swipe(now);
        else
            model.receive(step, now);
        replies << model.takeOutput(now);
        now += 10ms;
    }
    return replies;
}

QByteArray hex(const char *text) {
    return QByteArray::fromHex(text);
}

// The tracks of an ESC r reply, split the way the operator's program splits it.
QByteArrayList splitRead(QByteArray r) {
    if (!r.endsWith("\x1b"
                    "0"))
        return {};
    r.chop(2);
    if (!r.startsWith("\x1bs"))
        return {};
    r.remove(0, 5);
    QByteArrayList tracks;
    for (const char *marker : {"\x1b\x02", "\x1b\x03"}) {
        if (r.startsWith('+')) {
            tracks << "+";
            r.remove(0, 4);
            continue;
        }
        const qsizetype p = r.indexOf(marker);
        if (p < 1)
            return {};
        tracks << r.left(p - 1);
        r.remove(0, p + 3);
    }
    tracks << (r.startsWith('+') ? QByteArray("+") : r.left(r.indexOf('?')));
    return tracks;
}

} // namespace

class TestEncoderModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void replies_data();
    void replies();
    void readLayoutWithBlankTracks_data();
    void readLayoutWithBlankTracks();
    void dataIsNotCommands_data();
    void dataIsNotCommands();
    void formatMismatchReadsUnreadable_data();
    void formatMismatchReadsUnreadable();
    void faults();
    void autoSwipeAndDeck();
    void formatCharacterMayBeMissing();
    void eventLines();
    void cardDataFile_data();
    void cardDataFile();
    void sampleDeckHoldsGoodCards();
};

void TestEncoderModel::replies_data() {
    QTest::addColumn<CommandSet>("set");
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<QByteArrayList>("expected");
    const auto L = CommandSet::Lrq118;
    const auto K = CommandSet::Kvt380a;
    const QByteArray ok = hex("1b30");

    QTest::newRow("LRQ118 reset, test, coercivity")
        << L << QByteArray() << QByteArrayList{hex("1b61"), hex("1b65"), hex("1b78"), hex("1b79")}
        << QByteArrayList{"", hex("1b79"), ok, ok};
    QTest::newRow("LRQ118 indicators answer nothing")
        << L << QByteArray() << QByteArrayList{hex("1b84"), hex("1b83"), hex("1b85"), hex("1b81")}
        << QByteArrayList{"", "", "", ""};
    QTest::newRow("LRQ118 leading zeros and density")
        << L << QByteArray() << QByteArrayList{hex("1b5a3d163d"), hex("1b6ad24bd2")}
        << QByteArrayList{ok, ok};
    QTest::newRow("LRQ118 read ABC 123 blank")
        << L << QByteArray("ABC|123|+") << QByteArrayList{hex("1b72"), kSwipe}
        << QByteArrayList{"", hex("1b73 1b01 254142433f 1b02 3b3132333f 1b03 3b2b3f 1c 1b30")};
    QTest::newRow("LRQ118 write, then read back")
        << L << QByteArray("A|1|2")
        << QByteArrayList{hex("1b77 1b73 1b01 1b02 31323334 1b03 3f 1c"), kSwipe, hex("1b72"),
                          kSwipe}
        << QByteArrayList{"", ok, "",
                          hex("1b73 1b01 25413f 1b02 3b313233343f 1b03 3b323f 1c 1b30")};
    QTest::newRow("LRQ118 erase all")
        << L << QByteArray("A|1|2") << QByteArrayList{hex("1b6307"), kSwipe, hex("1b72"), kSwipe}
        << QByteArrayList{"", ok, "", hex("1b73 1b01 252b 1b02 3b2b 1b03 3b2b3f 1c 1b30")};
    QTest::newRow("LRQ118 erase track 2")
        << L << QByteArray("A|1|2") << QByteArrayList{hex("1b6302"), kSwipe, hex("1b72"), kSwipe}
        << QByteArrayList{"", ok, "", hex("1b73 1b01 25413f 1b02 3b2b 1b03 3b323f 1c 1b30")};
    QTest::newRow("LRQ118 raw read T1 on track 1, T2 on 2 and 3")
        << L << QByteArray("AB|12|+") << QByteArrayList{hex("1b52110203"), kSwipe}
        << QByteArrayList{"", hex("1b73 1b01 2541423f 1b02 3b31323f 1b03 3b2b3f 1c 1b30")};
    QTest::newRow("LRQ118 raw write ABC on track 2 in T1, read back in T1")
        << L << QByteArray()
        << QByteArrayList{hex("1b571b731b011b124142431b033f1c"), kSwipe, hex("1b52011203"), kSwipe}
        << QByteArrayList{"", ok, "", hex("1b73 1b01 3b2b 1b02 254142433f 1b03 3b2b3f 1c 1b30")};
    QTest::newRow("LRQ118 read waits for the swipe")
        << L << QByteArray("A|1|2") << QByteArrayList{hex("1b72")} << QByteArrayList{""};

    QTest::newRow("KVT-380A reset, coercivity, indicators")
        << K << QByteArray() << QByteArrayList{"\x7f", "{", "|", "L", "l", "M", "m", "("}
        << QByteArrayList{":", "^", "^", "^", "^", "^", "^", "^"};
    QTest::newRow("KVT-380A read")
        << K << QByteArray("ABC|123|+") << QByteArrayList{"P", kSwipe, "Q", "R", "S"}
        << QByteArrayList{"^", "^", "ABC", "123", "+"};
    QTest::newRow("KVT-380A write tracks 1 and 3, read back")
        << K << QByteArray("OLD|999|888")
        << QByteArrayList{"A", "NEW\x04", "C", "42\x04", "@", kSwipe, "P", kSwipe, "Q", "R", "S"}
        << QByteArrayList{"^", "^", "^", "^", "^", "^", "^", "^", "NEW", "999", "42"};
    QTest::newRow("KVT-380A erase 1 and 3")
        << K << QByteArray("A|1|2")
        << QByteArrayList{"Z", "\\", "]", kSwipe, "P", kSwipe, "Q", "R", "S"}
        << QByteArrayList{"^", "^", "^", "^", "^", "^", "+", "1", "+"};
    QTest::newRow("KVT-380A erase 2")
        << K << QByteArray("A|1|2") << QByteArrayList{"[", "]", kSwipe, "P", kSwipe, "R"}
        << QByteArrayList{"^", "^", "^", "^", "^", "+"};
    QTest::newRow("KVT-380A standard reads with format characters")
        << K << QByteArray("AB|12|34") << QByteArrayList{"P", kSwipe, "q1", "r2", "s3"}
        << QByteArrayList{"^", "^", "AB", "12", "34"};
    QTest::newRow("KVT-380A densities and standard write")
        << K << QByteArray()
        << QByteArrayList{";11", ";20", ";31", "b1", "ABC\x04", "@", kSwipe, "P", kSwipe, "r1"}
        << QByteArrayList{"^", "^", "^", "^", "^", "^", "^", "^", "^", "ABC"};
    QTest::newRow("KVT-380A custom write G5, six NULs, 0B")
        << K << QByteArray()
        << QByteArrayList{";30",  "G5", QByteArray(6, '\0'), hex("0b04"), "@", kSwipe, "P",
                          kSwipe, "W5"}
        << QByteArrayList{"^", "^", "", "^", "^", "^", "^", "^", hex("0b")};
    QTest::newRow("KVT-380A write only track 3: C, text and EOT, at sign")
        << K << QByteArray("A|1|2")
        << QByteArrayList{"C", "987\x04", "@", kSwipe, "P", kSwipe, "Q", "R", "S"}
        << QByteArrayList{"^", "^", "^", "^", "^", "^", "A", "1", "987"};
    QTest::newRow("KVT-380A track 2: B, then F5 and V5")
        << K << QByteArray()
        << QByteArrayList{"B",    "555\x04", "@",
                          kSwipe, "P",       kSwipe,
                          "R",    "F5",      QByteArray(6, '\0') + hex("1f0304"),
                          "@",    kSwipe,    "P",
                          kSwipe, "V5",      "R"}
        << QByteArrayList{"^", "^", "^", "^", "^", "^",         "555", "^",
                          "^", "^", "^", "^", "^", hex("1f03"), "*"};
    QTest::newRow("KVT-380A Q before any swipe")
        << K << QByteArray("A|1|2") << QByteArrayList{"Q"} << QByteArrayList{"+"};
}

void TestEncoderModel::replies() {
    QFETCH(CommandSet, set);
    QFETCH(QByteArray, card);
    QFETCH(QByteArrayList, steps);
    QFETCH(QByteArrayList, expected);
    QCOMPARE(run(set, card, steps), expected);
}

void TestEncoderModel::readLayoutWithBlankTracks_data() {
    QTest::addColumn<QByteArray>("card");
    for (int blank = 0; blank < 8; ++blank) {
        QByteArrayList tracks{"ABC", "123", "4567"};
        for (int k = 0; k < 3; ++k) {
            if (blank & (1 << k))
                tracks[k] = "+";
        }
        const QByteArray card = tracks.join('|');
        QTest::newRow(card.constData()) << card;
    }
}

void TestEncoderModel::readLayoutWithBlankTracks() {
    QFETCH(QByteArray, card);
    for (const QByteArray &command : {hex("1b72"), hex("1b52110203")}) {
        const QByteArrayList replies = run(CommandSet::Lrq118, card, {command, kSwipe});
        QCOMPARE(splitRead(replies.last()), card.split('|'));
    }
}

void TestEncoderModel::dataIsNotCommands_data() {
    QTest::addColumn<CommandSet>("set");
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::newRow("KVT-380A track text of command letters")
        << CommandSet::Kvt380a
        << QByteArrayList{"A", "PQZ@[]\\L\x04", "@", kSwipe, "P", kSwipe, "Q"}
        << QByteArrayList{"^", "^", "^", "^", "^", "^", "PQZ@[]\\L"};
    QTest::newRow("KVT-380A custom values of DEL and P")
        << CommandSet::Kvt380a
        << QByteArrayList{"E7", QByteArray(15, '\0') + hex("7f50405a04"), "@", kSwipe, "P", kSwipe,
                          "U7"}
        << QByteArrayList{"^", "^", "^", "^", "^", "^", hex("7f50405a")};
    QTest::newRow("KVT-380A format character is not a command")
        << CommandSet::Kvt380a << QByteArrayList{"a1", "Q\x04"} << QByteArrayList{"^", "^"};
    QTest::newRow("LRQ118 leading zeros that look like ESC r")
        << CommandSet::Lrq118 << QByteArrayList{hex("1b5a1b721b"), kSwipe}
        << QByteArrayList{hex("1b30"), ""};
    QTest::newRow("LRQ118 erase mask that looks like ESC")
        << CommandSet::Lrq118 << QByteArrayList{hex("1b631b"), kSwipe}
        << QByteArrayList{"", hex("1b30")};
    QTest::newRow("LRQ118 density bytes that look like ESC e")
        << CommandSet::Lrq118 << QByteArrayList{hex("1b6a1b6565")} << QByteArrayList{hex("1b30")};
    QTest::newRow("LRQ118 write block in pieces")
        << CommandSet::Lrq118
        << QByteArrayList{hex("1b771b73"), hex("1b01 4561"), hex("1b02 1b03 3f"), hex("1c"), kSwipe}
        << QByteArrayList{"", "", "", "", hex("1b31")};
}

void TestEncoderModel::dataIsNotCommands() {
    QFETCH(CommandSet, set);
    QFETCH(QByteArrayList, steps);
    QFETCH(QByteArrayList, expected);
    EncoderModel model(set);
    QCOMPARE(run(set, "+|+|+", steps, &model), expected);
    QVERIFY(!model.waitingForSwipe());
}

void TestEncoderModel::formatMismatchReadsUnreadable_data() {
    QTest::addColumn<CommandSet>("set");
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<QByteArray>("expectedLast");
    const QByteArray lrqWrite = hex("1b571b731b011b124142431b033f1c");
    QTest::newRow("LRQ118 T1 on track 2, ISO read fails")
        << CommandSet::Lrq118 << QByteArrayList{lrqWrite, kSwipe, hex("1b72"), kSwipe}
        << hex("1b73 1b01 25413f 1b02 3b2a 1b03 3b323f 1c 1b31");
    QTest::newRow("LRQ118 T1 on track 2, read as T2 fails")
        << CommandSet::Lrq118 << QByteArrayList{lrqWrite, kSwipe, hex("1b52110203"), kSwipe}
        << hex("1b73 1b01 25413f 1b02 3b2a 1b03 3b323f 1c 1b31");
    QTest::newRow("KVT-380A T1 on track 2, R")
        << CommandSet::Kvt380a << QByteArrayList{"b1", "ABC\x04", "@", kSwipe, "P", kSwipe, "R"}
        << QByteArray("*");
    QTest::newRow("KVT-380A T1 on track 2, r2")
        << CommandSet::Kvt380a << QByteArrayList{"b1", "ABC\x04", "@", kSwipe, "P", kSwipe, "r2"}
        << QByteArray("*");
    QTest::newRow("KVT-380A T2 and T3 codings are one")
        << CommandSet::Kvt380a << QByteArrayList{"c2", "12\x04", "@", kSwipe, "P", kSwipe, "s3"}
        << QByteArray("12");
    QTest::newRow("KVT-380A 5-bit values read as 6-bit")
        << CommandSet::Kvt380a
        << QByteArrayList{"E5", hex("010304"), "@", kSwipe, "P", kSwipe, "U6"} << QByteArray("*");
    QTest::newRow("KVT-380A ISO card read as custom")
        << CommandSet::Kvt380a << QByteArrayList{"P", kSwipe, "U7"} << QByteArray("*");
}

void TestEncoderModel::formatMismatchReadsUnreadable() {
    QFETCH(CommandSet, set);
    QFETCH(QByteArrayList, steps);
    QFETCH(QByteArray, expectedLast);
    QCOMPARE(run(set, "A|1|2", steps).last(), expectedLast);
}

void TestEncoderModel::faults() {
    const auto L = CommandSet::Lrq118;
    const auto K = CommandSet::Kvt380a;
    {
        EncoderModel model(L);
        model.setSilent(true);
        QCOMPARE(run(L, {}, {hex("1b65"), hex("1b72"), kSwipe}, &model),
                 (QByteArrayList{"", "", ""}));
        model.setSilent(false);
        QCOMPARE(run(L, {}, {hex("1b65")}, &model), QByteArrayList{hex("1b79")});
    }
    {
        EncoderModel model(L);
        model.answerWrongly(hex("1b65"), hex("1b7958"));
        QCOMPARE(run(L, {}, {hex("1b65"), hex("1b65")}, &model),
                 (QByteArrayList{hex("1b7958"), hex("1b79")}));
    }
    {
        EncoderModel model(K);
        model.answerWrongly("P", "^^", EncoderModel::kAlways);
        QCOMPARE(run(K, {}, {"P", "P"}, &model), (QByteArrayList{"^^", "^^"}));
        model.answerWrongly(QByteArray(1, '\x04'), "X");
        QCOMPARE(run(K, {}, {"A", "1\x04"}, &model), (QByteArrayList{"^", "X"}));
    }
    {
        EncoderModel model(L);
        model.answerInPieces(3, 20ms);
        model.insertCard(Card::fromTexts("AB", "+", "+"));
        model.receive(hex("1b72"), 0ms);
        model.swipe(100ms);
        QCOMPARE(model.takeOutput(100ms), hex("1b731b"));
        QCOMPARE(model.nextDue(), std::optional<Duration>(120ms));
        QCOMPARE(model.takeOutput(139ms), hex("01 2541"));
        QCOMPARE(model.takeOutput(1s), hex("42 3f 1b02 3b2b 1b03 3b2b3f 1c 1b30"));
    }
    {
        EncoderModel model(L);
        model.failNextRead();
        const QByteArrayList replies =
            run(L, "AB|+|+", {hex("1b72"), kSwipe, hex("1b72"), kSwipe}, &model);
        QVERIFY(replies[1].endsWith(hex("1b31")));
        QCOMPARE(splitRead(replies[3]), (QByteArrayList{"AB", "+", "+"}));
    }
    {
        EncoderModel model(K);
        model.failNextRead();
        QCOMPARE(run(K, "AB|+|+", {"P", kSwipe, "Q", "R"}, &model),
                 (QByteArrayList{"^", "^", "*", "*"}));
    }
    {
        EncoderModel model(K);
        model.failNextWrite();
        QCOMPARE(run(K, "OLD|+|+", {"A", "NEW\x04", "@", kSwipe, "P", kSwipe, "Q"}, &model),
                 (QByteArrayList{"^", "^", "^", "!", "^", "^", "OLD"}));
        model.failNextWrite();
        QCOMPARE(run(K, {}, {"Z", "]", kSwipe, "P", kSwipe, "Q"}, &model),
                 (QByteArrayList{"^", "^", "!", "^", "^", "OLD"}));
    }
    {
        EncoderModel model(L);
        model.failNextWrite();
        QCOMPARE(run(L, {}, {hex("1b771b731b01411b021b033f1c"), kSwipe}, &model).last(),
                 hex("1b31"));
        QCOMPARE(model.card().tracks[0].state, Track::State::Blank);
    }
    {
        EncoderModel model(K);
        model.receive("P", 0ms);
        model.vanish();
        QVERIFY(model.vanished());
        QCOMPARE(run(K, {}, {kSwipe, "\x7f"}, &model), (QByteArrayList{"", ""}));
        model.clearFaults();
        QCOMPARE(run(K, {}, {"\x7f"}, &model), QByteArrayList{":"});
    }
}

void TestEncoderModel::autoSwipeAndDeck() {
    EncoderModel model(CommandSet::Lrq118);
    model.setDeck(CardDeck::parse("A|1|+\r\nB|2|+\r\n"));
    model.setAutoSwipe(200ms);
    QByteArrayList read;
    Duration now = 0ms;
    for (int i = 0; i < 3; ++i) {
        model.receive(hex("1b72"), now);
        QCOMPARE(model.nextDue(), std::optional<Duration>(now + 200ms));
        QCOMPARE(model.takeOutput(now + 199ms), QByteArray());
        read << splitRead(model.takeOutput(now + 200ms)).value(0);
        now += 1s;
    }
    QCOMPARE(read, (QByteArrayList{"A", "B", "A"}));
    model.insertCard(Card::fromTexts("HAND", "+", "+"));
    model.receive(hex("1b72"), now);
    QCOMPARE(splitRead(model.takeOutput(now + 1s)).value(0), QByteArray("HAND"));
    model.receive(hex("1b72"), now + 2s);
    QCOMPARE(splitRead(model.takeOutput(now + 3s)).value(0), QByteArray("B"));
}

void TestEncoderModel::formatCharacterMayBeMissing() {
    EncoderModel model(CommandSet::Kvt380a);
    model.insertCard(Card::fromTexts("AB", "12", "+"));
    QCOMPARE(run(CommandSet::Kvt380a, {}, {"P", kSwipe}, &model), (QByteArrayList{"^", "^"}));
    model.receive("r", 1s);
    QCOMPARE(model.takeOutput(1s), QByteArray());
    QCOMPARE(model.nextDue(), std::optional<Duration>(1s + EncoderModel::kFormatCharacterGap));
    QCOMPARE(model.takeOutput(1s + EncoderModel::kFormatCharacterGap), QByteArray("12"));
    model.receive("qS", 2s);
    QCOMPARE(model.takeOutput(2s), QByteArray("AB+"));
}

void TestEncoderModel::eventLines() {
    EncoderModel model(CommandSet::Kvt380a);
    QStringList lines;
    model.setEventSink([&lines](const QString &line) { lines << line; });
    QList<Card> written;
    model.setWrittenSink([&written](const Card &card) { written << card; });
    model.failNextRead();
    run(CommandSet::Kvt380a, "AB|+|+",
        {"P", kSwipe, "A", "XY\x04", "@", kSwipe, "Z", "]", kSwipe, kSwipe}, &model);
    QCOMPARE(lines,
             (QStringList{"waiting for a swipe to read a card", "fault: this read fails as told",
                          "card read: track 1 \"AB\", track 2 blank, track 3 blank",
                          "waiting for a swipe to write a card",
                          "card written: track 1 \"XY\", track 2 blank, track 3 blank",
                          "waiting for a swipe to erase track 1", "card erased: track 1",
                          "card swiped, but the encoder was not waiting for one"}));
    QCOMPARE(written.size(), 1);
    QCOMPARE(CardDeck::record(written.first()), QByteArray("XY|+|+\r\n"));
}

void TestEncoderModel::cardDataFile_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("records");
    QTest::newRow("two cards") << QByteArray("AB 1|123|+\r\n|;1=2|\r\n")
                               << QByteArray("AB 1|123|+\r\n+|;1=2|+\r\n");
    QTest::newRow("extra bar goes to track 3")
        << QByteArray("A|1|2|3\r\n") << QByteArray("A|1|*\r\n");
    QTest::newRow("record over two lines")
        << QByteArray("A|1\r\n2|3\r\n4\r\n") << QByteArray("A|*|3\r\n");
    QTest::newRow("LF only") << QByteArray("A|1|2\nB|3|4\n") << QByteArray();
    QTest::newRow("last line without CR LF")
        << QByteArray("A|1|2\r\nB|3|4") << QByteArray("A|1|2\r\n");
    QTest::newRow("damaged and unfit tracks")
        << QByteArray("*|12A|x\r\n") << QByteArray("*|*|*\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestEncoderModel::cardDataFile() {
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

void TestEncoderModel::sampleDeckHoldsGoodCards() {
    QFile file(QStringLiteral(KVT_SAMPLE_DECK));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    const QList<Card> deck = CardDeck::parse(text);
    QCOMPARE(deck.size(), text.count("\r\n"));
    QVERIFY(deck.size() >= 3);
    for (const Card &card : deck) {
        for (const Track &track : card.tracks)
            QVERIFY2(track.state != Track::State::Damaged, qPrintable(card.describe()));
    }
}

QTEST_APPLESS_MAIN(TestEncoderModel)
#include "tst_encodermodel.moc"
