#include "NonIsoRig.h"

#include "link/NonIsoFrames.h"
#include "nonstd/nfrmSwipeWrite.h"

#include <QTest>

namespace Format = NonIsoFrames::Format;

namespace {

using Texts = std::array<QByteArray, 3>;

const QByteArray D210 = NonIsoFrames::Density::Bpi210;

// What the format, density and entry windows leave in the shared state for a write.
struct Write {
    NonIsoChoice choice;
    Texts data{}; // keyed text, or the custom values
};

const NonIsoChoice IsoStandard{true, {Format::StdT1, Format::StdT2, Format::StdT3}};
const NonIsoChoice Custom567{false, {Format::Custom5, Format::Custom6, Format::Custom7}};

const Write AbcOnTrack2{{true, {Format::StdT2, Format::StdT1, Format::StdT3}, {D210, D210, D210}},
                        {"", "ABC", ""}};
// Track 2 alone: 0B 3F at 75 BPI, 6 bits.
const Write Custom6OnTrack2{Custom567, {"", QByteArray::fromHex("0b3f"), ""}};

// How the encoder misbehaves before the window's first card.
enum class Fault { None, ResetAnsweredWrongly, Silent };

QStringList written(const QStringList &events) {
    return events.filter(QStringLiteral("wrote track"));
}

struct Rig : NonIsoRig<nfrmSwipeWrite> {
    Rig(Set set, const Write &write) : NonIsoRig(set, write.choice) {
        (write.choice.standard ? state.NonIsoKeyedText : state.NonIsoTrackText) = write.data;
        model().setAutoSwipe(300ms);
    }
};

} // namespace

Q_DECLARE_METATYPE(Write)
Q_DECLARE_METATYPE(Fault)

class TestNonIsoSwipeWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesUntilCancel_data();
    void writesUntilCancel();
    void failedWriteReported_data();
    void failedWriteReported();
    void endsWithoutWriting_data();
    void endsWithoutWriting();
};

void TestNonIsoSwipeWrite::writesUntilCancel_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<Write>("write");
    QTest::addColumn<QByteArray>("card");   // what goes out for each card, density first
    QTest::addColumn<QString>("wrote");     // what the encoder says it wrote on each card
    QTest::addColumn<QByteArray>("ending"); // the last sends, after Cancel
    // Cancel during the LRQ118 swipe wait: the write resets the encoder itself.
    QTest::newRow("LRQ118, ABC on track 2 in T1")
        << Set::Lrq118 << AbcOnTrack2
        << QByteArray("1b 6a d2 d2 d2 / 1b 5a 3d 3d 3d / "
                      "1b 57 1b 73 1b 01 1b 12 41 42 43 1b 03 3f 1c / 1b 83")
        << R"(wrote track 2: "ABC" (7-bit T1, 210 BPI))" << QByteArray("3f 1c / 1b 61");
    QTest::newRow("KVT-380A, ABC on track 2 in T1")
        << Set::Kvt380a << AbcOnTrack2
        << QByteArray("3b 31 31 / 3b 32 31 / 3b 33 31 / 62 31 / 41 42 43 04 / 40 / 6c")
        << R"(wrote track 2: "ABC" (7-bit T1, 210 BPI))" << QByteArray("7f");
    // The densities of all three tracks, the commands of track 2 only.
    QTest::newRow("KVT-380A custom, track 2 only")
        << Set::Kvt380a << Custom6OnTrack2
        << QByteArray("3b 31 31 / 3b 32 30 / 3b 33 31 / 46 36 / 00 / 00 / 00 / 00 / 00 / 00 / "
                      "0b 3f 04 / 40 / 6c")
        << "wrote track 2: 0B 3F (custom 6-bit, 75 BPI)" << QByteArray("7f");
}

// Two cards written, then Cancel while the third is awaited: the same data on each card,
// no error window, the port closed.
void TestNonIsoSwipeWrite::writesUntilCancel() {
    QFETCH(Set, set);
    QFETCH(Write, write);
    QFETCH(QByteArray, card);
    QFETCH(QString, wrote);
    QFETCH(QByteArray, ending);
    Rig rig(set, write);
    rig.cancelAtCard(3);
    rig.window->run();

    QCOMPARE(rig.shown, QStringList());
    QCOMPARE(rig.cardNumberShown(), "3");
    QCOMPARE(written(rig.port->events()), QStringList({wrote, wrote}));
    const QByteArray sent = wire(rig.port->sends());
    QCOMPARE(sent.count(card), 2);
    // The opening: LRQ118 its write opening alone, KVT-380A the reset.
    QVERIFY2(sent.startsWith(set == Set::Lrq118 ? "1b 84 / 1b 6a" : "7f / 3b 31"), sent);
    QVERIFY2(sent.endsWith(ending), sent);
    QVERIFY(!rig.port->isOpen());
}

