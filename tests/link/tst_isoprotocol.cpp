#include "FakeTime.h"
#include "ScriptedPort.h"

#include "app/MainModule.h"
#include "link/IsoProtocol.h"
#include "link/Waiter.h"

#include <QTest>

#include <functional>

using namespace std::chrono_literals;
using Options = IsoProtocol::Options;

Q_DECLARE_METATYPE(Options)
Q_DECLARE_METATYPE(SwipeResult)
Q_DECLARE_METATYPE(QList<QByteArray>)

namespace {

const QByteArray Ok = QByteArray::fromHex("1b30");
const QByteArray EscA = QByteArray::fromHex("1b61");
// ESC s ESC 01 %ABC? ESC 02 ;123? ESC 03 ;+? FS ESC 0
const QByteArray GoldenRead =
    QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1b30");
constexpr Duration Tick = 1ms;

class PromptSpy final : public SwipePrompt {
public:
    explicit PromptSpy(FakeClock &clock) : clock_(clock) {}
    void showSwipePrompt(bool shown) override {
        history << shown;
        if (!shown)
            return;
        if (!shownAt)
            shownAt = clock_.now();
        if (onShown)
            onShown();
    }
    bool takeSkipRequest() override { return std::exchange(skip, false); }
    void portFailed(const QString &why) override { failures << why; }

    QList<bool> history;
    std::optional<Duration> shownAt;
    // Runs each time the prompt is switched on.
    std::function<void()> onShown;
    bool skip = false;
    QStringList failures;

private:
    FakeClock &clock_;
};

// One protocol object over a scripted, open port and a fake clock.
struct Rig {
    Rig(const Options &options, bool kvt) : protocol(state, port, waiter, prompt, options) {
        state.EmulationMode = kvt ? "KVT-380A" : "LRQ118";
        state.CommPort = "3";
        state.CommSettings = "9600,o,7,1";
        state.Track1Data = "old1";
        state.Track2Data = "old2";
        state.Track3Data = "old3";
        port.open();
        start = clock.now();
    }
    [[nodiscard]] Duration elapsed() const { return clock.now() - start; }
    // Sets CancelRequested (and closes the port, as the window's closing step does) after
    // delay; returns where the time of that will be noted.
    std::shared_ptr<Duration> cancelAfter(Duration delay, bool closePort = false) {
        auto at = std::make_shared<Duration>(Duration::max());
        pump.after(delay, [this, at, closePort] {
            *at = clock.now();
            state.CancelRequested = true;
            if (closePort)
                port.close();
        });
        return at;
    }
    [[nodiscard]] QList<QByteArray> tracks() const {
        return {state.Track1Data, state.Track2Data, state.Track3Data};
    }

    MainModule state;
    FakeClock clock;
    FakePump pump{clock, Tick};
    ScriptedPort port{clock};
    Waiter waiter{state, clock, pump};
    PromptSpy prompt{clock};
    IsoProtocol protocol;
    Duration start{};
};

// Runs action once, the first time the prompt shows after something was sent.
std::function<void()> onceAfterSend(Rig &rig, std::function<void()> action) {
    auto armed = std::make_shared<bool>(true);
    return [&rig, armed, action] {
        if (*armed && !rig.port.sends().isEmpty()) {
            *armed = false;
            action();
        }
    };
}

QList<QByteArray> bytes(std::initializer_list<const char *> hex) {
    QList<QByteArray> list;
    for (const char *h : hex)
        list << QByteArray::fromHex(h);
    return list;
}

} // namespace

class TestIsoProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readLrq118_data();
    void readLrq118();
    void readLrq118Settle_data();
    void readLrq118Settle();
    void copyReadEndsWithResetAndClosedPort();
    void readKvt380a_data();
    void readKvt380a();
    void collectedReadKvt380a_data();
    void collectedReadKvt380a();
    void collectUntilSilence_data();
    void collectUntilSilence();
    void writeLrq118_data();
    void writeLrq118();
    void writeKvt380a_data();
    void writeKvt380a();
    void writeCancelAndSkip_data();
    void writeCancelAndSkip();
    void erase_data();
    void erase();
    void sendAndWait_data();
    void sendAndWait();
    void errorIndicator_data();
    void errorIndicator();
    void readyIndicators_data();
    void readyIndicators();
    void handshakeSteps_data();
    void handshakeSteps();
    void prepareWrite_data();
    void prepareWrite();
    void closingFrames_data();
    void closingFrames();
    void cancel_data();
    void cancel();
};

