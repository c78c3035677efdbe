#include "CardDeck.h"
#include "EncoderModel.h"

#include <QRegularExpression>
#include <QTest>

using namespace std::chrono_literals;
using CommandSet = EncoderModel::CommandSet;

Q_DECLARE_METATYPE(CommandSet)

namespace {

constexpr CommandSet L = CommandSet::Lrq118;
constexpr CommandSet K = CommandSet::Kvt380a;
// Longer than any reply takes and than a command letter waits for its format character.
constexpr auto StepPause = 100ms;

// Comma-separated items: bytes in hex, "swipe", or "card T1|T2|T3" for the operator putting
// another card in the slot.
QByteArrayList items(const char *text) {
    QByteArrayList list;
    for (const QByteArray &item : QByteArray(text).split(','))
        list << item.trimmed();
    return list;
}

QByteArray hexOf(const QByteArray &hexText) {
    return QByteArray::fromHex(hexText).toHex(' ');
}

QByteArray notation(const Card &card) {
    return CardDeck::record(card).chopped(2);
}

} // namespace

// The exchanges the utility's windows have with the encoder, byte for byte, and what the
// model then says it read, wrote or erased.
class TestModelFlows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void flows_data();
    void flows();
};

void TestModelFlows::flows_data() {
    QTest::addColumn<CommandSet>("set");
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QByteArray>("after");
    const auto flow = [](const char *name, CommandSet set, const char *card, const char *script,
                         const char *replies, const QStringList &events, const char *after) {
        QTest::newRow(name) << set << QByteArray(card) << items(script) << items(replies) << events
                            << QByteArray(after);
    };

    flow("LRQ118 Non-ISO write: ABC on track 2 in T1", L, "+|+|+",
         "1b84, 1b6a d2 d2 d2, 1b5a 3d 3d 3d,"
         "1b57 1b73 1b01 1b12 414243 1b03 3f1c, swipe, 1b83",
         ", 1b30, 1b30, , 1b30, ",
         {R"(wrote track 2: "ABC" (7-bit T1, 210 BPI))",
          R"(card written: track 1 blank, track 2 "ABC" (7-bit T1, 210 BPI), track 3 blank)"},
         "+|{t1@210}ABC|+");
    flow("LRQ118 Non-ISO write: 5-bit track 1 at 75 BPI, T1 track 3", L, "+|+|+",
         "1b6a 4b 4b d2, 1b5a 16 16 3d, 1b57 1b73 1b01 3132 1b02 1b13 5a 3f1c, swipe",
         "1b30, 1b30, , 1b30",
         {R"(wrote track 1: "12" (5-bit T3, 75 BPI))", R"(wrote track 3: "Z" (7-bit T1, 210 BPI))",
          R"(card written: track 1 "12" (5-bit T3, 75 BPI), track 2 blank, track 3 "Z" )"
          R"((7-bit T1, 210 BPI))"},
         "{t3@75}12|+|{t1@210}Z");
    flow("KVT-380A custom write: track 3 value 0B, 5 bits at 75 BPI", K, "+|+|+",
         "7f, 3b3130, 3b3230, 3b3330, 4735, 00, 00, 00, 00, 00, 00, 0b04, 40, swipe, 6c",
         "3a, 5e, 5e, 5e, 5e, , , , , , , 5e, 5e, 5e, 5e",
         {"wrote track 3: 0B (custom 5-bit, 75 BPI)",
          "card written: track 1 blank, track 2 blank, track 3 0B (custom 5-bit, 75 BPI)"},
         "+|+|{5@75}0B");
    flow("KVT-380A custom write: 7 and 6 bits on tracks 1 and 2 at 210 BPI", K, "+|+|+",
         "7f, 3b3131, 3b3231, 3b3331,"
         "4537, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 417f01 04,"
         "4636, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 3f 04, 40, swipe",
         "3a, 5e, 5e, 5e, 5e, , , , , , , , , , , , , , , , 5e,"
         "5e, , , , , , , , , , , , , , , , 5e, 5e, 5e",
         {"wrote track 1: 41 7F 01 (custom 7-bit, 210 BPI)",
          "wrote track 2: 3F (custom 6-bit, 210 BPI)",
          "card written: track 1 41 7F 01 (custom 7-bit, 210 BPI), track 2 3F (custom 6-bit, "
          "210 BPI), track 3 blank"},
         "{7@210}41 7F 01|{6@210}3F|+");
    flow("KVT-380A Non-ISO write: T1 text on track 3, T2 on track 1", K, "+|+|+",
         "7f, 3b3131, 3b3230, 3b3331, 6132, 3132 04, 6331, 41424304, 40, swipe",
         "3a, 5e, 5e, 5e, 5e, 5e, 5e, 5e, 5e, 5e",
         {R"(wrote track 1: "12" (5-bit T2, 210 BPI))",
          R"(wrote track 3: "ABC" (7-bit T1, 210 BPI))",
          R"(card written: track 1 "12" (5-bit T2, 210 BPI), track 2 blank, track 3 "ABC" )"
          R"((7-bit T1, 210 BPI))"},
         "{t2@210}12|+|{t1@210}ABC");

    flow("LRQ118 copy: read with ESC r, ESC a, then write", L, "SRC|123|+",
         "1b61, 1b5a 3d 16 3d, 1b6a d2 4b d2, 1b72, swipe, 1b61, card OLD|999|777,"
         "1b77 1b73 1b01 535243 1b02 313233 1b03 3f 1c, swipe",
         ", 1b30, 1b30, , 1b73 1b01 255352433f 1b02 3b3132333f 1b03 3b2b3f 1c 1b30, , , , 1b30",
         {R"(card read: track 1 "SRC", track 2 "123", track 3 blank)", R"(wrote track 1: "SRC")",
          R"(wrote track 2: "123")",
          R"(card written: track 1 "SRC", track 2 "123", track 3 "777")"},
         "SRC|123|777");
    flow("KVT-380A copy: P, swipe, Q R S, then A B and the at sign", K, "SRC|123|+",
         "7f, 4c, 50, swipe, 51, 52, 53, card OLD|999|777, 41, 53524304, 42, 31323304, 40, swipe,"
         "4c, 7f",
         "3a, 5e, 5e, 5e, 535243, 313233, 2b, , 5e, 5e, 5e, 5e, 5e, 5e, 5e, 3a",
         {R"(card read: track 1 "SRC", track 2 "123", track 3 blank)", R"(wrote track 1: "SRC")",
          R"(wrote track 2: "123")",
          R"(card written: track 1 "SRC", track 2 "123", track 3 "777")"},
         "SRC|123|777");
    flow("LRQ118 erase of tracks 1 and 3", L, "A|1|2", "1b61, 1b84, 1b6305, swipe, 1b61",
         ", , , 1b30, ", {"card erased: tracks 1, 3"}, "+|1|+");
    flow("KVT-380A erase of tracks 1 and 3, then the next card", K, "A|1|2",
         "7f, 28, 5a, 5c, 5d, swipe, 4c, 6c, 28, 5b, 5d, swipe, 7f",
         "3a, 5e, 5e, 5e, 5e, 5e, 5e, 5e, 5e, 5e, 5e, 5e, 3a",
         {"card erased: tracks 1, 3", "card erased: track 2"}, "+|+|+");
}

