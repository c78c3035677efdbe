// Replies taken after a fixed time are taken whole at every line speed.
#include "NonIsoChoice.h"
#include "ScriptedPort.h"
#include "SessionRig.h"

#include "app/MainModule.h"
#include "link/IsoProtocol.h"
#include "link/LineSettings.h"
#include "link/LinkSession.h"
#include "link/NonIsoProtocol.h"
#include "link/PortConfig.h"
#include "link/Waiter.h"

#include <QTest>

#include <optional>

using namespace std::chrono_literals;

namespace {

// A link whose replies arrive one character time apart, at the given line settings.
struct LineRig : SessionRig<ScriptedPort> {
    LineRig(const QByteArray &settings, const QByteArray &mode,
            const IsoProtocol::Options &options = {})
        : SessionRig(mode, true), protocol(session, options) {
        config.line = parseLineSettings(settings).value();
        port.paceReplies(characterTime(config.line));
    }
    [[nodiscard]] qint64 elapsedMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - start).count();
    }

    IsoProtocol protocol;
    NonIsoProtocol raw{session, {}};
};

// Tracks of the longest the boxes hold, with the sentinels the KVT-380A encoder sends.
const QByteArray Track1 = "%" + QByteArray(76, 'A') + "?";
const QByteArray Track2 = ";" + QByteArray(37, '2') + "?";
const QByteArray Track3 = ";" + QByteArray(104, '3') + "?";

QByteArray lrqReply() {
    return QByteArray::fromHex("1b731b01") + Track1 + QByteArray::fromHex("1b02") + Track2 +
           QByteArray::fromHex("1b03") + Track3 + QByteArray::fromHex("1c1b30");
}

} // namespace

Q_DECLARE_METATYPE(WaitEnd)

class TestLineSpeed : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quietGapFollowsTheLine_data();
    void quietGapFollowsTheLine();
    void pauseUntilQuiet_data();
    void pauseUntilQuiet();
    void readsWholeTracks_data();
    void readsWholeTracks();
};

// Six character times of the line, but never under 25 ms.
void TestLineSpeed::quietGapFollowsTheLine_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<qint64>("gapMs");
    QTest::newRow("9600,o,7,1: the floor") << QByteArray("9600,o,7,1") << 25LL;
    QTest::newRow("2400,n,8,1: the floor") << QByteArray("2400,n,8,1") << 25LL;
    QTest::newRow("1200,o,7,1") << QByteArray("1200,o,7,1") << 50LL;
    QTest::newRow("1200,e,8,2: 12 bits") << QByteArray("1200,e,8,2") << 60LL;
}

void TestLineSpeed::quietGapFollowsTheLine() {
    QFETCH(QByteArray, settings);
    LineRig rig(settings, "KVT-380A");
    const auto gap = std::chrono::duration<double, std::milli>(rig.session.quietGap());
    QTEST(qint64(qRound(gap.count())), "gapMs");
}

// A reply of `bytes` characters starts to arrive 10 ms into a wait of at least `atLeast`
// ms; the wait ends between `endMs` and two ticks later.
void TestLineSpeed::pauseUntilQuiet_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("atLeast");
    QTest::addColumn<bool>("yields");
    QTest::addColumn<int>("cancelMs"); // 0: never
    QTest::addColumn<WaitEnd>("end");
    QTest::addColumn<int>("endMs");
    QTest::addColumn<int>("taken");
    const QByteArray fast("9600,o,7,1"), slow("2400,o,7,1"), slowest("1200,o,7,1");
    QTest::newRow("9600: over at 0.3 s")
        << fast << 107 << 300 << true << 0 << WaitEnd::Met << 301 << 107;
    QTest::newRow("2400: until the track is in, then 25 ms")
        << slow << 107 << 300 << true << 0 << WaitEnd::Met << 481 << 107;
    QTest::newRow("1200, not yielding: 2 s of reply, then 50 ms")
        << slowest << 240 << 1000 << false << 0 << WaitEnd::Met << 2060 << 240;
    QTest::newRow("1200: noise that never ends is cut off")
        << slowest << 5000 << 1000 << true << 0 << WaitEnd::TimedOut << 5266 << 630;
    QTest::newRow("2400: Cancel ends it while bytes arrive")
        << slow << 107 << 300 << true << 350 << WaitEnd::Cancelled << 350 << 81;
}