void TestIsoProtocol::readLrq118_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<SwipeResult>("result");
    QTest::addColumn<QList<QByteArray>>("tracks");
    QTest::newRow("three tracks") << GoldenRead << SwipeResult::Done
                                  << QList<QByteArray>{"ABC", "123", "+"};
    // ESC s ESC 01 %ABC? ESC 02 ;+ ESC 03 ;456? FS ESC 0
    QTest::newRow("blank track 2")
        << QByteArray::fromHex("1b731b01254142433f1b023b2b1b033b3435363f1c1b30")
        << SwipeResult::Done << QList<QByteArray>{"ABC", "+", "456"};
    QTest::newRow("last two characters not ESC 0")
        << QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1b31")
        << SwipeResult::Failed << QList<QByteArray>{"old1", "old2", "old3"};
    QTest::newRow("no track 3 marker")
        << QByteArray::fromHex("1b731b01254142433f1b023b3132333f1c1b30") << SwipeResult::Failed
        << QList<QByteArray>{"old1", "old2", "old3"};
}

void TestIsoProtocol::readLrq118() {
    QFETCH(QByteArray, reply);
    Rig rig(IsoProtocol::forReadWindow(), false);
    rig.port.onSend(QByteArray::fromHex("1b72"), reply, 100ms);
    QTEST(rig.protocol.ReadTracks(), "result");
    QCOMPARE(rig.port.sends(), bytes({"1b72"}));
    QTEST(rig.tracks(), "tracks");
    QCOMPARE(rig.prompt.history, (QList<bool>{true, false}));
}

void TestIsoProtocol::readLrq118Settle_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<Duration>("restAfter");
    QTest::addColumn<SwipeResult>("result");
    QTest::newRow("read: rest within 1 s")
        << IsoProtocol::forReadWindow() << Duration(950ms) << SwipeResult::Done;
    QTest::newRow("read: rest after 1 s")
        << IsoProtocol::forReadWindow() << Duration(1050ms) << SwipeResult::Failed;
    QTest::newRow("copy: rest within 0.5 s")
        << IsoProtocol::forCopyWindow() << Duration(450ms) << SwipeResult::Done;
    QTest::newRow("copy: rest after 0.5 s")
        << IsoProtocol::forCopyWindow() << Duration(550ms) << SwipeResult::Failed;
}

void TestIsoProtocol::readLrq118Settle() {
    QFETCH(Options, options);
    QFETCH(Duration, restAfter);
    Rig rig(options, false);
    rig.prompt.onShown = onceAfterSend(rig, [&] {
        rig.port.arrive(GoldenRead.left(6), 100ms);
        rig.port.arrive(GoldenRead.mid(6), 100ms + restAfter);
    });
    QTEST(rig.protocol.ReadTracks(), "result");
    // The settle does not yield: only the wait for the first byte and the copy pause do.
    QVERIFY(rig.pump.yields() < 700);
    QVERIFY(rig.pump.idles() > 0);
}

void TestIsoProtocol::copyReadEndsWithResetAndClosedPort() {
    Rig rig(IsoProtocol::forCopyWindow(), false);
    rig.port.close();
    rig.port.onSend(QByteArray::fromHex("1b72"), GoldenRead, 100ms);
    QCOMPARE(rig.protocol.ReadTracks(), SwipeResult::Done);
    QCOMPARE(rig.port.sends(), bytes({"1b72", "1b61"}));
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.port.opens(), 2);
    QCOMPARE(rig.port.commPort(), 3);
    QVERIFY(rig.elapsed() > IsoProtocol::CopyReadPause + IsoProtocol::CopyReadSettle);
    QCOMPARE(rig.tracks(), (QList<QByteArray>{"ABC", "123", "+"}));
}

void TestIsoProtocol::readKvt380a_data() {
    QTest::addColumn<QByteArray>("answerToP");
    QTest::addColumn<bool>("swiped");
    QTest::addColumn<SwipeResult>("result");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::addColumn<QList<QByteArray>>("tracks");
    QTest::newRow("swipe, tracks as received")
        << QByteArray("^") << true << SwipeResult::Done << QList<QByteArray>{"P", "Q", "R", "S"}
        << QList<QByteArray>{"%ABC?", "+", "*"};
    QTest::newRow("two ^ to P") << QByteArray::fromHex("5e5e") << true << SwipeResult::NotDone
                                << QList<QByteArray>{"P"}
                                << QList<QByteArray>{"old1", "old2", "old3"};
    QTest::newRow("P unanswered") << QByteArray() << false << SwipeResult::Failed
                                  << QList<QByteArray>{"P"}
                                  << QList<QByteArray>{"old1", "old2", "old3"};
}

void TestIsoProtocol::readKvt380a() {
    QFETCH(QByteArray, answerToP);
    QFETCH(bool, swiped);
    Rig rig(IsoProtocol::forReadWindow(), true);
    if (!answerToP.isEmpty())
        rig.port.onSend("P", answerToP, 10ms);
    if (swiped)
        rig.port.arrive("^", 400ms);
    rig.port.onSend("Q", "%ABC?", 10ms);
    rig.port.onSend("R", "+", 10ms);
    rig.port.onSend("S", "*", 10ms);
    QTEST(rig.protocol.ReadTracks(), "result");
    QTEST(rig.port.sends(), "sent");
    QTEST(rig.tracks(), "tracks");
    QCOMPARE(rig.prompt.history.last(), false);
}