void TestModelFlows::flows() {
    QFETCH(CommandSet, set);
    QFETCH(QByteArray, card);
    QFETCH(QByteArrayList, script);
    QFETCH(QByteArrayList, replies);
    QFETCH(QStringList, events);
    QFETCH(QByteArray, after);

    EncoderModel model(set);
    QStringList said;
    model.setEventSink([&said](const QString &line) {
        static const QRegularExpression told(QStringLiteral("^(wrote|card) "));
        if (told.match(line).hasMatch())
            said << line;
    });
    const QList<QByteArray> tracks = card.split('|');
    model.insertCard(Card::fromTexts(tracks[0], tracks[1], tracks[2]));
    EncoderModel::Duration now = 1h;
    QByteArrayList answered;
    for (const QByteArray &step : script) {
        const QList<QByteArray> other = step.mid(5).split('|');
        if (step == "swipe")
            model.swipe(now);
        else if (step.startsWith("card "))
            model.insertCard(Card::fromTexts(other[0], other[1], other[2]));
        else
            model.receive(QByteArray::fromHex(step), now);
        now += StepPause;
        answered << model.takeOutput(now).toHex(' ');
    }
    QByteArrayList expected;
    for (const QByteArray &reply : replies)
        expected << hexOf(reply);
    QCOMPARE(answered, expected);
    QCOMPARE(said, events);
    QCOMPARE(notation(model.card()), after);
}

QTEST_APPLESS_MAIN(TestModelFlows)
#include "tst_modelflows.moc"
