#include "SessionRig.h"

#include "app/MainModule.h"
#include "iso/cfrmCopyCard.h"
#include "iso/cfrmEncodeRF.h"
#include "iso/cfrmEncodeWF.h"
#include "iso/cfrmWriteIncr.h"
#include "iso/frmEraseCard.h"
#include "link/IsoProtocol.h"

#include <QTest>

#include <functional>

using namespace std::chrono_literals;

namespace {

enum Line { Lrq, Kvt, LrqClosed, KvtClosed };

// The procedure a row runs. The writes use the tracks "*", "1234", "" (LRQ118) or "", "+",
// "XYZ" (KVT-380A); the erase uses mask 5. CancelWrite and SkipWrite press Cancel or Skip
// once the write waits for its final answer; the InPause ones close the window 0.2 s in.
enum class Op {
    Read,
    Write,
    Erase,
    SendAndWait,
    CollectReply,
    SendAndCollect,
    Reset,
    OpenRead,
    OpenWrite,
    ErrorOn,
    ErrorOff,
    Ready,
    WaitReady,
    Prepare,
    CancelWrite,
    SkipWrite,
    CancelWriteInPause,
    CancelEraseInPause
};

// The procedures as each kind of window runs them.
struct Variant {
    IsoProtocol::Options iso{};
    ResetRule reset{};
};

const Variant ReadW{};
const Variant WriteW{};
const Variant CopyW{.iso = CopyProtocol};
const Variant EraseW{.iso = EraseProtocol};
const Variant IncrW{.iso = cfrmWriteIncr::Protocol, .reset = cfrmWriteIncr::OpeningReset};
const Variant SaveW{.iso = cfrmEncodeWF::Protocol};
const Variant FileW{.iso = cfrmEncodeRF::Protocol};

const QByteArray EscR = QByteArray::fromHex("1b72");
// ESC w ESC s ESC 01 ESC 02 1234 ESC 03 ? FS
const QByteArray LrqWrite = QByteArray::fromHex("1b771b731b011b02313233341b033f1c");
const QByteArrayList OldTracks{"old1", "old2", "old3"};

QByteArrayList bytes(std::initializer_list<const char *> hex) {
    QByteArrayList list;
    for (const char *h : hex)
        list << QByteArray::fromHex(h);
    return list;
}

QByteArray text(bool ok) {
    return ok ? "true" : "false";
}

QByteArray text(SwipeResult result) {
    return resultName(result);
}

// One protocol object over a scripted port and a fake clock.
struct Rig : SessionRig<ScriptedPort> {
    Rig(const Variant &variant, Line line)
        : SessionRig(line == Kvt || line == KvtClosed ? "KVT-380A" : "LRQ118",
                     line == Lrq || line == Kvt),
          reset(variant.reset), protocol(session, variant.iso) {
        state.Track1Data = OldTracks[0];
        state.Track2Data = OldTracks[1];
        state.Track3Data = OldTracks[2];
    }
    QByteArray run(Op op) {
        IsoProtocol &p = protocol;
        switch (op) {
        case Op::Read:
            return text(p.ReadTracks()) + ": " + state.Track1Data + "," + state.Track2Data + "," +
                   state.Track3Data;
        case Op::Write:
            return text(state.isKvt380a() ? p.WriteTracks("", "+", "XYZ")
                                          : p.WriteTracks("*", "1234", ""));
        case Op::Erase:
            return text(p.EraseTracks(5));
        case Op::SendAndWait:
            return p.SendAndWait("L");
        case Op::CollectReply:
            return session.collectUntilSilence("Q", false, Stop::OnCancel);
        case Op::SendAndCollect:
            return session.collectUntilSilence("Q", true, Stop::Never);
        case Op::Reset:
            return text(session.ResetStep(reset));
        case Op::OpenRead:
        case Op::OpenWrite:
            return text(session.OpeningCommand(op == Op::OpenRead ? "L" : "("));
        case Op::ErrorOn:
        case Op::ErrorOff:
            p.SetErrorIndicator(op == Op::ErrorOn);
            break;
        case Op::Ready:
            p.SetReadyIndicator();
            break;
        case Op::WaitReady:
            p.WaitReady();
            break;
        case Op::Prepare:
            p.PrepareWrite();
            break;
        case Op::CancelWrite:
        case Op::SkipWrite:
            pump.after(1s, [this, op] {
                if (op == Op::SkipWrite) {
                    prompt.skip = true;
                    return;
                }
                state.CancelRequested = true;
                // As the write window's closing step does; in KVT-380A mode the port stays open
                // so that the l is seen.
                if (!state.isKvt380a())
                    port.close();
            });
            return run(Op::Write);
        case Op::CancelWriteInPause:
        case Op::CancelEraseInPause:
            pump.after(200ms, [this] {
                state.CancelRequested = true;
                port.close();
            });
            return run(op == Op::CancelWriteInPause ? Op::Write : Op::Erase);
        }
        return {};
    }

