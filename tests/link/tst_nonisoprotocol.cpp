#include "ModelPort.h"
#include "NonIsoChoice.h"
#include "SessionRig.h"

#include "link/NonIsoProtocol.h"
#include "nonstd/nfrmReadCard.h"
#include "nonstd/nfrmSwipeWrite.h"

#include <QTest>

using namespace std::chrono_literals;
using Set = EncoderModel::CommandSet;

namespace {

namespace Format = NonIsoFrames::Format;
const QByteArray D210 = NonIsoFrames::Density::Bpi210;
const QByteArray D75 = NonIsoFrames::Density::Bpi75;

enum Line { Lrq, Kvt };

// What a row runs. CancelRead presses Cancel 1.25 s from the start. The writes write the
// row's tracks; CancelWrite closes the window (both
// stop flags, port closed) once the write waits for its final answer, CancelEarly while
// the LRQ118 write pauses before its frame, AfterAttemptClosing during the pause after a
// write.
enum class Op {
    Read,
    CancelRead,
    Write,
    CancelWrite,
    CancelEarly,
    Prepare,
    PrepareAfterClosing,
    SendAndWait,
    ErrorOn,
    Ready,
    AfterFailed,
    AfterAttempt,
    AfterAttemptClosing,
    Closing
};

using Formats = NonIsoChoice;

const Formats IsoFormats{true, {Format::StdT1, Format::StdT2, Format::StdT3}};
const Formats T1T2T2{true, {Format::StdT1, Format::StdT2, Format::StdT2}};
const Formats T2T1T3{true, {Format::StdT2, Format::StdT1, Format::StdT3}};
const Formats Custom567{false, {Format::Custom5, Format::Custom6, Format::Custom7}};
const Formats Custom5At75{
    false, {Format::Custom5, Format::Custom5, Format::Custom5}, {D210, D75, D75}};

const NonIsoProtocol::Options ReadW = NonIsoReadProtocol;
const NonIsoProtocol::Options SwipeWriteW = NonIsoSwipeWriteProtocol;

const QByteArray ReadT1T2T2 = QByteArray::fromHex("1b52110203");
const QByteArray Del = QByteArray::fromHex("7f");
const QByteArray EscA = QByteArray::fromHex("1b61");
const NonIsoFrames::Tracks OldTracks{"old1", "old2", "old3"};

// A track as the operator reads it; raw values in hex.
QByteArray shown(const QByteArray &track) {
    for (const char c : track)
        if (c < ' ' || c > '~')
            return "[" + track.toHex(' ') + "]";
    return track;
}

// One hex group per send.
QByteArray wire(const QList<QByteArray> &sends) {
    QByteArrayList groups;
    for (const QByteArray &send : sends)
        groups << send.toHex(' ');
    return groups.join(" / ");
}

struct Rig : SessionRig<ScriptedPort> {
    Rig(Line line, const NonIsoProtocol::Options &options, const Formats &formats)
        : SessionRig(line == Kvt ? "KVT-380A" : "LRQ118", true), protocol(session, options) {
        formats.applyTo(state);
        session.storeTracks(OldTracks);
    }
    // As the write window's closing step leaves things.
    void closeWindowAfter(Duration delay) {
        pump.after(delay, [this] {
            state.CancelRequested = true;
            state.ReplyDone = true;
            port.close();
        });
    }
    QByteArray run(Op op, const NonIsoFrames::Tracks &tracks) {
        NonIsoProtocol &p = protocol;
        switch (op) {
        case Op::CancelRead:
            cancelAfter(1250ms);
            return run(Op::Read, tracks);
        case Op::Read: {
            const SwipeResult result = p.RawRead();
            return resultName(result) + ": " + shown(state.Track1Data) + "," +
                   shown(state.Track2Data) + "," + shown(state.Track3Data);
        }
        case Op::CancelWrite:
            closeWindowAfter(1s);
            return run(Op::Write, tracks);
        case Op::CancelEarly:
            closeWindowAfter(100ms);
            return run(Op::Write, tracks);
        case Op::Write:
            return resultName(p.RawWrite(tracks[0], tracks[1], tracks[2]));
        case Op::PrepareAfterClosing:
            closeWindowAfter({});
            pump.yield();
            [[fallthrough]];
        case Op::Prepare:
            return p.PrepareRawWrite() ? "answered" : "silent";
        case Op::SendAndWait:
            return p.SendAndWait("L");
        case Op::ErrorOn:
            p.SetErrorIndicator(true);
            break;
        case Op::Ready:
            p.SetReadyIndicator();
            return "left: " + port.input();
        case Op::AfterFailed:
            p.AfterFailedWrite();
            break;
        case Op::AfterAttemptClosing:
            closeWindowAfter(200ms);
            p.AfterWriteAttempt();
            break;
        case Op::AfterAttempt:
            p.AfterWriteAttempt();
            break;
        case Op::Closing:
            session.ReadingClosing();
            break;
        }
        return {};
    }