void TestNonIsoSwipeWrite::failedWriteReported_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArray>("afterFailure"); // from the write's end to the next density
    QTest::newRow("LRQ118") << Set::Lrq118
                            << QByteArray("3f 1c / 1b 61 / 1b 85 / 1b 81 / 1b 83 / 1b 6a");
    // Ready off and the write opening before the indication, ready off again after it.
    QTest::newRow("KVT-380A") << Set::Kvt380a << QByteArray("40 / 6c / 28 / 4d / 6d / 6c / 3b 31");
}

// The encoder refuses the first card: the write error window, with the indication on, and
// the next card under the same number.
void TestNonIsoSwipeWrite::failedWriteReported() {
    QFETCH(Set, set);
    QFETCH(QByteArray, afterFailure);
    Rig rig(set, AbcOnTrack2);
    rig.model().failNextWrite();
    rig.cancelAtCard(2);
    rig.window->run();

    QCOMPARE(rig.shown, QStringList{"Non-ISO Write Swipe Error"});
    QCOMPARE(rig.errorLit, QList<bool>{true});
    QVERIFY(!rig.model().indicators().error);
    QCOMPARE(written(rig.port->events()).size(), 1);
    const QByteArray sent = wire(rig.port->sends());
    QVERIFY2(sent.contains(afterFailure), sent);
}

void TestNonIsoSwipeWrite::endsWithoutWriting_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<Write>("write");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("sent");
    const QByteArray resetOnly = "7f / 7f"; // the reset, then DEL on closing
    QTest::newRow("KVT-380A reset answered ^")
        << Set::Kvt380a << AbcOnTrack2 << Fault::ResetAnsweredWrongly << "Non-ISO Read Swipe Error"
        << resetOnly;
    // Reported once, and the window ends rather than freeze on every card.
    QTest::newRow("LRQ118 densities unanswered")
        << Set::Lrq118 << AbcOnTrack2 << Fault::Silent << "Non-ISO Write Swipe Error"
        << QByteArray("1b 84 / 1b 6a d2 d2 d2 / 1b 61 / 1b 85 / 1b 81");

    // Whatever put the data into the shared state, nothing that breaks a rule of its format
    // reaches the encoder: the data is checked again before every card. Which values break
    // a rule is the data rule's own table.
    const NonIsoChoice custom5{false, {Format::Custom5, Format::Custom5, Format::Custom5}};
    const auto customData = [&](const char *hex) {
        return Write{custom5, {"", "", QByteArray::fromHex(hex)}};
    };
    const QString five = "Non-ISO 5-Bit Data Format Error";
    const auto rule = [&](const char *name, const Write &write, const QString &message) {
        QTest::newRow(name) << Set::Kvt380a << write << Fault::None << message << resetOnly;
    };
    rule("value 4", customData("0104"), five);
    rule("107 values at 210 BPI", customData(QByteArray(107, '\x01').toHex().constData()),
         "Non-ISO Write");
    rule("the blank marker's value alone", {Custom567, {"", "+", ""}}, "Non-ISO Write");
    rule("standard: lower case in T1", {IsoStandard, {"abc", "", ""}},
         " 7-Bit Character (Std T1) Format Error");
    rule("standard: the unreadable marker alone", {IsoStandard, {"*", "", "1"}}, "Non-ISO Write");
    rule("standard: 28 characters in T1 at 75 BPI",
         {{true, {Format::StdT2, Format::StdT1, Format::StdT3}}, {"", QByteArray(28, 'A'), ""}},
         "Non-ISO Write");
}

// A message, and the window closes without a card written.
void TestNonIsoSwipeWrite::endsWithoutWriting() {
    QFETCH(Set, set);
    QFETCH(Write, write);
    QFETCH(Fault, fault);
    Rig rig(set, write);
    if (fault == Fault::ResetAnsweredWrongly)
        rig.model().answerWrongly(QByteArray::fromHex("7f"), "^");
    rig.model().setSilent(fault == Fault::Silent);
    // Should the window write after all, it is stopped rather than left running.
    rig.pump.after(10s, [&rig] { rig.window->findChild<QPushButton *>("Command1_0")->click(); });
    rig.window->run();

    QTEST(rig.shown.join(u'|'), "message");
    QTEST(wire(rig.port->sends()), "sent");
}

QTEST_MAIN(TestNonIsoSwipeWrite)
#include "tst_nonisoswipewrite.moc"