    ResetRule reset{};
    IsoProtocol protocol;
};

// The final answer of a write comes 0.6 s from the start, when the write waits for it.
Replies kvtWrite(const QByteArray &answerToC, const QByteArray &final = {}) {
    return {{"C", answerToC, 5ms}, {"XYZ\x04", "^", 5ms}, {"@", "^", 5ms}, {"", final, 600ms}};
}

Replies kvtErase(const QByteArray &answerToTrack3, const QByteArray &final = {}) {
    return {{"Z", "^", 5ms}, {"\\", answerToTrack3, 5ms}, {"]", "^", 5ms}, {"", final, 500ms}};
}

// An LRQ118 read reply in two pieces, the rest `rest` after the first.
Replies inTwoPieces(Duration first, Duration rest) {
    return {{"", GoldenRead.left(6), first}, {"", GoldenRead.mid(6), first + rest}};
}

// yields < 0: not checked.
void exchange(const char *name, Line line, const Variant &window, const Replies &replies, Op op,
              const QByteArray &result, const QByteArrayList &sent, int yields = -1) {
    QTest::newRow(name) << line << window << replies << op << result << sent << yields;
}

// ticksAfterCancel < 0: the wait is not cancellable and must end once `time` (its limit) has
// passed. Otherwise `time` is what the procedure spends before its cancellable wait.
void waits(const char *name, Line line, const Variant &window, const Replies &replies, Op op,
           int ticksAfterCancel, Duration time = {}) {
    QTest::newRow(name) << line << window << replies << op << ticksAfterCancel << time;
}

} // namespace

Q_DECLARE_METATYPE(Variant)
Q_DECLARE_METATYPE(Replies)
Q_DECLARE_METATYPE(Line)
Q_DECLARE_METATYPE(Op)

class TestIsoProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exchanges_data();
    void exchanges();
    void waitsEndOnCancelOrLimit_data();
    void waitsEndOnCancelOrLimit();
    void lrqWriteBlockLeavesBlanksOut();
};