    NonIsoProtocol protocol;
};

// Answers to a KVT-380A write of track 3 alone, the final one 0.6 s from the start.
Replies kvtTrack3(const QByteArray &command, const QByteArray &data, const QByteArray &final) {
    return {{command, "^"}, {data, "^"}, {"@", "^"}, {"", final, 600ms}};
}

} // namespace

Q_DECLARE_METATYPE(Line)
Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(Formats)
Q_DECLARE_METATYPE(NonIsoProtocol::Options)
Q_DECLARE_METATYPE(Replies)
Q_DECLARE_METATYPE(NonIsoFrames::Tracks)

class TestNonIsoProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exchanges_data();
    void exchanges();
    void waitsEndOnCancelOrLimit_data();
    void waitsEndOnCancelOrLimit();
    void writtenTracksReadBack_data();
    void writtenTracksReadBack();
};

void TestNonIsoProtocol::exchanges_data() {
    QTest::addColumn<Line>("line");
    QTest::addColumn<NonIsoProtocol::Options>("window");
    QTest::addColumn<Formats>("formats");
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<Op>("op");
    QTest::addColumn<NonIsoFrames::Tracks>("tracks");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("portOpen");
    const auto row = [](const char *name, Line line, const NonIsoProtocol::Options &window,
                        const Formats &formats, const Replies &replies, Op op,
                        const QByteArray &result, const QByteArray &sent,
                        const NonIsoFrames::Tracks &tracks = {}, bool portOpen = true) {
        QTest::newRow(name) << line << window << formats << replies << op << tracks << result
                            << sent << portOpen;
    };
    const QByteArray old = ": old1,old2,old3";
    using enum Op;

    // LRQ118 reads: ESC R with the selectors, the whole reply taken 0.5 s after its first
    // two bytes and split as an ISO read.
    row("LRQ118 read, T1 T2 T2", Lrq, ReadW, T1T2T2, {{ReadT1T2T2, GoldenRead, 100ms}}, Read,
        "Done: ABC,123,+", "1b 52 11 02 03");
    row("LRQ118 read, rest within 0.5 s", Lrq, ReadW, T1T2T2,
        {{ReadT1T2T2, GoldenRead.left(2), 100ms}, {"", GoldenRead.mid(2), 550ms}}, Read,
        "Done: ABC,123,+", "1b 52 11 02 03");
    row("LRQ118 read, rest after 0.5 s", Lrq, ReadW, T1T2T2,
        {{ReadT1T2T2, GoldenRead.left(2), 100ms}, {"", GoldenRead.mid(2), 650ms}}, Read,
        "Failed" + old, "1b 52 11 02 03");
    row("LRQ118 read, no ESC 03", Lrq, ReadW, T1T2T2,
        {{ReadT1T2T2, QByteArray::fromHex("1b731b01254142433f1b023b3132333f1c1b30"), 100ms}}, Read,
        "Failed" + old, "1b 52 11 02 03");
    row("LRQ118 read, two bytes only", Lrq, ReadW, T1T2T2, {{ReadT1T2T2, Ok, 100ms}}, Read,
        "Failed" + old, "1b 52 11 02 03");
    row("LRQ118 custom read: nothing sent", Lrq, ReadW, Custom567, {}, Read, "Failed" + old, "");

    // KVT-380A reads: P, its "^", the swipe's "^", then one request per track.
    const Replies standardSwipe = {{"P", "^", 10ms},
                                   {"", "^", 900ms},
                                   {"q1", "%ABC?", 10ms},
                                   {"r2", "+", 10ms},
                                   {"s3", "*", 10ms}};
    row("KVT-380A read, + still Done", Kvt, ReadW, IsoFormats, standardSwipe, Read,
        "Done: %ABC?,+,*", "50 / 71 31 / 72 32 / 73 33");
    const Replies customSwipe = {{"P", "^", 10ms},
                                 {"", "^", 400ms},
                                 {"U5", QByteArray::fromHex("010203"), 10ms},
                                 {"V6", "+", 10ms},
                                 {"W7", QByteArray::fromHex("7f"), 10ms}};
    row("KVT-380A custom read", Kvt, ReadW, Custom567, customSwipe, Read, "Done: [01 02 03],+,[7f]",
        "50 / 55 35 / 56 36 / 57 37");
    // Cancel after the first track's answer: the read changes no track.
    row("KVT-380A read, cancelled", Kvt, ReadW, IsoFormats, standardSwipe.mid(0, 3), CancelRead,
        "NotDone" + old, "50 / 71 31 / 72 32");
    row("KVT-380A read, ^^ to P", Kvt, ReadW, IsoFormats, {{"P", "^^", 10ms}}, Read,
        "NotDone" + old, "50");
    // A card swiped before the standard read's 0.5 s are over is read, not asked for again.
    Replies earlySwipe = standardSwipe;
    earlySwipe[1].at = 300ms;
    row("KVT-380A standard read, swiped during the wait", Kvt, ReadW, IsoFormats, earlySwipe, Read,
        "Done: %ABC?,+,*", "50 / 71 31 / 72 32 / 73 33");
    row("KVT-380A read, P unanswered", Kvt, ReadW, IsoFormats, {}, Read, "Failed" + old, "50");
    // The standard read takes the answer to P only 0.5 s later; the custom read at once.
    const Replies lateByte = {{"P", "^", 10ms}, {"", "x", 300ms}, {"", "^", 900ms},
                              {"U5", "1"},      {"V6", "2"},      {"W7", "3"}};
    row("KVT-380A standard read, more after ^", Kvt, ReadW, IsoFormats, lateByte, Read,
        "NotDone" + old, "50");
    row("KVT-380A custom read, more after ^", Kvt, ReadW, Custom567, lateByte, Read, "Done: 1,2,3",
        "50 / 55 35 / 56 36 / 57 37");

    // Writes.
    const NonIsoFrames::Tracks abcOnTrack2 = {"", "ABC", ""};
    const QByteArray abcFrame = "1b 57 1b 73 1b 01 1b 12 41 42 43 1b 03 3f 1c";
    row("LRQ118 write, ABC on track 2 in T1", Lrq, SwipeWriteW, T2T1T3, {{"", Ok, 800ms}}, Write,
        "Done", abcFrame, abcOnTrack2);
    row("LRQ118 write, wrong status", Lrq, SwipeWriteW, T2T1T3,
        {{"", QByteArray::fromHex("1b31"), 800ms}}, Write, "Failed", abcFrame, abcOnTrack2);
    row("LRQ118 custom write: nothing sent", Lrq, SwipeWriteW, Custom567, {}, Write, "Failed", "",
        {"\x01", "\x01", "\x01"});
    row("KVT-380A write, track 3", Kvt, SwipeWriteW, IsoFormats, kvtTrack3("c3", "123\x04", "^"),
        Write, "Done", "63 33 / 31 32 33 04 / 40", {"", "+", "123"});
    row("KVT-380A write, final ^x", Kvt, SwipeWriteW, IsoFormats, kvtTrack3("c3", "123\x04", "^x"),
        Write, "Failed", "63 33 / 31 32 33 04 / 40", {"*", "", "123"});
    const NonIsoFrames::Tracks value0B = {"", "", "\x0b"};
    const QByteArray g5 = "47 35 / 00 / 00 / 00 / 00 / 00 / 00 / 0b 04 / 40";
    row("KVT-380A custom write: G5, six NULs, 0B 04, @", Kvt, SwipeWriteW, Custom5At75,
        kvtTrack3("G5", "\x0b\x04", "^"), Write, "Done", g5, value0B);
    // The custom write settles 0.2 s and needs only a first "^".
    row("KVT-380A custom write, final ^x", Kvt, SwipeWriteW, Custom5At75,
        kvtTrack3("G5", "\x0b\x04", "^x"), Write, "Done", g5, value0B);
    row("KVT-380A custom write, final x^", Kvt, SwipeWriteW, Custom5At75,
        kvtTrack3("G5", "\x0b\x04", "x^"), Write, "Failed", g5, value0B);
    row("KVT-380A write, command answered ^x", Kvt, SwipeWriteW, Custom5At75, {{"G5", "^x"}}, Write,
        "NotDone", "47 35", value0B);
    row("KVT-380A write, data refused", Kvt, SwipeWriteW, Custom5At75,
        {{"G5", "^"}, {"\x0b\x04", "!"}}, Write, "NotDone",
        "47 35 / 00 / 00 / 00 / 00 / 00 / 00 / 0b 04", value0B);
    // Closing the window during the swipe wait: LRQ118 opens the port again for the reset
    // and leaves it closed; KVT-380A's ready off finds the port closed and goes nowhere.
    row("LRQ118 write, window closed", Lrq, SwipeWriteW, T2T1T3, {}, CancelWrite, "NotDone",
        abcFrame + " / 1b 61", abcOnTrack2, false);
    row("LRQ118 write, closed before the frame", Lrq, SwipeWriteW, T2T1T3, {}, CancelEarly,
        "NotDone", "1b 61", abcOnTrack2, false);
    row("KVT-380A write, window closed", Kvt, SwipeWriteW, Custom5At75,
        kvtTrack3("G5", "\x0b\x04", {}), CancelWrite, "Failed", g5, value0B, false);

    // SendAndWait of the write window: the last character of what came within 0.1 s.
    row("SendAndWait, ^^", Kvt, SwipeWriteW, IsoFormats, {{"", "stale"}, {"L", "^^"}}, SendAndWait,
        "^", "4c");
    row("SendAndWait, ^x", Kvt, SwipeWriteW, IsoFormats, {{"L", "^"}, {"", "x", 50ms}}, SendAndWait,
        "x", "4c");

    // Densities before a write: 210 BPI for tracks 1 and 3 here, 75 for track 2.
    const Replies twoAnswers = {{QByteArray::fromHex("1b6ad24bd2"), Ok, 20ms},
                                {QByteArray::fromHex("1b5a3d163d"), Ok, 20ms}};
    row("LRQ118 densities", Lrq, SwipeWriteW, IsoFormats, twoAnswers, Prepare, "answered",
        "1b 6a d2 4b d2 / 1b 5a 3d 16 3d");
    row("LRQ118 densities, silent", Lrq, SwipeWriteW, IsoFormats, {}, Prepare, "silent",
        "1b 6a d2 4b d2");
    row("LRQ118 densities, leading zeros unanswered", Lrq, SwipeWriteW, IsoFormats, {twoAnswers[0]},
        Prepare, "silent", "1b 6a d2 4b d2 / 1b 5a 3d 16 3d");
    row("densities after the window closed", Kvt, SwipeWriteW, IsoFormats, {}, PrepareAfterClosing,
        "answered", "", {}, false);

    // Indications and the frames around writes.
    row("LRQ118 ready", Lrq, ReadW, IsoFormats, {}, Ready, "left: ", "1b 83");
    row("KVT-380A ready: flushed first, answer left", Kvt, ReadW, IsoFormats,
        {{"", "stale"}, {"L", "^", 10ms}}, Ready, "left: ^", "4c");
    row("KVT-380A error on", Kvt, SwipeWriteW, IsoFormats, {{"M", "^", 10ms}}, ErrorOn, "", "4d");
    row("LRQ118 after a failed write", Lrq, SwipeWriteW, IsoFormats, {}, AfterFailed, "", "1b 61");
    row("KVT-380A after a failed write", Kvt, SwipeWriteW, IsoFormats, {{"l", "^"}, {"(", "^"}},
        AfterFailed, "", "6c / 28");
    row("LRQ118 after a write", Lrq, SwipeWriteW, IsoFormats, {}, AfterAttempt, "", "1b 83");
    row("KVT-380A after a write, window closed meanwhile", Kvt, SwipeWriteW, IsoFormats,
        {{"l", "^"}}, AfterAttemptClosing, "", "6c", {}, false);
    row("LRQ118 closing", Lrq, ReadW, IsoFormats, {}, Closing, "", "1b 61 / 1b 81 / 1b 83");
    row("KVT-380A closing", Kvt, ReadW, IsoFormats, {{Del, ":", 10ms}}, Closing, "", "7f");
}