void TestIsoProtocol::collectedReadKvt380a_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<QByteArray>("track3");
    QTest::addColumn<SwipeResult>("result");
    QTest::newRow("copy") << IsoProtocol::forCopyWindow() << QByteArray("5") << SwipeResult::Done;
    QTest::newRow("save") << IsoProtocol::forSaveWindow() << QByteArray("5") << SwipeResult::Done;
    QTest::newRow("copy, all tracks failed")
        << IsoProtocol::forCopyWindow() << QByteArray("*") << SwipeResult::Failed;
    QTest::newRow("save, all tracks failed")
        << IsoProtocol::forSaveWindow() << QByteArray("*") << SwipeResult::Failed;
}

void TestIsoProtocol::collectedReadKvt380a() {
    QFETCH(Options, options);
    QFETCH(QByteArray, track3);
    const QByteArray other = track3 == "*" ? "*" : "7";
    Rig rig(options, true);
    rig.port.onSend("P", "^", 10ms);
    rig.prompt.onShown = onceAfterSend(rig, [&] { rig.port.arrive("^", 300ms); });
    rig.port.onSend("Q", other, 10ms);
    rig.port.onSend("R", other, 10ms);
    rig.port.onSend("S", track3, 10ms);
    QTEST(rig.protocol.ReadTracks(), "result");
    QCOMPARE(rig.port.sends(), (QList<QByteArray>{"P", "Q", "R", "S"}));
    QCOMPARE(rig.tracks(), (QList<QByteArray>{other, other, track3}));
    QCOMPARE(rig.state.ReplyDone, true);
}

void TestIsoProtocol::collectUntilSilence_data() {
    QTest::addColumn<bool>("cancellable");
    QTest::addColumn<Duration>("secondPiece");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("pieces within 0.3 s") << true << Duration(250ms) << false << QByteArray("ABC");
    QTest::newRow("silence ends it") << true << Duration(400ms) << false << QByteArray("AB");
    QTest::newRow("CollectReply ends on cancel")
        << true << Duration(250ms) << true << QByteArray("AB");
    QTest::newRow("SendAndCollect ignores cancel")
        << false << Duration(250ms) << true << QByteArray("ABC");
}

void TestIsoProtocol::collectUntilSilence() {
    QFETCH(bool, cancellable);
    QFETCH(Duration, secondPiece);
    QFETCH(bool, cancel);
    Rig rig(IsoProtocol::forCopyWindow(), true);
    rig.port.arrive("stale");
    rig.port.onSend("Q", "AB", 10ms);
    rig.port.arrive("C", secondPiece);
    if (cancel)
        rig.cancelAfter(100ms);
    const QByteArray reply =
        cancellable ? rig.protocol.CollectReply("Q") : rig.protocol.SendAndCollect("Q");
    QTEST(reply, "reply");
    QVERIFY(rig.state.ReplyDone);
}

void TestIsoProtocol::writeLrq118_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<QByteArray>("echo");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<SwipeResult>("result");
    QTest::addColumn<bool>("pauses");
    QTest::newRow("write") << IsoProtocol::forWriteWindow() << QByteArray() << Ok
                           << SwipeResult::Done << true;
    QTest::newRow("write, wrong answer") << IsoProtocol::forWriteWindow() << QByteArray()
                                         << QByteArray("\x1b"
                                                       "1")
                                         << SwipeResult::Failed << true;
    QTest::newRow("write flushes the echo")
        << IsoProtocol::forWriteWindow() << QByteArray("x") << Ok << SwipeResult::Done << true;
    QTest::newRow("incremental does not flush")
        << IsoProtocol::forIncrementalWindow() << QByteArray("x") << Ok << SwipeResult::Failed
        << true;
    QTest::newRow("file: no pause, no flush")
        << IsoProtocol::forEncodeFromFileWindow() << QByteArray("x") << Ok << SwipeResult::Failed
        << false;
    QTest::newRow("file") << IsoProtocol::forEncodeFromFileWindow() << QByteArray() << Ok
                          << SwipeResult::Done << false;
}

