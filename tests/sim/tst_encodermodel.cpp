#include "CardDeck.h"
#include "EncoderModel.h"

#include <QTest>

using namespace std::chrono_literals;
using Duration = EncoderModel::Duration;
using CommandSet = EncoderModel::CommandSet;

Q_DECLARE_METATYPE(CommandSet)
Q_DECLARE_METATYPE(Duration)

namespace {

const QByteArray kSwipe("swipe");
constexpr CommandSet L = CommandSet::Lrq118;
constexpr CommandSet K = CommandSet::Kvt380a;

// Steps or replies of a script, one item per comma, "swipe" for a swipe of the card;
// LRQ118 items are written in hex, KVT-380A items as text or, after "0x", in hex.
QByteArrayList items(CommandSet set, const char *text) {
    QByteArrayList list;
    for (const QByteArray &item : QByteArray(text).split(',')) {
        const QByteArray bytes = item.trimmed();
        if (bytes != kSwipe && (set == L || bytes.startsWith("0x")))
            list << QByteArray::fromHex(bytes.mid(set == L ? 0 : 2));
        else
            list << bytes;
    }
    return list;
}

// Runs the steps `apart` from each other on the model, holding the card t1|t2|t3 if one is
// given; returns what the model answered after each step.
QByteArrayList run(EncoderModel &model, const QByteArray &card, const QByteArrayList &steps,
                   Duration apart = 10ms) {
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
        now += apart;
    }
    return replies;
}

// after: the card in the slot at the end, as a card data file record; "" when not checked.
void row(const char *name, CommandSet set, const char *card, const char *steps, const char *replies,
         const char *after = "") {
    QTest::newRow(name) << set << QByteArray(card) << items(set, steps) << items(set, replies)
                        << QByteArray(after);
}

} // namespace

class TestEncoderModel : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void replies_data() {
        QTest::addColumn<CommandSet>("set");
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::addColumn<QByteArray>("after");

        row("LRQ118 reset, test, coercivity, indicators, zeros, density", L, "",
            "1b61, 1b65, 1b78, 1b79, 1b84, 1b83, 1b85, 1b81, 1b5a3d163d, 1b6ad24bd2",
            ", 1b79, 1b30, 1b30, , , , , 1b30, 1b30");
        row("LRQ118 read ABC 123 blank", L, "ABC|123|+", "1b72, swipe",
            ", 1b73 1b01 254142433f 1b02 3b3132333f 1b03 3b2b3f 1c 1b30");
        row("LRQ118 write, read back", L, "A|1|2",
            "1b77 1b73 1b01 1b02 31323334 1b03 3f 1c, swipe, 1b72, swipe",
            ", 1b30, , 1b73 1b01 25413f 1b02 3b313233343f 1b03 3b323f 1c 1b30");
        row("LRQ118 erase track 2, then all", L, "A|1|2",
            "1b6302, swipe, 1b72, swipe, 1b6307, swipe, 1b72, swipe",
            ", 1b30, , 1b73 1b01 25413f 1b02 3b2b 1b03 3b323f 1c 1b30, "
            ", 1b30, , 1b73 1b01 252b 1b02 3b2b 1b03 3b2b3f 1c 1b30");
        row("LRQ118 raw read T1 on track 1, T2 on 2 and 3", L, "AB|12|+", "1b52110203, swipe",
            ", 1b73 1b01 2541423f 1b02 3b31323f 1b03 3b2b3f 1c 1b30");
        row("LRQ118 raw write ABC on track 2 in T1, read in T1, then ISO fails", L, "",
            "1b571b731b011b124142431b033f1c, swipe, 1b52011203, swipe, 1b72, swipe",
            ", 1b30, , 1b73 1b01 3b2b 1b02 254142433f 1b03 3b2b3f 1c 1b30, "
            ", 1b73 1b01 252b 1b02 3b2a 1b03 3b2b3f 1c 1b31");
        row("LRQ118 raw read: T1 on tracks 1 and 2, custom track 3 unreadable", L,
            "AB|{t1}XY|{5}01 03", "1b52111203, swipe",
            ", 1b73 1b01 2541423f 1b02 2558593f 1b03 3b2a3f 1c 1b31");
        row("LRQ118 raw write: 5-bit track 1 at 75 BPI, T1 on track 3", L, "",
            "1b6a4b4bd2, 1b5a16163d, 1b571b731b0131321b021b135a3f1c, swipe", "1b30, 1b30, , 1b30",
            "{t3@75}12|+|{t1@210}Z");
        row("LRQ118 data: zeros that look like ESC r", L, "", "1b5a1b721b, swipe", "1b30, ");
        row("LRQ118 data: erase mask that looks like ESC", L, "", "1b631b, swipe", ", 1b30");
        row("LRQ118 data: densities that look like ESC e", L, "", "1b6a1b6565", "1b30");
        row("LRQ118 data: write block in pieces", L, "",
            "1b771b73, 1b014561, 1b021b033f, 1c, swipe", ", , , , 1b31");