void TestIsoProtocol::exchanges_data() {
    QTest::addColumn<Line>("line");
    QTest::addColumn<Variant>("window");
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<Op>("op");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QByteArrayList>("sent");
    QTest::addColumn<int>("yields");
    using enum Op;
    const QByteArray old = ": old1,old2,old3";
    // Reading; a read reports its result and the three tracks.
    // LRQ118 read replies, given whole.
    const auto lrqRead = [](const char *name, const char *hex, const QByteArray &result) {
        const Replies reply = {{EscR, QByteArray::fromHex(hex), 100ms}};
        exchange(name, Lrq, ReadW, reply, Op::Read, result, {EscR});
    };
    // ESC s ESC 01 %ABC? ESC 02 ;123? ESC 03 ;+? FS ESC 0
    lrqRead("LRQ118 read", GoldenRead.toHex(), "Done: ABC,123,+");
    // ESC s ESC 01 %ABC? ESC 02 ;+ ESC 03 ;456? FS ESC 0
    lrqRead("blank track 2", "1b731b01254142433f1b023b2b1b033b3435363f1c1b30", "Done: ABC,+,456");
    lrqRead("last two not ESC 0", "1b731b01254142433f1b023b3132333f1b033b2b3f1c1b31",
            "Failed" + old);
    lrqRead("blank track 1", "1b731b01252b1b023b3132333f1b033b3435363f1c1b30", "Done: +,123,456");
    lrqRead("empty tracks", "1b731b01253f1b023b3f1b033b3f1c1b30", "Done: ,,");
    lrqRead("no ESC 02", "1b731b01254142433f1b033b2b3f1c1b30", "Failed" + old);
    lrqRead("no ESC 03", "1b731b01254142433f1b023b3132333f1c1b30", "Failed" + old);
    lrqRead("shorter than the prefix", "1b731b1b30", "Failed" + old);
    lrqRead("track 3 unended", "1b731b01254142433f1b023b3132333f1b033b37381c1b30", "Failed" + old);
    // "+" is blank only right before the next marker (track 3: before FS or the end).
    lrqRead("track 1 +AB", "1b731b01252b41423f1b023b3132333f1b033b3435363f1c1b30",
            "Done: +AB,123,456");
    lrqRead("track 2 +12", "1b731b01254142433f1b023b2b31323f1b033b3435363f1c1b30",
            "Done: ABC,+12,456");
    lrqRead("track 3 +45", "1b731b01254142433f1b023b3132333f1b033b2b34353f1c1b30",
            "Done: ABC,123,+45");
    lrqRead("blank track 3, FS", "1b731b01254142433f1b023b3132333f1b033b2b1c1b30",
            "Done: ABC,123,+");
    lrqRead("blank track 3, end", "1b731b01254142433f1b023b3132333f1b033b2b1b30",
            "Done: ABC,123,+");
    // The rest of the reply comes within the settle (1 s, copy 0.5 s) or is missed. The copy
    // read pauses 0.5 s first, opens the port and ends with ESC a and the port closed.
    const QByteArrayList copied = bytes({"1b72", "1b61"});
    exchange("read, rest within 1 s", Lrq, ReadW, inTwoPieces(100ms, 950ms), Read,
             "Done: ABC,123,+", {EscR});
    exchange("read, rest after 1 s", Lrq, ReadW, inTwoPieces(100ms, 1050ms), Read, "Failed" + old,
             {EscR});
    exchange("copy, rest within 0.5 s", LrqClosed, CopyW, inTwoPieces(600ms, 450ms), Read,
             "Done: ABC,123,+ (port closed)", copied);
    exchange("copy, rest after 0.5 s", LrqClosed, CopyW, inTwoPieces(600ms, 550ms), Read,
             "Failed" + old + " (port closed)", copied);
    Replies swipe = {{"P", "^", 10ms}, {"", "^", 400ms}, {"Q", "%ABC?", 10ms}};
    swipe << Reply{"R", "+", 10ms} << Reply{"S", "*", 10ms};
    const QByteArrayList pqrs = {"P", "Q", "R", "S"};
    exchange("KVT-380A read", Kvt, ReadW, swipe, Read, "Done: %ABC?,+,*", pqrs);
    exchange("KVT-380A read, ^^ to P", Kvt, ReadW, {{"P", "^^", 10ms}}, Read, "NotDone" + old,
             {"P"});
    exchange("KVT-380A read, P unanswered", Kvt, ReadW, {}, Read, "Failed" + old, {"P"});
    // The copy and save windows collect each track until the line is silent; a read in which
    // every track is "*" fails.
    const auto collected = [](const QByteArray &t) -> Replies {
        return {{"P", "^", 10ms}, {"", "^", 800ms}, {"Q", t, 10ms}, {"R", t, 10ms}, {"S", t}};
    };
    exchange("copy, KVT-380A read", Kvt, CopyW, collected("7"), Read, "Done: 7,7,7", pqrs);
    exchange("copy, KVT-380A read, all *", Kvt, CopyW, collected("*"), Read, "Failed: *,*,*", pqrs);
    exchange("save, KVT-380A read, all *", Kvt, SaveW, collected("*"), Read, "Failed: *,*,*", pqrs);
    // Writing; the LRQ118 write reopens the port that PrepareWrite closed.
    exchange("LRQ118 write", LrqClosed, WriteW, {{"", Ok, 800ms}}, Write, "Done", {LrqWrite});
    exchange("LRQ118 write, wrong", LrqClosed, WriteW, {{"", QByteArray::fromHex("1b31"), 800ms}},
             Write, "Failed", {LrqWrite});
    const Replies echo = {{LrqWrite, "x"}, {"", Ok, 800ms}};
    exchange("write flushes the echo", Lrq, WriteW, echo, Write, "Done", {LrqWrite});
    exchange("incremental does not flush", Lrq, IncrW, echo, Write, "Failed", {LrqWrite});
    exchange("file does not flush", Lrq, FileW, echo, Write, "Failed", {LrqWrite});
    const QByteArrayList track3 = {"C", "XYZ\x04", "@"};
    exchange("KVT-380A write, track 3", Kvt, WriteW, kvtWrite("^", "^"), Write, "Done", track3);
    exchange("KVT-380A write, ^ first", Kvt, WriteW, kvtWrite("^x", "^x"), Write, "Done", track3);
    exchange("KVT-380A write, refused", Kvt, WriteW, kvtWrite("X"), Write, "NotDone", {"C"});
    exchange("KVT-380A write, wrong final", Kvt, WriteW, kvtWrite("^", "X"), Write, "Failed",
             track3);
    exchange("file: command needs exactly ^", Kvt, FileW, kvtWrite("^x"), Write, "NotDone", {"C"});
    exchange("file: final exactly ^", Kvt, FileW, kvtWrite("^", "^x"), Write, "Failed", track3);
    // Cancel and Skip during the final wait.
    const QByteArray escA = QByteArray::fromHex("1b61");
    const QByteArray del = QByteArray::fromHex("7f");
    exchange("LRQ118 cancel: ESC a, closed", LrqClosed, WriteW, {}, CancelWrite,
             "Failed (port closed)", {LrqWrite, escA});
    exchange("KVT-380A cancel sends l", Kvt, WriteW, kvtWrite("^"), CancelWrite, "Failed",
             {"C", "XYZ\x04", "@", "l"});
    // Closed during the pause before the frame: nothing is written or erased.
    exchange("LRQ118 closed in the pause: ESC a only", LrqClosed, WriteW, {}, CancelWriteInPause,
             "Failed (port closed)", {escA});
    exchange("LRQ118 erase closed in the pause", LrqClosed, EraseW, {}, CancelEraseInPause,
             "Failed (port closed)", {});
    exchange("file, LRQ118 skip", LrqClosed, FileW, {}, SkipWrite, "Skipped (port closed)",
             {LrqWrite, escA});
    exchange("file, KVT-380A skip resets with DEL", Kvt, FileW, kvtWrite("^"), SkipWrite,
             "Skipped (port closed)", {"C", "XYZ\x04", "@", del});
    exchange("file, LRQ118 cancel", LrqClosed, FileW, {}, CancelWrite, "Skipped (port closed)",
             {LrqWrite, escA});
    exchange("file, KVT-380A cancel", Kvt, FileW, kvtWrite("^"), CancelWrite, "Failed",
             {"C", "XYZ\x04", "@", del});
    // Erasing.
    exchange("LRQ118 erase mask 5", Lrq, EraseW, {{"", Ok, 1s}}, Erase, "Done", bytes({"1b6305"}));
    exchange("KVT-380A erase 5", Kvt, EraseW, kvtErase("^", "^"), Erase, "Done", {"Z", "\\", "]"});
    exchange("KVT-380A erase, refused", Kvt, EraseW, kvtErase("^x"), Erase, "NotDone", {"Z", "\\"});
    // Handshake steps and PrepareWrite (which leaves the port closed and never yields).
    exchange("LRQ118 reset", Lrq, ReadW, {}, Reset, "true", {escA});
    exchange("reset answered :", Kvt, ReadW, {{del, ":", 50ms}}, Reset, "true", {del});
    exchange("reset unanswered", Kvt, ReadW, {}, Reset, "true", {del});
    exchange("reset answered wrongly", Kvt, ReadW, {{del, "X", 1900ms}}, Reset, "false", {del});
    exchange("incremental reset, 0.5 s", Kvt, IncrW, {{del, "X", 700ms}}, Reset, "true", {del});
    const Replies twoPieces = {{del, ":", 50ms}, {"", "Z", 100ms}};
    exchange("reset takes the first byte", Kvt, ReadW, twoPieces, Reset, "true", {del});
    exchange("incremental reset settles 0.1 s", Kvt, IncrW, twoPieces, Reset, "false", {del});
    exchange("LRQ118 opening", Lrq, ReadW, {}, OpenRead, "true", bytes({"1b84"}));
    exchange("opening L answered ^", Kvt, ReadW, {{"L", "^", 50ms}}, OpenRead, "true", {"L"});
    exchange("opening ( answered ^^", Kvt, WriteW, {{"(", "^^", 50ms}}, OpenWrite, "false", {"("});
    exchange("opening unanswered", Kvt, EraseW, {}, OpenWrite, "false", {"("});
    const QByteArray density = QByteArray::fromHex("1b6ad24bd2");
    exchange("PrepareWrite", LrqClosed, WriteW, {{density, Ok, 20ms}}, Prepare, " (port closed)",
             bytes({"1b5a3d163d", "1b6ad24bd2"}), 0);
    // Indicators.
    exchange("LRQ118 error off", Lrq, ReadW, {}, ErrorOff, "", bytes({"1b81"}), 0);
    exchange("KVT-380A error off", Kvt, ReadW, {{"m", "^"}}, ErrorOff, "", {"m"}, 1);
    exchange("erase: no yield before M", Kvt, EraseW, {{"M", "^"}}, ErrorOn, "", {"M"}, 0);
    exchange("copy: LRQ118 error opens the port", LrqClosed, CopyW, {}, ErrorOn, "",
             bytes({"1b85"}));
    exchange("file: KVT-380A error opens the port", KvtClosed, FileW, {{"M", "^"}}, ErrorOn, "",
             {"M"});
    exchange("LRQ118 ready", Lrq, SaveW, {}, Ready, "", bytes({"1b83"}));
    exchange("KVT-380A ready", Kvt, SaveW, {{"L", "^", 10ms}}, Ready, "", {"L"});
    exchange("LRQ118 WaitReady sends nothing", Lrq, SaveW, {}, WaitReady, "", {});
    exchange("KVT-380A WaitReady", Kvt, SaveW, {{"L", "^", 10ms}}, WaitReady, "", {"L"});
    // SendAndWait flushes, then takes what has arrived at the first byte (after a settle in
    // the file window); CollectReply and SendAndCollect take everything up to 0.3 s of silence.
    const Replies pieces = {{"", "stale"}, {"L", "^", 20ms}, {"", "+", 80ms}};
    exchange("SendAndWait", Kvt, WriteW, pieces, SendAndWait, "^", {"L"});
    exchange("SendAndWait, erase: no yield", Kvt, EraseW, pieces, SendAndWait, "^", {"L"}, 0);
    // A silent encoder is not waited for forever; a reply after 2 s comes too late.
    exchange("SendAndWait, erase: gives up", Kvt, EraseW, {{"", "^", 2100ms}}, SendAndWait, "ERR",
             {"L"});
    exchange("SendAndWait, file: opens the port, settles", KvtClosed, FileW, pieces, SendAndWait,
             "^+", {"L"});
    exchange("SendAndWait, closed port", KvtClosed, WriteW, pieces, SendAndWait,
             "ERR (port closed)", {});
    const Replies soon = {{"", "stale"}, {"Q", "AB", 10ms}, {"", "C", 250ms}};
    const Replies late = {{"", "stale"}, {"Q", "AB", 10ms}, {"", "C", 400ms}};
    exchange("CollectReply", Kvt, CopyW, soon, CollectReply, "ABC", {"Q"});
    exchange("CollectReply, silence ends it", Kvt, CopyW, late, CollectReply, "AB", {"Q"});
    exchange("SendAndCollect", Kvt, SaveW, soon, SendAndCollect, "ABC", {"Q"});
}