void TestIsoProtocol::writeLrq118() {
    QFETCH(Options, options);
    QFETCH(QByteArray, echo);
    QFETCH(QByteArray, answer);
    QFETCH(bool, pauses);
    Rig rig(options, false);
    rig.port.close();
    // ESC w ESC s ESC 01 ESC 02 1234 ESC 03 ? FS
    const QByteArray frame = QByteArray::fromHex("1b771b731b011b02313233341b033f1c");
    rig.port.onSend(frame, echo);
    rig.prompt.onShown = [&] {
        rig.port.arrive(answer, 200ms);
    };
    QTEST(rig.protocol.WriteTracks("*", "1234", ""), "result");
    QCOMPARE(rig.port.sends(), QList<QByteArray>{frame});
    QVERIFY(rig.port.isOpen());
    QCOMPARE(*rig.prompt.shownAt - rig.start > IsoProtocol::WritePause, pauses);
    QCOMPARE(rig.prompt.history.last(), false);
}

void TestIsoProtocol::writeKvt380a_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<QByteArray>("answerToC");
    QTest::addColumn<QByteArray>("final");
    QTest::addColumn<SwipeResult>("result");
    QTest::addColumn<QList<QByteArray>>("sent");
    const QList<QByteArray> all{"C", QByteArray("XYZ\x04"), "@"};
    QTest::newRow("only track 3") << IsoProtocol::forWriteWindow() << QByteArray("^")
                                  << QByteArray("^") << SwipeResult::Done << all;
    QTest::newRow("first character decides") << IsoProtocol::forWriteWindow() << QByteArray("^x")
                                             << QByteArray("^x") << SwipeResult::Done << all;
    QTest::newRow("not acknowledged")
        << IsoProtocol::forWriteWindow() << QByteArray("X") << QByteArray("^")
        << SwipeResult::NotDone << QList<QByteArray>{"C"};
    QTest::newRow("wrong final answer") << IsoProtocol::forWriteWindow() << QByteArray("^")
                                        << QByteArray("X") << SwipeResult::Failed << all;
    QTest::newRow("file: command needs exactly ^")
        << IsoProtocol::forEncodeFromFileWindow() << QByteArray("^x") << QByteArray("^")
        << SwipeResult::NotDone << QList<QByteArray>{"C"};
    QTest::newRow("file: final needs exactly ^")
        << IsoProtocol::forEncodeFromFileWindow() << QByteArray("^") << QByteArray("^x")
        << SwipeResult::Failed << all;
}

void TestIsoProtocol::writeKvt380a() {
    QFETCH(Options, options);
    QFETCH(QByteArray, answerToC);
    QFETCH(QByteArray, final);
    Rig rig(options, true);
    rig.port.onSend("C", answerToC, 5ms);
    rig.port.onSend(QByteArray("XYZ\x04"), "^", 5ms);
    rig.port.onSend("@", "^", 5ms);
    rig.prompt.onShown = [&] {
        rig.port.arrive(final, 300ms);
    };
    QTEST(rig.protocol.WriteTracks("", "+", "XYZ"), "result");
    QTEST(rig.port.sends(), "sent");
}

void TestIsoProtocol::writeCancelAndSkip_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<bool>("kvt");
    QTest::addColumn<bool>("skip");
    QTest::addColumn<SwipeResult>("result");
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<int>("ticks");
    const Options write = IsoProtocol::forWriteWindow();
    const Options file = IsoProtocol::forEncodeFromFileWindow();
    QTest::newRow("LRQ118 cancel reopens, resets, closes")
        << write << false << false << SwipeResult::Failed << EscA << false << 1;
    QTest::newRow("KVT-380A cancel sends l")
        << write << true << false << SwipeResult::Failed << QByteArray("l") << true << 2;
    QTest::newRow("file, LRQ118 skip")
        << file << false << true << SwipeResult::Skipped << EscA << false << 1;
    QTest::newRow("file, KVT-380A skip")
        << file << true << true << SwipeResult::Skipped << EscA << false << 1;
    QTest::newRow("file, LRQ118 cancel skips")
        << file << false << false << SwipeResult::Skipped << EscA << false << 1;
    QTest::newRow("file, KVT-380A cancel sends DEL")
        << file << true << false << SwipeResult::Failed << QByteArray::fromHex("7f") << true << 2;
}

void TestIsoProtocol::writeCancelAndSkip() {
    QFETCH(Options, options);
    QFETCH(bool, kvt);
    QFETCH(bool, skip);
    QFETCH(int, ticks);
    Rig rig(options, kvt);
    rig.port.onSend("A", "^", 5ms);
    rig.port.onSend(QByteArray("9\x04"), "^", 5ms);
    rig.port.onSend("@", "^", 5ms);
    auto at = std::make_shared<Duration>();
    rig.prompt.onShown = [&] {
        rig.pump.after(50ms, [&, at] {
            *at = rig.clock.now();
            if (skip) {
                rig.prompt.skip = true;
            } else {
                rig.state.CancelRequested = true;
                // As the write window's closing step does; in KVT-380A mode the port stays
                // open here so that the l is seen.
                if (!kvt)
                    rig.port.close();
            }
        });
    };
    QTEST(rig.protocol.WriteTracks("9", "", ""), "result");
    QTEST(rig.port.sends().last(), "last");
    QTEST(rig.port.isOpen(), "portOpen");
    QCOMPARE(rig.clock.now() - *at, ticks * Tick);
    QVERIFY(!rig.prompt.skip);
    QCOMPARE(rig.prompt.history.last(), false);
}