void TestNonIsoProtocol::exchanges() {
    QFETCH(Line, line);
    QFETCH(NonIsoProtocol::Options, window);
    QFETCH(Formats, formats);
    QFETCH(Replies, replies);
    QFETCH(Op, op);
    QFETCH(NonIsoFrames::Tracks, tracks);
    Rig rig(line, window, formats);
    script(rig.port, replies);
    // Waits without a limit that nothing answers end here, as the operator's Cancel would.
    rig.cancelAfter(5s);
    QTEST(rig.run(op, tracks), "result");
    QTEST(wire(rig.port.sends()), "sent");
    QTEST(rig.port.isOpen(), "portOpen");
    if (!rig.prompt.history.isEmpty())
        QCOMPARE(rig.prompt.history.last(), false);
    QCOMPARE(rig.port.inBufferCount(), 0);
}

void TestNonIsoProtocol::waitsEndOnCancelOrLimit_data() {
    QTest::addColumn<Line>("line");
    QTest::addColumn<NonIsoProtocol::Options>("window");
    QTest::addColumn<Formats>("formats");
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<Op>("op");
    QTest::addColumn<bool>("cancellable");
    QTest::addColumn<Duration>("start");
    QTest::addColumn<Duration>("length");
    // The wait under test begins `start` from the start. A cancellable one ends `length`
    // after a Cancel that comes during it; any other lasts `length`, Cancel or not.
    const auto cancellable = [](const char *name, Line line, const NonIsoProtocol::Options &w,
                                const Formats &formats, const Replies &replies, Op op,
                                Duration start, Duration afterCancel = {}) {
        QTest::newRow(name) << line << w << formats << replies << op << true << start
                            << afterCancel;
    };
    const auto bounded = [](const char *name, Line line, const NonIsoProtocol::Options &w,
                            const Formats &formats, const Replies &replies, Op op, Duration start,
                            Duration limit) {
        QTest::newRow(name) << line << w << formats << replies << op << false << start << limit;
    };
    using enum Op;
    using P = NonIsoProtocol;
    const Duration cancelStep = Rig::Tick + P::CancelResetPause + Rig::Tick;
    // A Cancel during a swipe wait ends it at the next poll; so does one in the pause after ^^.
    cancellable("KVT-380A read: swipe", Kvt, ReadW, Custom567, {{"P", "^"}}, Read, {});
    cancellable("KVT-380A read: pause after ^^", Kvt, ReadW, Custom567, {{"P", "^^"}}, Read, {});
    cancellable("LRQ118 write: pause before sending", Lrq, SwipeWriteW, IsoFormats, {}, Write, {},
                cancelStep);
    // The ready off of the cancel step is a SendAndWait that ends on the stop flags.
    cancellable("KVT-380A write: final reply", Kvt, SwipeWriteW, IsoFormats,
                {{"c3", "^"}, {"X\x04", "^"}, {"@", "^"}}, Write, 500ms, 2 * Rig::Tick);
    // A silent encoder holds neither the densities nor an indication.
    bounded("densities, silent", Lrq, SwipeWriteW, IsoFormats, {}, Prepare, {},
            P::PrepareReplyLimit);
    bounded("read window's error indication", Kvt, ReadW, IsoFormats, {}, ErrorOn, {},
            IndicatorReplyLimit);
    bounded("ready indication", Kvt, ReadW, IsoFormats, {}, Ready, {}, IndicatorReplyLimit);
    bounded("after a write", Kvt, SwipeWriteW, IsoFormats, {{"l", "^"}}, AfterAttempt, {},
            P::WriterSendAndWaitSettle + P::AfterWritePause);
}