void TestIsoProtocol::exchanges() {
    QFETCH(Line, line);
    QFETCH(Variant, window);
    QFETCH(Replies, replies);
    QFETCH(Op, op);
    QFETCH(int, yields);
    Rig rig(window, line);
    script(rig.port, replies);
    // Waits without a limit that nothing answers end here, as the operator's Cancel would.
    rig.cancelAfter(5s);
    QByteArray result = rig.run(op);
    if (!rig.port.isOpen())
        result += " (port closed)";
    QTEST(result, "result");
    QTEST(rig.port.sends(), "sent");
    if (yields >= 0)
        QCOMPARE(rig.pump.yields(), yields);
    if (!rig.prompt.history.isEmpty())
        QCOMPARE(rig.prompt.history.last(), false);
    QCOMPARE(rig.port.inBufferCount(), 0);
}

void TestIsoProtocol::waitsEndOnCancelOrLimit_data() {
    QTest::addColumn<Line>("line");
    QTest::addColumn<Variant>("window");
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<Op>("op");
    QTest::addColumn<int>("ticksAfterCancel");
    QTest::addColumn<Duration>("time");
    using enum Op;
    using P = IsoProtocol;
    // A Cancel during a swipe wait ends it at the next poll.
    waits("LRQ118 read: first byte", Lrq, ReadW, {}, Read, 0);
    waits("KVT-380A read: swipe", Kvt, ReadW, {{"P", "^"}}, Read, 0);
    // After ^^ the read pauses before P goes again, and Cancel ends the pause.
    waits("KVT-380A read: pause after ^^", Kvt, ReadW, {{"P", "^^"}}, Read, 0);
    waits("copy, KVT-380A read: pause after ^^", Kvt, CopyW, {{"P", "^^"}}, Read, 0, CopyReadPause);
    // Cancel in the LRQ118 pause before the frame; the cancel step yields once before ESC a.
    waits("LRQ118 write: pause before the frame", Lrq, WriteW, {}, Write, 1);
    waits("LRQ118 erase: pause before the frame", Lrq, EraseW, {}, Erase, 1);
    // The cancel step's l goes through SendAndWait, which ends on the stop flag.
    waits("KVT-380A write: final answer", Kvt, WriteW, kvtWrite("^"), Write, 2);
    // A silent encoder holds neither the indication nor PrepareWrite.
    waits("indicator reply", Kvt, ReadW, {}, ErrorOn, -1, IndicatorReplyLimit);
    waits("PrepareWrite: silent", Lrq, WriteW, {}, Prepare, -1, P::PrepareWriteReplyLimit);
}

