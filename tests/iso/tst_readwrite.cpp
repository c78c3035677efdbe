#include "PromptRig.h"

#include "app/MainModule.h"
#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"

#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(Set)

template <class Window> using Rig = ModelRig<Window>;

class TestReadWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readCardsUntilCancel_data();
    void readCardsUntilCancel();
    void writeCards_data();
    void writeCards();
    void refusedOpeningShowsReadError();
    void silentEncoderStillGetsTheErrorWindow();
    void confusedEncoderIsAskedCalmly();
};

void TestReadWrite::readCardsUntilCancel_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArray>("badTrack3"); // of a bad card swiped before the deck
    QTest::addColumn<bool>("failRead");
    QTest::addColumn<QStringList>("errors");
    const QStringList failed{QStringLiteral("Read Swipe Error: *")};
    QTest::newRow("LRQ118 failed read") << Set::Lrq118 << QByteArray("3") << true << failed;
    QTest::newRow("KVT-380A failed read") << Set::Kvt380a << QByteArray("3") << true << failed;
    QTest::newRow("KVT-380A damaged track 3")
        << Set::Kvt380a << QByteArray("*") << false << QStringList{"Read Swipe Error: ABC"};
}

void TestReadWrite::readCardsUntilCancel() {
    QFETCH(Set, set);
    QFETCH(QByteArray, badTrack3);
    QFETCH(bool, failRead);
    Rig<cfrmReadCard> rig(set);
    rig.model().setDeck({Card::fromTexts("ONE", "1", "11"), Card::fromTexts("TWO", "2", "22"),
                         Card::fromTexts("THREE", "", "33")});
    rig.model().insertCard(Card::fromTexts("ABC", "123", badTrack3));
    if (failRead)
        rig.model().failNextRead();
    QByteArrayList messages;
    // Cancel while the window waits for a card after the deck's three.
    rig.cancelWhen([&] {
        messages << rig.records.message();
        return rig.window->cardNumber() == 4 && rig.model().waitingForSwipe();
    });
    rig.window->run();

    QTEST(rig.errors, "errors");
    // A failure does not count: the last card read is still the deck's third, whose blank
    // track shows "+" with length 0.
    QCOMPARE(rig.shown(&FakeRecords::track), (QByteArrayList{"THREE", "+", "33"}));
    QCOMPARE(rig.shown(&FakeRecords::length), (QByteArrayList{"5", "0", "2"}));
    QCOMPARE(messages.last(), QByteArray("\r\nSuccessful read from card swipe."));
    QCOMPARE(rig.records.message(), QByteArray()); // cleared when the window closed
    const QByteArray closing = QByteArray::fromHex(set == Set::Lrq118 ? "1b611b811b83" : "7f");
    QVERIFY(rig.port->sent().endsWith(closing));
    QVERIFY(!rig.port->isOpen());
    if (set == Set::Lrq118 && failRead) // error indication on, off, then ready
        QVERIFY(rig.port->sent().contains(QByteArray::fromHex("1b851b811b83")));
}

void TestReadWrite::writeCards_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArray>("track1");
    QTest::addColumn<bool>("written"); // else the refusal ends the window
    // The first write fails: the card is offered again.
    QTest::newRow("LRQ118") << Set::Lrq118 << QByteArray("ABC") << true;
    QTest::newRow("KVT-380A") << Set::Kvt380a << QByteArray("ABC") << true;
    // Track 1 holds no lower case: the encoder refuses the text when it arrives.
    QTest::newRow("KVT-380A refused") << Set::Kvt380a << QByteArray("abc") << false;
}

void TestReadWrite::writeCards() {
    QFETCH(Set, set);
    QFETCH(QByteArray, track1);
    QFETCH(bool, written);
    Rig<cfrmWriteCard> rig(set);
    rig.records.setTrack(0, track1);
    rig.records.setTrack(2, "+");
    rig.model().failNextWrite();
    QByteArray messageAfterCard;
    rig.cancelWhen([&] {
        messageAfterCard = rig.records.message();
        return rig.window->cardNumber() == 2;
    });
    rig.window->run();

    QCOMPARE(rig.errors, QStringList{"Write Swipe Error: *"});
    // Closed right after a card, during the pause that follows it: the port stays closed.
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.window->cardNumber(), written ? 2 : 1);
    QCOMPARE(rig.model().card().tracks[0].data, written ? track1 : QByteArray());
    if (written) {
        QCOMPARE(messageAfterCard, "\r\nWrite complete.  Verify data accuracy before continue.");
        QCOMPARE(rig.shown(&FakeRecords::track), (QByteArrayList{"ABC", "", "+"}));
        QCOMPARE(rig.shown(&FakeRecords::length), (QByteArrayList{"3", "0", "1"}));
    }
}

void TestReadWrite::refusedOpeningShowsReadError() {
    Rig<cfrmWriteCard> rig(Set::Kvt380a);
    rig.records.setTrack(0, "ABC");
    rig.model().answerWrongly("(", "!");
    rig.window->run();

    QCOMPARE(rig.errors, QStringList{"Read Swipe Error: "});
    // Ready off after the refusal, then the error indication on and off, then DEL on closing.
    QCOMPARE(rig.port->sent(), QByteArray("\x7F(LlMm\x7F"));
}

// The opening command and the indications go unanswered: each exchange gives up after
// its limit and the window closes on its own after the error window.
void TestReadWrite::silentEncoderStillGetsTheErrorWindow() {
    Rig<cfrmWriteCard> rig(Set::Kvt380a);
    rig.records.setTrack(0, "ABC");
    rig.model().setSilent(true);
    const Duration start = rig.clock.now();
    rig.pump.after(1min, [&rig] { rig.window->findChild<QPushButton *>("Command1_0")->click(); });
    rig.window->run();

    QCOMPARE(rig.errors, QStringList{"Read Swipe Error: "});
    QCOMPARE(rig.port->sent(), QByteArray("\x7F(LlMm\x7F"));
    QVERIFY(rig.clock.now() - start < 10s);
}

// An encoder that answers every read request with "^^" gets the read again, a few times a
// second rather than thousands.
void TestReadWrite::confusedEncoderIsAskedCalmly() {
    Rig<cfrmReadCard> rig(Set::Kvt380a);
    rig.model().answerWrongly("P", "^^", EncoderModel::kAlways);
    rig.pump.after(1s, [&rig] { rig.window->findChild<QPushButton *>("Command1_0")->click(); });
    rig.window->run();

    const auto reads = rig.port->sends().count("P");
    QVERIFY2(reads >= 2 && reads <= 1s / KvtReadRetryPause + 1, qPrintable(QString::number(reads)));
    QVERIFY(rig.errors.isEmpty());
}

QTEST_MAIN(TestReadWrite)
#include "tst_readwrite.moc"
