#include "FakeTime.h"
#include "ModelPort.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;
using CommandSet = EncoderModel::CommandSet;

class TestModelPort : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void repliesArriveOnTheClock() {
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

        port.model().answerInPieces(0, {});
        port.model().insertCard(Card::fromTexts("A", "+", "+"));
        port.output(QByteArray::fromHex("1b72"));
        QCOMPARE(port.inBufferCount(), 0);
        port.swipe();
        QCOMPARE(port.input().right(2), QByteArray::fromHex("1b30"));
        QVERIFY(port.events().contains("card read: track 1 \"A\", track 2 blank, track 3 blank"));
    }

    void closedPortTakesAndKeepsNothing() {
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

    void vanishing() {
        FakeClock clock;
        ModelPort port(clock, CommandSet::Kvt380a);
        QSignalSpy lost(&port, &CommControl::connectionLost);
        QVERIFY(port.open());
        port.vanish();
        QVERIFY(!port.isOpen());
        QCOMPARE(lost.size(), 1);
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
};

QTEST_GUILESS_MAIN(TestModelPort)
#include "tst_modelport.moc"