void TestNonIsoProtocol::waitsEndOnCancelOrLimit() {
    QFETCH(Line, line);
    QFETCH(NonIsoProtocol::Options, window);
    QFETCH(Formats, formats);
    QFETCH(Replies, replies);
    QFETCH(Op, op);
    QFETCH(bool, cancellable);
    QFETCH(Duration, start);
    QFETCH(Duration, length);
    Rig rig(line, window, formats);
    script(rig.port, replies);
    const auto cancelAt = rig.cancelAfter(start + (cancellable ? 50ms : 10ms));
    rig.run(op, {"", "", "X"});
    QVERIFY(*cancelAt != Duration::max());
    if (cancellable) {
        QCOMPARE(rig.clock.now() - *cancelAt, length);
    } else {
        QVERIFY(rig.clock.now() - rig.start > start + length);
        QVERIFY(rig.clock.now() - rig.start < start + length + 60ms);
    }
}

void TestNonIsoProtocol::writtenTracksReadBack_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<Formats>("formats");
    QTest::addColumn<NonIsoFrames::Tracks>("tracks");
    QTest::newRow("LRQ118 standard formats swapped")
        << Set::Lrq118 << Formats{true, T2T1T3.formats, {D75, D210, D210}}
        << NonIsoFrames::Tracks{"12=34", "NAME^X", ""};
    QTest::newRow("KVT-380A standard formats swapped")
        << Set::Kvt380a << Formats{true, T2T1T3.formats, {D210, D75, D75}}
        << NonIsoFrames::Tracks{"", "A B", "0123456789"};
    QTest::newRow("KVT-380A custom 5, 6, 7 bits")
        << Set::Kvt380a << Formats{false, Custom567.formats, {D75, D210, D75}}
        << NonIsoFrames::Tracks{"\x01\x02\x03", "\x3f\x05", "\x7f\x01\x7e"};
}

