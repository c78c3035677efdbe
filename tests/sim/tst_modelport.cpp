#include "FakeTime.h"
#include "ModelPort.h"
#include "app/MainModule.h"
#include "link/IsoProtocol.h"
#include "link/Waiter.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;
using CommandSet = EncoderModel::CommandSet;

Q_DECLARE_METATYPE(CommandSet)

namespace {

class NoPrompt final : public SwipePrompt {
public:
    void showSwipePrompt(bool) override {}
    void portFailed(const QString &) override {}
};

} // namespace

class TestModelPort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void repliesArriveOnTheClock();
    void closedPortTakesAndKeepsNothing();
    void vanishing();
    void protocolRoundTrip_data();
    void protocolRoundTrip();
};

void TestModelPort::repliesArriveOnTheClock() {
    FakeClock clock;
    ModelPort port(clock, CommandSet::Lrq118);
    QVERIFY(port.open());
    port.model().answerInPieces(1, 10ms);
    port.output(QByteArray::fromHex("1b65"));
    QCOMPARE(port.inBufferCount(), 1);
    clock.advance(9ms);
    QCOMPARE(port.inBufferCount(), 1);
    clock.advance(1ms);
    QCOMPARE(port.input(), QByteArray::fromHex("1b79"));
    QCOMPARE(port.inBufferCount(), 0);
    QCOMPARE(port.sent(), QByteArray::fromHex("1b65"));

    port.model().answerInPieces(0, {});
    port.model().insertCard(Card::fromTexts("A", "+", "+"));
    port.output(QByteArray::fromHex("1b72"));
    QCOMPARE(port.inBufferCount(), 0);
    port.swipe();
    QCOMPARE(port.input().right(2), QByteArray::fromHex("1b30"));
    QVERIFY(port.events().contains("card read: track 1 \"A\", track 2 blank, track 3 blank"));
}

void TestModelPort::closedPortTakesAndKeepsNothing() {
    FakeClock clock;
    ModelPort port(clock, CommandSet::Kvt380a);
    port.output("\x7f");
    QVERIFY(port.sends().isEmpty());
    QVERIFY(port.open());
    port.output("P");
    port.close();
    port.swipe();
    QCOMPARE(port.input(), QByteArray());
    QVERIFY(port.open());
    QCOMPARE(port.inBufferCount(), 0);
    QCOMPARE(port.opens(), 2);
    QCOMPARE(port.closes(), 1);
}

void TestModelPort::vanishing() {
    FakeClock clock;
    ModelPort port(clock, CommandSet::Kvt380a);
    QSignalSpy lost(&port, &CommControl::connectionLost);
    QVERIFY(port.open());
    port.vanish();
    QVERIFY(!port.isOpen());
    QCOMPARE(lost.size(), 1);
    QVERIFY(!lost.first().first().toString().isEmpty());
    QVERIFY(!port.open());
    QVERIFY(!port.openError().isEmpty());
    port.plugIn();
    QVERIFY(port.open());
    port.output("\x7f");
    QCOMPARE(port.input(), QByteArray(":"));

    // The encoder may also vanish on its own while the port is open.
    port.model().vanish();
    QCOMPARE(port.inBufferCount(), 0);
    QVERIFY(!port.isOpen());
    QCOMPARE(lost.size(), 2);
}

void TestModelPort::protocolRoundTrip_data() {
    QTest::addColumn<CommandSet>("set");
    QTest::newRow("LRQ118") << CommandSet::Lrq118;
    QTest::newRow("KVT-380A") << CommandSet::Kvt380a;
}

// The program's own procedures, over the port, find on the card what they wrote.
void TestModelPort::protocolRoundTrip() {
    QFETCH(CommandSet, set);
    FakeClock clock;
    FakePump pump(clock);
    MainModule state;
    state.initialise();
    state.EmulationMode = set == CommandSet::Lrq118 ? "LRQ118" : "KVT-380A";
    Waiter waiter(state, clock, pump);
    NoPrompt prompt;
    ModelPort port(clock, set);
    port.model().setAutoSwipe(1500ms);
    QVERIFY(port.open());

    IsoProtocol writer(state, port, waiter, prompt, IsoProtocol::forWriteWindow());
    if (set == CommandSet::Lrq118)
        writer.PrepareWrite();
    QCOMPARE(writer.WriteTracks("%B4000 1234^TEST/CARD", "4000123412341234=2912", "+"),
             SwipeResult::Done);

    IsoProtocol reader(state, port, waiter, prompt, IsoProtocol::forReadWindow());
    QVERIFY(port.isOpen() || reader.openPort());
    QCOMPARE(reader.ReadTracks(), SwipeResult::Done);
    QCOMPARE(state.Track1Data, QByteArray("%B4000 1234^TEST/CARD"));
    QCOMPARE(state.Track2Data, QByteArray("4000123412341234=2912"));
    QCOMPARE(state.Track3Data, QByteArray("+"));

    IsoProtocol eraser(state, port, waiter, prompt, IsoProtocol::forEraseWindow());
    QVERIFY(port.isOpen() || eraser.openPort());
    QCOMPARE(eraser.EraseTracks(1), SwipeResult::Done);
    port.model().failNextRead();
    QCOMPARE(reader.ReadTracks(),
             set == CommandSet::Lrq118 ? SwipeResult::Failed : SwipeResult::Done);
    QCOMPARE(reader.ReadTracks(), SwipeResult::Done);
    QCOMPARE(state.Track1Data, QByteArray("+"));
    QCOMPARE(state.Track2Data, QByteArray("4000123412341234=2912"));
}

QTEST_GUILESS_MAIN(TestModelPort)
#include "tst_modelport.moc"