void TestIsoProtocol::erase_data() {
    QTest::addColumn<bool>("kvt");
    QTest::addColumn<QByteArray>("answerToTrack3");
    QTest::addColumn<SwipeResult>("result");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::newRow("LRQ118 mask 5")
        << false << QByteArray() << SwipeResult::Done << bytes({"1b6305"});
    QTest::newRow("KVT-380A mask 5")
        << true << QByteArray("^") << SwipeResult::Done << QList<QByteArray>{"Z", "\\", "]"};
    QTest::newRow("KVT-380A track 3 refused")
        << true << QByteArray("^x") << SwipeResult::NotDone << QList<QByteArray>{"Z", "\\"};
}

void TestIsoProtocol::erase() {
    QFETCH(bool, kvt);
    QFETCH(QByteArray, answerToTrack3);
    Rig rig(IsoProtocol::forEraseWindow(), kvt);
    rig.port.onSend("Z", "^", 5ms);
    rig.port.onSend("\\", answerToTrack3, 5ms);
    rig.port.onSend("]", "^", 5ms);
    rig.prompt.onShown = [&] {
        rig.port.arrive(kvt ? QByteArray("^") : Ok, 300ms);
    };
    QTEST(rig.protocol.EraseTracks(5), "result");
    QTEST(rig.port.sends(), "sent");
}

void TestIsoProtocol::sendAndWait_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("yields");
    QTest::newRow("write window") << IsoProtocol::forWriteWindow() << true << true
                                  << QByteArray("^") << true;
    QTest::newRow("erase window does not yield")
        << IsoProtocol::forEraseWindow() << true << true << QByteArray("^") << false;
    QTest::newRow("erase window gives up on silence")
        << IsoProtocol::forEraseWindow() << true << false << QByteArray("ERR") << false;
    QTest::newRow("file window settles")
        << IsoProtocol::forEncodeFromFileWindow() << true << true << QByteArray("^+") << true;
    QTest::newRow("file window opens the port")
        << IsoProtocol::forEncodeFromFileWindow() << false << true << QByteArray("^+") << true;
    QTest::newRow("write window, closed port")
        << IsoProtocol::forWriteWindow() << false << false << QByteArray("ERR") << true;
}

void TestIsoProtocol::sendAndWait() {
    QFETCH(Options, options);
    QFETCH(bool, portOpen);
    QFETCH(bool, answered);
    QFETCH(bool, yields);
    Rig rig(options, true);
    if (!portOpen)
        rig.port.close();
    rig.port.arrive("stale");
    if (answered) {
        rig.port.onSend("L", "^", 20ms);
        rig.port.arrive("+", 80ms);
    } else if (yields) {
        rig.cancelAfter(100ms);
    }
    QTEST(rig.protocol.SendAndWait("L"), "reply");
    QCOMPARE(rig.pump.yields() > 0, yields);
    if (!yields && !answered)
        QVERIFY(rig.elapsed() > IsoProtocol::UnyieldingReplyLimit);
}

void TestIsoProtocol::errorIndicator_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<bool>("kvt");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::addColumn<bool>("replyDone");
    QTest::addColumn<int>("yields");
    const Options read = IsoProtocol::forReadWindow();
    QTest::newRow("LRQ118 on") << read << false << true << true << bytes({"1b85"}) << false << 0;
    QTest::newRow("LRQ118 off") << read << false << false << true << bytes({"1b81"}) << false << 0;
    QTest::newRow("KVT-380A on") << read << true << true << true << QList<QByteArray>{"M"} << false
                                 << 1;
    QTest::newRow("KVT-380A off") << read << true << false << true << QList<QByteArray>{"m"}
                                  << false << 1;
    QTest::newRow("erase: no yield first") << IsoProtocol::forEraseWindow() << true << true << true
                                           << QList<QByteArray>{"M"} << false << 0;
    QTest::newRow("LRQ118, closed port")
        << read << false << true << false << QList<QByteArray>{} << false << 0;
    QTest::newRow("copy, LRQ118 opens the port")
        << IsoProtocol::forCopyWindow() << false << true << false << bytes({"1b85"}) << false << 0;
    QTest::newRow("file, KVT-380A opens the port")
        << IsoProtocol::forEncodeFromFileWindow() << true << true << false << QList<QByteArray>{"M"}
        << false << 1;
    // Unanswered: the reply wait runs its second, unless the copy window's flags end it.
    QTest::newRow("read, KVT-380A, ReplyDone")
        << read << true << true << true << QList<QByteArray>{"M"} << true << 1002;
    QTest::newRow("copy, KVT-380A, ReplyDone") << IsoProtocol::forCopyWindow() << true << true
                                               << true << QList<QByteArray>{"M"} << true << 2;
}