// What the procedures write, the virtual encoder records, and they read back alike.
void TestNonIsoProtocol::writtenTracksReadBack() {
    QFETCH(Set, set);
    QFETCH(Formats, formats);
    QFETCH(NonIsoFrames::Tracks, tracks);
    SessionRig<ModelPort> rig(set == Set::Kvt380a ? "KVT-380A" : "LRQ118", true, set);
    formats.applyTo(rig.state);
    // Later than the 0.5 s a standard KVT-380A read waits after the answer to P.
    rig.port.model().setAutoSwipe(800ms);
    NonIsoProtocol writer(rig.session, SwipeWriteW);
    NonIsoProtocol reader(rig.session, ReadW);
    QVERIFY(writer.PrepareRawWrite());
    QCOMPARE(resultName(writer.RawWrite(tracks[0], tracks[1], tracks[2])), "Done");
    QCOMPARE(resultName(reader.RawRead()), "Done");
    const NonIsoFrames::Tracks read = {rig.state.Track1Data, rig.state.Track2Data,
                                       rig.state.Track3Data};
    for (std::size_t i = 0; i < read.size(); ++i)
        QCOMPARE(read[i].toHex(' '), (tracks[i].isEmpty() ? "+" : tracks[i]).toHex(' '));
}

QTEST_GUILESS_MAIN(TestNonIsoProtocol)
#include "tst_nonisoprotocol.moc"