        row("KVT-380A reset, coercivity, indicators", K, "", "\x7f, {, |, L, l, M, m, (",
            ":, ^, ^, ^, ^, ^, ^, ^");
        row("KVT-380A read", K, "ABC|123|+", "Q, P, swipe, Q, R, S", "+, ^, ^, ABC, 123, +");
        row("KVT-380A standard and custom reads", K, "AB|12|34", "P, swipe, q1, r2, s3, U7",
            "^, ^, AB, 12, 34, *");
        row("KVT-380A standard reads of other tracks' formats", K, "{t3}12|{t1}AB|{t2}34",
            "P, swipe, q2, r1, s2, s3, s1", "^, ^, 12, AB, 34, 34, *");
        row("KVT-380A custom reads, one byte per value", K, "{7}41 7F|{6}0B 3F|{5}1F 03",
            "P, swipe, U7, V6, W5, V5, Q", "^, ^, 0x417f, 0x0b3f, 0x1f03, *, *");
        row("KVT-380A write tracks 2 and 3", K, "A|1|2",
            "B, 55\x04, C, 987\x04, @, swipe, P, swipe, Q, R, S",
            "^, ^, ^, ^, ^, ^, ^, ^, A, 55, 987");
        row("KVT-380A erase track 2, then 1 and 3", K, "A|1|2",
            "[, ], swipe, P, swipe, Q, R, S, Z, \\, ], swipe, P, swipe, Q, S",
            "^, ^, ^, ^, ^, A, +, 2, ^, ^, ^, ^, ^, ^, +, +");
        row("KVT-380A densities, T1 on track 2, read", K, "",
            ";11, ;20, ;31, b1, ABC\x04, @, swipe, P, swipe, r1, R, r2",
            "^, ^, ^, ^, ^, ^, ^, ^, ^, ABC, *, *");
        row("KVT-380A T2 text on track 1, T1 on track 3", K, "",
            "\x7f, ;11, ;20, ;31, a2, 12\x04, c1, ABC\x04, @, swipe",
            ":, ^, ^, ^, ^, ^, ^, ^, ^, ^", "{t2@210}12|+|{t1@210}ABC");
        row("KVT-380A T2 and T3 codings are one", K, "", "c2, 12\x04, @, swipe, P, swipe, s3",
            "^, ^, ^, ^, ^, ^, 12");
        row("KVT-380A data: format character, command letters as track text", K, "",
            "a1, PQZ@[]\\L\x04, @, swipe, P, swipe, q1", "^, ^, ^, ^, ^, ^, PQZ@[]\\L");
        row("KVT-380A custom G5, six NULs, 0B", K, "",
            ";30, G5, 0x00 00 00 00 00 00, 0x0b04, @, swipe, P, swipe, W5",
            "^, ^, , ^, ^, ^, ^, ^, 0x0b");
        row("KVT-380A custom F5, V5, 5 bits read as 6", K, "+|555|+",
            ";20, F5, 0x00 00 00 00 00 00 1f 03 04, @, swipe, P, swipe, R, V5, V6",
            "^, ^, ^, ^, ^, ^, ^, *, 0x1f03, *");
        row("KVT-380A data: custom values of DEL and P", K, "",
            ";10, E7, 0x00 00 00 00 00 00 7f 50 40 5a 04, @, swipe, P, swipe, U7",
            "^, ^, ^, ^, ^, ^, ^, 0x7f50405a");
        row("KVT-380A data: custom DEL as the last value, its EOT soon after", K, "",
            "E7, 0x00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0b 7f, 0x04, @, swipe, P, swipe, "
            "U7",
            "^, , ^, ^, ^, ^, ^, 0x0b7f");
    }

    void replies() {
        QFETCH(CommandSet, set);
        QFETCH(QByteArray, card);
        QFETCH(QByteArrayList, steps);
        QFETCH(QByteArrayList, expected);
        QFETCH(QByteArray, after);
        EncoderModel model(set);
        QCOMPARE(run(model, card, steps), expected);
        if (!after.isEmpty())
            QCOMPARE(CardDeck::record(model.card()), after + "\r\n");
    }

    void faults() {
        EncoderModel silent(L);
        silent.setSilent(true);
        QCOMPARE(run(silent, {}, items(L, "1b65, 1b72, swipe")), items(L, ", , "));
        silent.setSilent(false);
        QCOMPARE(run(silent, {}, items(L, "1b65")), items(L, "1b79"));

        EncoderModel wrong(K);
        wrong.answerWrongly("P", "^^", EncoderModel::kAlways);
        wrong.answerWrongly("\x04", "X");
        QCOMPARE(run(wrong, {}, items(K, "P, P, A, 1\x04, B, 2\x04")),
                 items(K, "^^, ^^, ^, X, ^, ^"));

        EncoderModel pieces(L);
        pieces.answerInPieces(3, 20ms);
        pieces.receive(QByteArray::fromHex("1b72"), 0ms);
        pieces.swipe(100ms);
        QCOMPARE(pieces.takeOutput(100ms), QByteArray::fromHex("1b731b"));
        QCOMPARE(pieces.nextDue(), std::optional<Duration>(120ms));
        QCOMPARE(pieces.takeOutput(139ms), QByteArray::fromHex("01 252b"));
        QCOMPARE(pieces.takeOutput(1s), QByteArray::fromHex("1b02 3b2b 1b03 3b2b3f 1c 1b30"));

        EncoderModel lrq(L);
        lrq.failNextRead();
        QCOMPARE(run(lrq, "AB|+|+", items(L, "1b72, swipe, 1b72, swipe")),
                 items(L, ", 1b73 1b01 252a 1b02 3b2a 1b03 3b2a3f 1c 1b31, "
                          ", 1b73 1b01 2541423f 1b02 3b2b 1b03 3b2b3f 1c 1b30"));
        lrq.failNextWrite();
        QCOMPARE(run(lrq, {}, items(L, "1b771b731b01411b021b033f1c, swipe")), items(L, ", 1b31"));
        QCOMPARE(lrq.card().tracks[0].data, QByteArray("AB"));

        EncoderModel kvt(K);
        kvt.failNextRead();
        QCOMPARE(run(kvt, "OLD|+|+", items(K, "P, swipe, Q, R")), items(K, "^, ^, *, *"));
        kvt.failNextWrite();
        QCOMPARE(run(kvt, {}, items(K, "A, NEW\x04, @, swipe, P, swipe, Q")),
                 items(K, "^, ^, ^, !, ^, ^, OLD"));
        kvt.failNextWrite();
        QCOMPARE(run(kvt, {}, items(K, "Z, ], swipe, P, swipe, Q")),
                 items(K, "^, ^, !, ^, ^, OLD"));

        EncoderModel gone(K);
        gone.receive("P", 0ms);
        gone.vanish();
        QCOMPARE(run(gone, {}, {kSwipe, "\x7f"}), items(K, ", "));
        gone.clearFaults();
        QCOMPARE(run(gone, {}, {"\x7f"}), items(K, ":"));
    }

    // A command letter that may carry a format character acts alone once none has come.
    void formatCharacterMayBeMissing() {
        EncoderModel model(K);
        QCOMPARE(run(model, "AB|12|+", items(K, "P, swipe")), items(K, "^, ^"));
        model.receive("r", 1s);
        QCOMPARE(model.takeOutput(1s), QByteArray());
        QCOMPARE(model.nextDue(), std::optional<Duration>(1s + EncoderModel::kFormatCharacterGap));
        QCOMPARE(model.takeOutput(1s + EncoderModel::kFormatCharacterGap), QByteArray("12"));
        model.receive("qS", 2s);
        QCOMPARE(model.takeOutput(2s), QByteArray("AB+"));
    }

    void delAlwaysResets_data() {
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<QByteArrayList>("expected");
        // Steps 100 ms apart, longer than a command letter waits for its format character; what
        // is answered after such a wait shows with the next step.
        const auto add = [](const char *name, const char *steps, const char *replies) {
            QTest::newRow(name) << items(K, steps) << items(K, replies);
        };
        add("the other command set's ESC a", "0x1b61, \x7f, P, swipe, Q", ", ^:, ^, ^, OLD");
        add("ESC a and DEL at once", "0x1b617f, P, swipe, Q", ":, ^, ^, OLD");
        add("in the middle of track data", "A, NE, \x7f, @, swipe, P, swipe, Q",
            "^, , :, ^, ^, ^, ^, OLD");
        add("waiting for a swipe", "P, \x7f, swipe, P, swipe, Q", "^, :, , ^, ^, OLD");
        add("right after a stray density byte", "0x3b7f, P, swipe, Q", ":, ^, ^, OLD");
        add("a lone DEL after custom data", "E7, 0x0000000000000b, 0x7f, @, swipe, P, swipe, Q",
            "^, , , :^, ^, ^, ^, OLD");
    }

    // Whatever the model was doing, DEL resets it and it answers every command again.
    void delAlwaysResets() {
        QFETCH(QByteArrayList, steps);
        QFETCH(QByteArrayList, expected);
        EncoderModel model(K);
        QCOMPARE(run(model, "OLD|+|+", steps, 100ms), expected);
        QVERIFY(!model.waitingForSwipe());
    }

    void lineSpeed_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<bool>("parity");
        QTest::addColumn<Duration>("byteTime");
        QTest::newRow("1200 baud 7o1") << 1200 << 7 << true << Duration(8'333'333);
        QTest::newRow("9600 baud 8n1") << 9600 << 8 << false << Duration(1'041'666);
        QTest::newRow("2400 baud 8e1") << 2400 << 8 << true << Duration(4'583'333);
        QTest::newRow("19200 baud 7n1") << 19200 << 7 << false << Duration(468'750);
    }

    // Two answers sent at once come one byte per byte time, each once it is whole.
    void lineSpeed() {
        QFETCH(int, baud);
        QFETCH(int, dataBits);
        QFETCH(bool, parity);
        QFETCH(Duration, byteTime);
        EncoderModel model(L);
        model.setLineSpeed(EncoderModel::LineSpeed{baud, dataBits, parity});
        QCOMPARE(model.lineSpeed()->byteTime(), byteTime);
        model.receive(QByteArray::fromHex("1b65 1b65"), 1s);
        QByteArray arrived;
        for (int n = 1; n <= 4; ++n) {
            QCOMPARE(model.nextDue(), std::optional<Duration>(1s + n * byteTime));
            QCOMPARE(model.takeOutput(1s + n * byteTime - 1ns), QByteArray());
            arrived += model.takeOutput(1s + n * byteTime);
            QCOMPARE(arrived.size(), n);
        }
        QCOMPARE(arrived.toHex(' '), "1b 79 1b 79");

        model.setLineSpeed(std::nullopt);
        model.receive(QByteArray::fromHex("1b65"), 2s);
        QCOMPARE(model.takeOutput(2s).toHex(' '), "1b 79");
    }
};

QTEST_APPLESS_MAIN(TestEncoderModel)
#include "tst_encodermodel.moc"