void TestLineSpeed::pauseUntilQuiet() {
    QFETCH(QByteArray, settings);
    QFETCH(int, bytes);
    QFETCH(int, atLeast);
    QFETCH(bool, yields);
    QFETCH(int, cancelMs);
    QFETCH(int, endMs);
    LineRig rig(settings, "KVT-380A");
    rig.port.arrive(QByteArray(bytes, 'x'), 10ms);
    if (cancelMs > 0)
        rig.pump.after(std::chrono::milliseconds(cancelMs),
                       [&rig] { rig.state.CancelRequested = true; });
    const WaitEnd end =
        rig.session.pauseUntilQuiet(std::chrono::milliseconds(atLeast), yields, Stop::OnCancel);
    QTEST(end, "end");
    QVERIFY2(rig.elapsedMs() >= endMs && rig.elapsedMs() <= endMs + 2,
             qPrintable(QString::number(rig.elapsedMs())));
    QTEST(int(rig.port.input().size()), "taken");
}

// A swipe read at the line speed of the row, ISO or Non-ISO (standard formats): every track
// whole, and nothing of the answer left over to pass for the answer to the next command.
void TestLineSpeed::readsWholeTracks_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<int>("lrqSettleMs");
    QTest::addColumn<bool>("raw");
    const QByteArray kvt("KVT-380A"), lrq("LRQ118");
    for (const char *settings : {"9600,o,7,1", "2400,o,7,1", "1200,o,7,1"}) {
        const QByteArray line(settings);
        QTest::addRow("KVT-380A at %s", settings) << line << kvt << 1000 << false;
        QTest::addRow("LRQ118 at %s", settings) << line << lrq << 1000 << false;
        QTest::addRow("LRQ118, copy's 0.5 s, at %s", settings) << line << lrq << 500 << false;
        QTest::addRow("Non-ISO KVT-380A at %s", settings) << line << kvt << 0 << true;
        QTest::addRow("Non-ISO LRQ118 at %s", settings) << line << lrq << 0 << true;
    }
}

void TestLineSpeed::readsWholeTracks() {
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, mode);
    QFETCH(int, lrqSettleMs);
    QFETCH(bool, raw);
    LineRig rig(settings, mode, {.read = {.lrqSettle = std::chrono::milliseconds(lrqSettleMs)}});
    namespace Format = NonIsoFrames::Format;
    NonIsoChoice{true, {Format::StdT1, Format::StdT2, Format::StdT3}}.applyTo(rig.state);
    if (mode == "LRQ118") {
        rig.port.onSend(QByteArray::fromHex(raw ? "1b52110203" : "1b72"), lrqReply(), 400ms);
    } else {
        rig.port.onSend("P", "^", 5ms);
        // After the Non-ISO read's own 0.5 s wait for more of the answer to P.
        rig.port.arrive("^", 900ms);
        const QByteArrayList commands =
            raw ? QByteArrayList{"q1", "r2", "s3"} : QByteArrayList{"Q", "R", "S"};
        rig.port.onSend(commands[0], Track1, 5ms);
        rig.port.onSend(commands[1], Track2, 5ms);
        rig.port.onSend(commands[2], Track3, 5ms);
    }
    QCOMPARE(raw ? rig.raw.RawRead() : rig.protocol.ReadTracks(), SwipeResult::Done);
    const bool kvt = mode == "KVT-380A";
    QCOMPARE(rig.state.Track1Data, kvt ? Track1 : Track1.mid(1, 76));
    QCOMPARE(rig.state.Track2Data, kvt ? Track2 : Track2.mid(1, 37));
    QCOMPARE(rig.state.Track3Data, kvt ? Track3 : Track3.mid(1, 104));
    rig.session.pause(2s);
    QCOMPARE(rig.port.input().toHex(' '), QByteArray());
}

QTEST_GUILESS_MAIN(TestLineSpeed)
#include "tst_linespeed.moc"
