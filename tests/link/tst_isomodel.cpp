#include "FakeTime.h"
#include "ModelPort.h"

#include "app/MainModule.h"
#include "link/IsoProtocol.h"
#include "link/Waiter.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

class NoPrompt final : public SwipePrompt {
public:
    void showSwipePrompt(bool) override {}
    void portFailed(const QString &why) override { failures << why; }
    QStringList failures;
};

} // namespace

// The procedures of both command sets against the virtual encoder: what one writes, the
// other reads back, and an erase blanks it.
class TestIsoModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writeReadErase_data();
    void writeReadErase();
};

void TestIsoModel::writeReadErase_data() {
    QTest::addColumn<bool>("kvt");
    QTest::newRow("LRQ118") << false;
    QTest::newRow("KVT-380A") << true;
}

void TestIsoModel::writeReadErase() {
    QFETCH(bool, kvt);
    MainModule state;
    state.EmulationMode = kvt ? "KVT-380A" : "LRQ118";
    state.CommPort = "1";
    state.CommSettings = "9600,o,7,1";
    FakeClock clock;
    FakePump pump(clock);
    Waiter waiter(state, clock, pump);
    ModelPort port(clock,
                   kvt ? EncoderModel::CommandSet::Kvt380a : EncoderModel::CommandSet::Lrq118);
    port.model().setAutoSwipe(200ms);
    NoPrompt prompt;
    IsoProtocol write(state, port, waiter, prompt, IsoProtocol::forWriteWindow());
    IsoProtocol read(state, port, waiter, prompt, IsoProtocol::forReadWindow());
    IsoProtocol erase(state, port, waiter, prompt, IsoProtocol::forEraseWindow());

    QVERIFY(write.openPort());
    write.discardInput();
    if (kvt) {
        QVERIFY(write.ResetStep());
        write.PauseAfterReset();
    }
    QVERIFY(write.OpeningCommand(IsoProtocol::Opening::Write));
    if (!kvt)
        write.PrepareWrite();
    QCOMPARE(write.WriteTracks("%B1234^KVT", "+", "0123456789"), SwipeResult::Done);

    if (kvt)
        read.SetReadyIndicator();
    QCOMPARE(read.ReadTracks(), SwipeResult::Done);
    QCOMPARE(state.Track1Data, QByteArray("%B1234^KVT"));
    QCOMPARE(state.Track2Data, QByteArray("+"));
    QCOMPARE(state.Track3Data, QByteArray("0123456789"));

    QCOMPARE(erase.EraseTracks(5), SwipeResult::Done);
    QCOMPARE(read.ReadTracks(), SwipeResult::Done);
    QCOMPARE(state.Track1Data, QByteArray("+"));
    QCOMPARE(state.Track3Data, QByteArray("+"));

    read.SetErrorIndicator(true);
    QVERIFY(port.model().indicators().error);
    read.SetErrorIndicator(false);
    QVERIFY(!port.model().indicators().error);
    QVERIFY(prompt.failures.isEmpty());
}

QTEST_GUILESS_MAIN(TestIsoModel)
#include "tst_isomodel.moc"