void TestIsoProtocol::errorIndicator() {
    QFETCH(Options, options);
    QFETCH(bool, kvt);
    QFETCH(bool, on);
    QFETCH(bool, portOpen);
    Rig rig(options, kvt);
    QFETCH(bool, replyDone);
    if (!portOpen)
        rig.port.close();
    rig.state.ReplyDone = replyDone;
    if (!replyDone)
        rig.port.onSend(on ? "M" : "m", "^");
    rig.protocol.SetErrorIndicator(on);
    QTEST(rig.port.sends(), "sent");
    QTEST(rig.pump.yields(), "yields");
    QCOMPARE(rig.port.inBufferCount(), 0);
}

void TestIsoProtocol::readyIndicators_data() {
    QTest::addColumn<bool>("kvt");
    QTest::addColumn<bool>("waitReady");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::addColumn<Duration>("atLeast");
    QTest::newRow("LRQ118 ready") << false << false << bytes({"1b83"}) << Duration(0);
    QTest::newRow("KVT-380A ready") << true << false << QList<QByteArray>{"L"} << Duration(10ms);
    QTest::newRow("LRQ118 WaitReady sends nothing")
        << false << true << QList<QByteArray>{} << Duration(0);
    QTest::newRow("KVT-380A WaitReady")
        << true << true << QList<QByteArray>{"L"} << Duration(210ms);
}

void TestIsoProtocol::readyIndicators() {
    QFETCH(bool, kvt);
    QFETCH(bool, waitReady);
    QFETCH(Duration, atLeast);
    Rig rig(IsoProtocol::forSaveWindow(), kvt);
    rig.port.onSend("L", "^", 10ms);
    if (waitReady)
        rig.protocol.WaitReady();
    else
        rig.protocol.SetReadyIndicator();
    QTEST(rig.port.sends(), "sent");
    QVERIFY(rig.elapsed() >= atLeast);
    QCOMPARE(rig.port.inBufferCount(), 0);
}

void TestIsoProtocol::handshakeSteps_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<bool>("kvt");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Duration>("delay");
    QTest::addColumn<QByteArray>("more");
    QTest::addColumn<bool>("ok");
    const Options read = IsoProtocol::forReadWindow();
    const Options incr = IsoProtocol::forIncrementalWindow();
    const QByteArray del = QByteArray::fromHex("7f");
    QTest::newRow("LRQ118 reset") << read << false << EscA << QByteArray() << Duration(0)
                                  << QByteArray() << true;
    QTest::newRow("reset answered :")
        << read << true << del << QByteArray(":") << Duration(50ms) << QByteArray() << true;
    QTest::newRow("reset unanswered")
        << read << true << del << QByteArray() << Duration(0) << QByteArray() << true;
    QTest::newRow("reset answered wrongly")
        << read << true << del << QByteArray("X") << Duration(1900ms) << QByteArray() << false;
    QTest::newRow("incremental reset waits 0.5 s only")
        << incr << true << del << QByteArray("X") << Duration(700ms) << QByteArray() << true;
    QTest::newRow("incremental reset settles 0.1 s")
        << incr << true << del << QByteArray(":") << Duration(50ms) << QByteArray("Z") << false;
    QTest::newRow("reset takes the first byte")
        << read << true << del << QByteArray(":") << Duration(50ms) << QByteArray("Z") << true;
    QTest::newRow("LRQ118 opening") << read << false << QByteArray::fromHex("1b84") << QByteArray()
                                    << Duration(0) << QByteArray() << true;
    QTest::newRow("opening L answered ^") << read << true << QByteArray("L") << QByteArray("^")
                                          << Duration(50ms) << QByteArray() << true;
    QTest::newRow("opening ( answered ^^")
        << IsoProtocol::forWriteWindow() << true << QByteArray("(") << QByteArray("^^")
        << Duration(50ms) << QByteArray() << false;
    QTest::newRow("opening unanswered") << IsoProtocol::forEraseWindow() << true << QByteArray("(")
                                        << QByteArray() << Duration(0) << QByteArray() << false;
}

void TestIsoProtocol::handshakeSteps() {
    QFETCH(Options, options);
    QFETCH(bool, kvt);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(Duration, delay);
    QFETCH(QByteArray, more);
    Rig rig(options, kvt);
    if (!reply.isEmpty())
        rig.port.onSend(command, reply, delay);
    if (!more.isEmpty())
        rig.port.arrive(more, delay + 50ms);
    const bool reset = command == EscA || command == QByteArray::fromHex("7f");
    const IsoProtocol::Opening kind =
        command == "L" ? IsoProtocol::Opening::Read : IsoProtocol::Opening::Write;
    QTEST(reset ? rig.protocol.ResetStep() : rig.protocol.OpeningCommand(kind), "ok");
    QCOMPARE(rig.port.sends(), QList<QByteArray>{command});
}

