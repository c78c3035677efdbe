#include "link/IsoFrames.h"

#include <QRandomGenerator>
#include <QTest>

using IsoFrames::Tracks;

namespace {
// ESC s ESC 01 %ABC? ESC 02 ;123? ESC 03 ;+? FS ESC 0
const QByteArray GoldenRead =
    QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1b30");
} // namespace

class TestIsoFrames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writeBlock_data();
    void writeBlock();
    void eraseFrame();
    void parseRead_data();
    void parseRead();
    void malformedRepliesNeverCrash();
};

void TestIsoFrames::writeBlock_data() {
    QTest::addColumn<QByteArray>("track1");
    QTest::addColumn<QByteArray>("track2");
    QTest::addColumn<QByteArray>("track3");
    QTest::addColumn<QByteArray>("block");
    // ESC s ESC 01 ESC 02 1234 ESC 03 ? FS
    QTest::newRow("no valid track 1, track 2, empty track 3")
        << QByteArray("*") << QByteArray("1234") << QByteArray()
        << QByteArray::fromHex("1b731b011b02313233341b033f1c");
    QTest::newRow("all empty keeps the markers") << QByteArray() << QByteArray() << QByteArray()
                                                 << QByteArray::fromHex("1b731b011b021b033f1c");
    QTest::newRow("blank tracks are not written")
        << QByteArray("AB") << QByteArray("+") << QByteArray("9")
        << QByteArray::fromHex("1b731b0141421b021b03393f1c");
}

void TestIsoFrames::writeBlock() {
    QFETCH(QByteArray, track1);
    QFETCH(QByteArray, track2);
    QFETCH(QByteArray, track3);
    QFETCH(QByteArray, block);
    QCOMPARE(IsoFrames::lrqWriteBlock({track1, track2, track3}), block);
}

void TestIsoFrames::eraseFrame() {
    QCOMPARE(IsoFrames::lrqEraseFrame(5), QByteArray::fromHex("1b6305"));
    QCOMPARE(IsoFrames::lrqEraseFrame(7), QByteArray::fromHex("1b6307"));
}

void TestIsoFrames::parseRead_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QByteArray>("track1");
    QTest::addColumn<QByteArray>("track2");
    QTest::addColumn<QByteArray>("track3");

    QTest::newRow("three tracks, blank track 3")
        << GoldenRead << true << QByteArray("ABC") << QByteArray("123") << QByteArray("+");
    // ESC s ESC 01 %ABC? ESC 02 ;+ ESC 03 ;456? FS ESC 0
    QTest::newRow("blank track 2")
        << QByteArray::fromHex("1b731b01254142433f1b023b2b1b033b3435363f1c1b30") << true
        << QByteArray("ABC") << QByteArray("+") << QByteArray("456");
    QTest::newRow("blank track 1")
        << QByteArray::fromHex("1b731b01252b1b023b3132333f1b033b3435363f1c1b30") << true
        << QByteArray("+") << QByteArray("123") << QByteArray("456");
    QTest::newRow("empty track between sentinels")
        << QByteArray::fromHex("1b731b01253f1b023b3f1b033b3f1c1b30") << true << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("status not ESC 0")
        << QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1b31") << false
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("no ESC before the status")
        << QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1c30") << false
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("not ESC s") << QByteArray::fromHex(
                                      "1b741b01254142433f1b023b3132333f1b033b2b3f1c1b30")
                               << false << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("no ESC 02") << QByteArray::fromHex("1b731b01254142433f1b033b2b3f1c1b30") << false
                               << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("no ESC 03") << QByteArray::fromHex("1b731b01254142433f1b023b3132333f1c1b30")
                               << false << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("marker right after the prefix")
        << QByteArray::fromHex("1b731b01251b023b3132333f1b033b2b3f1c1b30") << false << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("shorter than the prefix") << QByteArray::fromHex("1b731b1b30") << false
                                             << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("status only") << QByteArray::fromHex("1b30") << false << QByteArray()
                                 << QByteArray() << QByteArray();
    QTest::newRow("empty") << QByteArray() << false << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("track 3 without end sentinel")
        << QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b37381c1b30") << false
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("blank track 2 cut short")
        << QByteArray::fromHex("1b731b01254142433f1b023b2b1b1b30") << false << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("reply ends at the marker")
        << QByteArray::fromHex("1b731b01254142433f1b021b30") << false << QByteArray()
        << QByteArray() << QByteArray();
}

void TestIsoFrames::parseRead() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, parsed);
    const std::optional<Tracks> tracks = IsoFrames::parseLrqReadReply(reply);
    QCOMPARE(tracks.has_value(), parsed);
    if (!parsed)
        return;
    QTEST((*tracks)[0], "track1");
    QTEST((*tracks)[1], "track2");
    QTEST((*tracks)[2], "track3");
}

void TestIsoFrames::malformedRepliesNeverCrash() {
    // Every cut and every one-byte change of a good reply, then random replies built from
    // the bytes that matter to the parse; run under the sanitizers, any stray read shows.
    QList<QByteArray> replies;
    for (qsizetype n = 0; n <= GoldenRead.size(); ++n) {
        replies << GoldenRead.left(n) << GoldenRead.mid(n);
        for (qsizetype i = 0; i < GoldenRead.size(); ++i) {
            QByteArray changed = GoldenRead;
            changed[i] = GoldenRead.at(n % GoldenRead.size());
            replies << changed;
            replies << QByteArray(GoldenRead).remove(i, 1);
        }
    }
    const QByteArray alphabet = QByteArray::fromHex("1b0102032b3f30733b411c");
    QRandomGenerator random(450);
    for (int i = 0; i < 20000; ++i) {
        QByteArray reply(random.bounded(0, 40), '\0');
        for (char &c : reply)
            c = alphabet.at(random.bounded(alphabet.size()));
        if (random.bounded(2))
            reply = QByteArray::fromHex("1b731b01") + reply + QByteArray::fromHex("1b30");
        replies << reply;
    }
    int accepted = 0;
    for (const QByteArray &reply : std::as_const(replies)) {
        const std::optional<Tracks> tracks = IsoFrames::parseLrqReadReply(reply);
        if (!tracks)
            continue;
        ++accepted;
        QVERIFY(reply.startsWith(QByteArray::fromHex("1b73")));
        QVERIFY(reply.endsWith(QByteArray::fromHex("1b30")));
        QVERIFY((*tracks)[0].size() + (*tracks)[1].size() + (*tracks)[2].size() < reply.size());
    }
    QVERIFY(accepted > 0);
    QVERIFY(accepted < replies.size());
}

QTEST_APPLESS_MAIN(TestIsoFrames)
#include "tst_isoframes.moc"