void TestIsoProtocol::waitsEndOnCancelOrLimit() {
    QFETCH(Line, line);
    QFETCH(Variant, window);
    QFETCH(Replies, replies);
    QFETCH(Op, op);
    QFETCH(int, ticksAfterCancel);
    QFETCH(Duration, time);
    Rig rig(window, line);
    script(rig.port, replies);
    const bool cancellable = ticksAfterCancel >= 0;
    const auto cancelAt = rig.cancelAfter(cancellable ? time + 50ms : Duration(50ms));
    rig.run(op);
    QVERIFY(*cancelAt != Duration::max());
    if (cancellable) {
        QCOMPARE(rig.clock.now() - *cancelAt, ticksAfterCancel * Rig::Tick);
    } else {
        QVERIFY(rig.clock.now() - rig.start > time);
        QVERIFY(rig.clock.now() - rig.start < time + 60ms);
    }
}

// "+" is not written either; the markers always stay.
void TestIsoProtocol::lrqWriteBlockLeavesBlanksOut() {
    QCOMPARE(IsoFrames::lrqWriteBlock({"AB", "+", "9"}),
             QByteArray::fromHex("1b731b0141421b021b03393f1c"));
}

QTEST_GUILESS_MAIN(TestIsoProtocol)
#include "tst_isoprotocol.moc"