void TestIsoProtocol::prepareWrite_data() {
    QTest::addColumn<bool>("answered");
    QTest::addColumn<Duration>("from");
    QTest::addColumn<Duration>("to");
    QTest::newRow("answered at once") << true << Duration(300ms) << Duration(302ms);
    QTest::newRow("silent encoder is not waited for forever")
        << false << Duration(IsoProtocol::PrepareWriteReplyLimit)
        << Duration(IsoProtocol::PrepareWriteReplyLimit + 2ms);
}

void TestIsoProtocol::prepareWrite() {
    QFETCH(bool, answered);
    Rig rig(IsoProtocol::forWriteWindow(), false);
    rig.port.close();
    if (answered)
        rig.port.onSend(QByteArray::fromHex("1b6ad24bd2"), Ok, 20ms);
    rig.protocol.PrepareWrite();
    QCOMPARE(rig.port.sends(), bytes({"1b5a3d163d", "1b6ad24bd2"}));
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.pump.yields(), 0);
    QFETCH(Duration, from);
    QFETCH(Duration, to);
    QVERIFY(rig.elapsed() > from);
    QVERIFY(rig.elapsed() <= to);
}

void TestIsoProtocol::closingFrames_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<bool>("kvt");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QList<QByteArray>>("sent");
    const QList<QByteArray> del = bytes({"7f"});
    QTest::newRow("read, LRQ118") << IsoProtocol::forReadWindow() << false << true
                                  << bytes({"1b61", "1b81", "1b83"});
    QTest::newRow("read, KVT-380A") << IsoProtocol::forReadWindow() << true << true << del;
    QTest::newRow("write, LRQ118")
        << IsoProtocol::forWriteWindow() << false << true << QList<QByteArray>{};
    QTest::newRow("write, KVT-380A") << IsoProtocol::forWriteWindow() << true << true << del;
    QTest::newRow("incremental, KVT-380A")
        << IsoProtocol::forIncrementalWindow() << true << true << del;
    QTest::newRow("erase, LRQ118 reopens")
        << IsoProtocol::forEraseWindow() << false << false << bytes({"1b61"});
    QTest::newRow("erase, KVT-380A") << IsoProtocol::forEraseWindow() << true << true << del;
    QTest::newRow("copy, LRQ118") << IsoProtocol::forCopyWindow() << false << true
                                  << QList<QByteArray>{};
    QTest::newRow("copy, KVT-380A reopens") << IsoProtocol::forCopyWindow() << true << false << del;
    QTest::newRow("save, LRQ118") << IsoProtocol::forSaveWindow() << false << true
                                  << bytes({"1b61"});
    QTest::newRow("save, KVT-380A") << IsoProtocol::forSaveWindow() << true << true << del;
    QTest::newRow("file, LRQ118 sends DEL")
        << IsoProtocol::forEncodeFromFileWindow() << false << false << del;
}

void TestIsoProtocol::closingFrames() {
    QFETCH(Options, options);
    QFETCH(bool, kvt);
    QFETCH(bool, portOpen);
    Rig rig(options, kvt);
    if (!portOpen)
        rig.port.close();
    rig.state.CancelRequested = true;
    rig.protocol.SendClosingFrames();
    QTEST(rig.port.sends(), "sent");
    // Nothing answers: only the read window waits its 2 s, the others end promptly.
    QVERIFY(rig.elapsed() < 3s);
}

