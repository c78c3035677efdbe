#include "NonIsoRig.h"

#include "link/NonIsoFrames.h"
#include "nonstd/nfrmReadCard.h"

#include <QTest>

namespace Format = NonIsoFrames::Format;

namespace {

const NonIsoChoice IsoFormats{true, {Format::StdT1, Format::StdT2, Format::StdT3}};
const QString StandardCaption = "Non-ISO Read: Standard Format on Non-Standard Track (ASCII)";

} // namespace

class TestNonIsoRead : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsUntilCancel_data();
    void readsUntilCancel();
    void failedReadShowsReadError_data();
    void failedReadShowsReadError();
    void resetAnsweredWronglyEndsTheWindow();
};

void TestNonIsoRead::readsUntilCancel_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<NonIsoChoice>("choice");
    QTest::addColumn<QByteArrayList>("card"); // the deck's first card; the others are like it
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("tracks");
    const QString ascii = StandardCaption;
    QTest::newRow("LRQ118, ISO formats, track 2 blank")
        << Set::Lrq118 << IsoFormats << QByteArrayList{"ABC", "+", "9876"} << ascii
        << QStringList{"Track 1 Data (7-Bit Character)|ABC|3", "Track 2 Data (5-Bit Character)|+|0",
                       "Track 3 Data (5-Bit Character)|9876|4"};
    QTest::newRow("KVT-380A, T1 on track 3, T3 on track 1")
        << Set::Kvt380a << NonIsoChoice{true, {Format::StdT3, Format::StdT2, Format::StdT1}}
        << QByteArrayList{"{t3}12", "+", "{t1}XY Z"} << ascii
        << QStringList{"Track 1 Data (5-Bit Character)|12|2", "Track 2 Data (5-Bit Character)|+|0",
                       "Track 3 Data (7-Bit Character)|XY Z|4"};
    QTest::newRow("KVT-380A custom: blank, values, unreadable")
        << Set::Kvt380a << NonIsoChoice{false, {Format::Custom5, Format::Custom6, Format::Custom7}}
        << QByteArrayList{"+", "{6}01 02 03", "*"} << "Non-ISO Read: Custom Data Format (Hex)"
        << QStringList{"Track 1 Data (5-Bit Character)||0",
                       "Track 2 Data (6-Bit Character)|01 02 03 |3",
                       "Track 3 Data (7-Bit Character)|2A |1"};
}

// Three cards read, each shown in the result window; Cancel while the fourth is awaited
// shows no error window, sends the closing frames and closes the port.
void TestNonIsoRead::readsUntilCancel() {
    QFETCH(Set, set);
    QFETCH(NonIsoChoice, choice);
    QFETCH(QByteArrayList, card);
    QFETCH(QString, caption);
    QFETCH(QStringList, tracks);
    NonIsoRig<nfrmReadCard> rig(set, choice);
    // Later than the 0.5 s a standard KVT-380A read waits after the answer to P.
    rig.model().setAutoSwipe(800ms);
    const Card first = Card::fromTexts(card[0], card[1], card[2]);
    rig.model().setDeck({first, first, first});
    rig.cancelAtCard(4);
    rig.window->run();

    QCOMPARE(rig.shown, QStringList(3, caption));
    QCOMPARE(rig.tracks, QList<QStringList>(3, tracks));
    for (const ModalWatcher::Seen &seen : std::as_const(rig.watcher.seen))
        QCOMPARE(seen.focus, "Command1_0");
    QCOMPARE(rig.cardNumberShown(), "4");
    const QByteArray closing = set == Set::Lrq118 ? "1b 61 / 1b 81 / 1b 83" : "7f";
    QVERIFY(wire(rig.port->sends()).endsWith(closing));
    QVERIFY(!rig.port->isOpen());
}

void TestNonIsoRead::failedReadShowsReadError_data() {
    QTest::addColumn<Set>("set");
    QTest::newRow("LRQ118, bad reply") << Set::Lrq118;
    QTest::newRow("KVT-380A, P unanswered") << Set::Kvt380a;
}

// The error window shows with the error indication on, the card number stays, and the next
// card is read.
void TestNonIsoRead::failedReadShowsReadError() {
    QFETCH(Set, set);
    NonIsoRig<nfrmReadCard> rig(set, IsoFormats);
    rig.model().setAutoSwipe(800ms);
    rig.model().setDeck({Card::fromTexts("ONE", "1", "11")});
    if (set == Set::Kvt380a)
        rig.model().answerWrongly("P", {});
    else
        rig.model().failNextRead();
    rig.cancelAtCard(2);
    rig.window->run();

    QCOMPARE(rig.shown, (QStringList{"Non-ISO Read Swipe Error", StandardCaption}));
    QCOMPARE(rig.errorLit, (QList<bool>{true, false}));
    QVERIFY(!rig.model().indicators().error);
    QCOMPARE(rig.tracks[0][0], "Track 1 Data (7-Bit Character)|ONE|3");
}

void TestNonIsoRead::resetAnsweredWronglyEndsTheWindow() {
    NonIsoRig<nfrmReadCard> rig(Set::Kvt380a, IsoFormats);
    rig.model().answerWrongly(QByteArray::fromHex("7f"), "^");
    rig.window->run();

    QCOMPARE(rig.shown, QStringList{"Non-ISO Read Swipe Error"});
    // The reset, then the closing reset: nothing was read.
    QCOMPARE(wire(rig.port->sends()), "7f / 7f");
    QVERIFY(!rig.port->isOpen());
}

QTEST_MAIN(TestNonIsoRead)
#include "tst_nonisoread.moc"
