#include "PromptRig.h"

#include "app/MainModule.h"
#include "iso/cfrmEncodeRF.h"
#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"

namespace {

template <class Window> void openingFailsIn(bool silent) {
    ModelRig<Window> rig(Set::Kvt380a);
    rig.records.setTrack(0, "ABC");
    rig.state.EncodeFileText = "A|1|+\r\n";
    if (silent)
        rig.model().setSilent(true);
    else
        rig.model().answerWrongly("(", "!");
    const Duration start = rig.clock.now();
    rig.pump.after(1min, [&rig] { rig.cancelButton()->click(); });
    rig.window->run();

    QCOMPARE(rig.errors, QStringList{"Read Swipe Error: "});
    // Ready off, the error indication on and off, then DEL, all within 10 s.
    QCOMPARE(sentHex(*rig.port), "7f 28 4c 6c 4d 6d 7f");
    QVERIFY(rig.clock.now() - start < 10s);
}

} // namespace

class TestReadWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readCardsUntilCancel_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<QByteArray>("badTrack3"); // of a bad card swiped before the deck
        QTest::addColumn<bool>("failRead");
        QTest::addColumn<QString>("error");
        setRow(Set::Lrq118, "failed read") << QByteArray("3") << true << "Read Swipe Error: *";
        setRow(Set::Kvt380a, "failed read") << QByteArray("3") << true << "Read Swipe Error: *";
        setRow(Set::Kvt380a, "damaged track 3")
            << QByteArray("*") << false << "Read Swipe Error: ABC";
    }

    void readCardsUntilCancel() {
        QFETCH(Set, set);
        QFETCH(QByteArray, badTrack3);
        QFETCH(bool, failRead);
        QFETCH(QString, error);
        ModelRig<cfrmReadCard> rig(set);
        rig.model().setDeck({Card::fromTexts("ONE", "1", "11"), Card::fromTexts("TWO", "2", "22"),
                             Card::fromTexts("THREE", "", "33")});
        rig.model().insertCard(Card::fromTexts("ABC", "123", badTrack3));
        if (failRead)
            rig.model().failNextRead();
        QByteArray message;
        // Cancel while the window waits for a card after the deck's three.
        rig.cancelWhen([&] {
            message = rig.records.message();
            return rig.window->cardNumber() == 4 && rig.model().waitingForSwipe();
        });
        rig.window->run();

        QCOMPARE(rig.errors, QStringList{error});
        // A failure does not count: the last card read is still the deck's third, whose blank
        // track shows "+" with length 0.
        QCOMPARE(rig.tracks() + ' ' + rig.lengths(), "THREE|+|33 5|0|2");
        QCOMPARE(message, "\r\nSuccessful read from card swipe.");
        QCOMPARE(rig.records.message(), QByteArray()); // cleared when the window closed
        const QByteArray sent = sentHex(*rig.port);
        QVERIFY(sent.endsWith(set == Set::Lrq118 ? " 1b61 1b81 1b83" : " 7f"));
        QVERIFY(!rig.port->isOpen());
        if (set == Set::Lrq118) // error indication on, off, then ready
            QVERIFY(sent.contains(" 1b85 1b81 1b83 "));
    }

    void writeCards_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<QByteArray>("track1");
        QTest::addColumn<bool>("written"); // else the refusal ends the window
        // The first write fails: the card is offered again.
        setRow(Set::Lrq118, "written") << QByteArray("ABC") << true;
        setRow(Set::Kvt380a, "written") << QByteArray("ABC") << true;
        // Track 1 holds no lower case: the encoder refuses the text when it arrives.
        setRow(Set::Kvt380a, "refused") << QByteArray("abc") << false;
    }

    void writeCards() {
        QFETCH(Set, set);
        QFETCH(QByteArray, track1);
        QFETCH(bool, written);
        ModelRig<cfrmWriteCard> rig(set);
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
        QCOMPARE(rig.written, written ? QByteArrayList{"ABC||"} : QByteArrayList());
        if (written) {
            QCOMPARE(messageAfterCard,
                     "\r\nWrite complete.  Verify data accuracy before continue.");
            QCOMPARE(rig.tracks() + ' ' + rig.lengths(), "ABC||+ 3|0|1");
        }
    }

    // The opening command refused, or nothing answered at all: the ready and error
    // indications each give up after their limit, and the window closes on its own after the
    // read error window.
    void openingFails_data() {
        QTest::addColumn<bool>("fileWindow"); // else the write window
        QTest::addColumn<bool>("silent");     // else "(" is refused
        QTest::newRow("write window, ( refused") << false << false;
        QTest::newRow("write window, silent encoder") << false << true;
        QTest::newRow("file encode window, silent encoder") << true << true;
    }

    void openingFails() {
        QFETCH(bool, fileWindow);
        QFETCH(bool, silent);
        fileWindow ? openingFailsIn<cfrmEncodeRF>(silent) : openingFailsIn<cfrmWriteCard>(silent);
    }

    // An encoder that answers every read request with "^^" gets the read again, a few times
    // a second rather than thousands.
    void confusedEncoderIsAskedCalmly() {
        ModelRig<cfrmReadCard> rig(Set::Kvt380a);
        rig.model().answerWrongly("P", "^^", EncoderModel::kAlways);
        rig.pump.after(1s, [&rig] { rig.cancelButton()->click(); });
        rig.window->run();

        const auto reads = rig.port->sends().count("P");
        QVERIFY2(reads >= 2 && reads <= 1s / KvtReadRetryPause + 1,
                 qPrintable(QString::number(reads)));
        QVERIFY(rig.errors.isEmpty());
    }
};

QTEST_MAIN(TestReadWrite)
#include "tst_readwrite.moc"