void TestIsoProtocol::cancel_data() {
    using Run = std::function<void(Rig &)>;
    QTest::addColumn<bool>("kvt");
    QTest::addColumn<Options>("options");
    QTest::addColumn<Run>("run");
    // -1: the wait is not cancellable and must end at its limit instead.
    QTest::addColumn<int>("ticksAfterCancel");
    // Cancellable: the time the procedure spends before its cancellable wait. Not
    // cancellable: the wait's limit.
    QTest::addColumn<Duration>("limit");
    const Options read = IsoProtocol::forReadWindow();
    const Options write = IsoProtocol::forWriteWindow();
    const auto swipe = [](Rig &r) {
        (void)r.protocol.ReadTracks();
    };
    QTest::newRow("LRQ118 read: first byte") << false << read << Run(swipe) << 0 << Duration{};
    QTest::newRow("KVT-380A read: answer to P") << true << read << Run(swipe) << 0 << Duration{};
    QTest::newRow("KVT-380A read: swipe") << true << read << Run([](Rig &r) {
        r.port.onSend("P", "^");
        (void)r.protocol.ReadTracks();
    }) << 0 << Duration{};
    QTest::newRow("KVT-380A read: after Q") << true << read << Run([](Rig &r) {
        r.port.onSend("P", "^");
        r.port.arrive("^", 20ms);
        (void)r.protocol.ReadTracks();
    }) << 0 << Duration{};
    QTest::newRow("copy KVT-380A read: swipe")
        << true << IsoProtocol::forCopyWindow() << Run([](Rig &r) {
               r.port.onSend("P", "^");
               (void)r.protocol.ReadTracks();
           })
        << 0 << Duration(IsoProtocol::CopyReadPause);
    QTest::newRow("SendAndWait") << true << write
                                 << Run([](Rig &r) { r.protocol.SendAndWait("L"); }) << 0
                                 << Duration{};
    QTest::newRow("CollectReply") << true << IsoProtocol::forCopyWindow()
                                  << Run([](Rig &r) { r.protocol.CollectReply("Q"); }) << 0
                                  << Duration{};
    // Cancel step: one yield before ESC a.
    QTest::newRow("LRQ118 write: final answer")
        << false << write << Run([](Rig &r) { (void)r.protocol.WriteTracks("1", "", ""); }) << 1
        << Duration(IsoProtocol::WritePause);
    // Cancel step: SendAndWait with l, which yields before sending and polls once.
    QTest::newRow("KVT-380A erase: final answer")
        << true << IsoProtocol::forEraseWindow() << Run([](Rig &r) {
               r.port.onSend("Z", "^");
               r.port.onSend("]", "^");
               (void)r.protocol.EraseTracks(1);
           })
        << 1 << Duration(IsoProtocol::EraseSettle);
    QTest::newRow("LRQ118 erase: final answer")
        << false << IsoProtocol::forEraseWindow()
        << Run([](Rig &r) { (void)r.protocol.EraseTracks(7); }) << 1
        << Duration(IsoProtocol::ErasePause + IsoProtocol::EraseSettle);

    QTest::newRow("reset reply") << true << read
                                 << Run([](Rig &r) { (void)r.protocol.ResetStep(); }) << -1
                                 << Duration(IsoProtocol::ResetReplyLimit);
    QTest::newRow("pause after reset")
        << true << read << Run([](Rig &r) { r.protocol.PauseAfterReset(); }) << -1
        << Duration(IsoProtocol::ResetPause);
    QTest::newRow("opening reply") << true << read << Run([](Rig &r) {
        (void)r.protocol.OpeningCommand(IsoProtocol::Opening::Read);
    }) << -1 << Duration(IsoProtocol::OpeningReplyLimit);
    QTest::newRow("indicator reply")
        << true << read << Run([](Rig &r) { r.protocol.SetErrorIndicator(true); }) << -1
        << Duration(IsoProtocol::IndicatorReplyLimit);
    QTest::newRow("LRQ118 read settle") << false << read << Run([](Rig &r) {
        r.port.arrive(GoldenRead.left(3), 10ms);
        (void)r.protocol.ReadTracks();
    }) << -1 << Duration(IsoProtocol::LrqReadSettle);
    QTest::newRow("PrepareWrite reply")
        << false << write << Run([](Rig &r) { r.protocol.PrepareWrite(); }) << -1
        << Duration(IsoProtocol::PrepareWriteReplyLimit);
    QTest::newRow("read closing reply")
        << false << read << Run([](Rig &r) { r.protocol.SendClosingFrames(); }) << -1
        << Duration(IsoProtocol::ReadClosingReplyLimit);
    QTest::newRow("SendAndCollect") << true << IsoProtocol::forSaveWindow()
                                    << Run([](Rig &r) { r.protocol.SendAndCollect("Q"); }) << -1
                                    << Duration(IsoProtocol::CollectSilence);
}

void TestIsoProtocol::cancel() {
    using Run = std::function<void(Rig &)>;
    QFETCH(bool, kvt);
    QFETCH(Options, options);
    QFETCH(Run, run);
    QFETCH(int, ticksAfterCancel);
    QFETCH(Duration, limit);
    Rig rig(options, kvt);
    const bool cancellable = ticksAfterCancel >= 0;
    const auto cancelAt = rig.cancelAfter(cancellable ? limit + 50ms : Duration(50ms));
    run(rig);
    QVERIFY(*cancelAt != Duration::max());
    if (cancellable) {
        QCOMPARE(rig.clock.now() - *cancelAt, ticksAfterCancel * Tick);
    } else {
        QVERIFY(rig.elapsed() > limit);
        QVERIFY(rig.elapsed() < limit + 60ms);
    }
}

QTEST_GUILESS_MAIN(TestIsoProtocol)
#include "tst_isoprotocol.moc"
