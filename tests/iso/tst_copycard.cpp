#include "PromptRig.h"

#include "iso/cfrmCopyCard.h"

namespace {

enum class Fault { FailRead, DamagedTrack, FailWrite, RefuseWrite };

using CopyRig = ModelRig<cfrmCopyCard>;

// What the copy window shows: caption, prompt text and colour.
QString phase(const cfrmCopyCard &window) {
    const auto *prompt = window.findChild<QLabel *>(QStringLiteral("Label1"));
    const QColor colour = prompt->palette().color(QPalette::WindowText);
    const bool buttonText = colour == window.palette().color(QPalette::ButtonText);
    const bool clipped = prompt->width() < prompt->fontMetrics().horizontalAdvance(prompt->text());
    return window.windowTitle() + " / " + prompt->text() + " / " +
           (buttonText ? "button text" : colour.name()) + (clipped ? " / clipped" : "");
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestCopyCard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A source whose track 2 is blank, onto a target whose track 2 is kept; then Cancel while
    // the window waits for the next source card, or for the target of the next copy.
    void copyOneCard_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<QString>("cancelIn");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("portOpenForWrite"); // when the write phase begins
        setRow(Set::Lrq118, "ESC a after each read")
            << cfrmCopyCard::ReadCaption
            << QByteArray("1b61 1b5a3d163d 1b6ad24bd2 1b72 1b61 "
                          "1b771b731b014142431b021b033435363f1c 1b72 1b61")
            << false;
        setRow(Set::Kvt380a, "L before each read, Cancel in the write phase")
            << cfrmCopyCard::WriteCaption
            << QByteArray("7f 4c 50 51 52 53 41 41424304 43 34353604 40 4c 50 51 52 53 41 "
                          "41424304 42 39393904 43 34353604 40 7f")
            << true;
    }

    void copyOneCard() {
        QFETCH(Set, set);
        QFETCH(QString, cancelIn);
        CopyRig rig(set);
        rig.model().insertCard(Card::fromTexts("ABC", "", "456"));
        QString writePhase;
        QString readPhase; // after the copy
        bool portOpenForWrite = false;
        QByteArray inputForWrite;
        rig.cancelWhen([&] {
            const QString title = rig.window->windowTitle();
            if (title == cfrmCopyCard::WriteCaption && writePhase.isEmpty()) {
                writePhase = phase(*rig.window);
                portOpenForWrite = rig.port->isOpen();
                inputForWrite = rig.tracks(0) + ' ' + rig.lengths(0);
                rig.model().insertCard(Card::fromTexts("OLD", "999", "777"));
            }
            if (title == cfrmCopyCard::ReadCaption && rig.written.size() == 1)
                readPhase = phase(*rig.window);
            return rig.written.size() == 1 && rig.model().waitingForSwipe() && title == cancelIn;
        });
        rig.window->run();

        QTEST(sentHex(*rig.port), "sent");
        QTEST(portOpenForWrite, "portOpenForWrite");
        QCOMPARE(writePhase,
                 cfrmCopyCard::WriteCaption + " / " + cfrmCopyCard::WritePrompt + " / #ff0000");
        QCOMPARE(inputForWrite, "ABC|+|456 3|0|3");
        QCOMPARE(rig.written, QByteArrayList{"ABC|999|456"});
        QCOMPARE(readPhase,
                 cfrmCopyCard::ReadCaption + " / " + cfrmCopyCard::ReadPrompt + " / button text");
        // Cancel clears the output record and the message, and keeps the source in the input
        // record.
        const QByteArray source =
            cancelIn == cfrmCopyCard::ReadCaption ? "ABC|+|456" : "ABC|999|456";
        QCOMPARE(rig.tracks(0) + ' ' + rig.tracks() + ' ' + rig.lengths(), source + " || 0|0|0");
        QCOMPARE(rig.records.message(), QByteArray());
        QVERIFY(rig.errors.isEmpty());
        QVERIFY(!rig.port->isOpen());
    }

    // Each error window with the records it was shown over, the error indication frames
    // sent, the copies made and the input record at the end.
    void failures_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QStringList>("happened");
        const QString failedWrite = "Write Swipe Error; input A1|11|+; output *";
        setRow(Set::Kvt380a, "read failed")
            << Fault::FailRead
            << QStringList{"Read Swipe Error; input ||; output ", "4d", "2 copies", "B2|22|+"};
        setRow(Set::Kvt380a, "damaged track")
            << Fault::DamagedTrack
            << QStringList{"Read Swipe Error; input A1|11|*; output ", "", "2 copies", "B2|22|+"};
        setRow(Set::Lrq118, "write failed, written again")
            << Fault::FailWrite << QStringList{failedWrite, "1b85 1b81", "2 copies", "B2|22|+"};
        setRow(Set::Kvt380a, "write refused: the window closes")
            << Fault::RefuseWrite << QStringList{failedWrite, "4d 6d", "0 copies", "A1|11|+"};
    }

    // Two source cards from the deck, each copied onto the card in the slot; then Cancel while
    // the window waits for the next source card.
    void failures() {
        QFETCH(Set, set);
        QFETCH(Fault, fault);
        QFETCH(QStringList, happened);
        CopyRig rig(set);
        QList<Card> deck{Card::fromTexts("A1", "11", ""), Card::fromTexts("B2", "22", "")};
        if (fault == Fault::FailRead)
            rig.model().failNextRead();
        if (fault == Fault::FailRead || fault == Fault::DamagedTrack)
            deck.prepend(Card::fromTexts("A1", "11", fault == Fault::FailRead ? "" : "*"));
        if (fault == Fault::FailWrite)
            rig.model().failNextWrite();
        if (fault == Fault::RefuseWrite)
            rig.model().answerWrongly("A", "X");
        rig.model().setDeck(deck);
        rig.watcher.inspect = [&rig](QWidget *error) {
            // The copy window is disabled behind its error window, which stays usable.
            QVERIFY(!rig.window->isEnabled());
            QVERIFY(error->isEnabled());
            rig.errors << error->windowTitle() + "; input " + rig.tracks(0) + "; output " +
                              rig.records.track(3);
        };
        // A refused write ends the window by itself.
        const int copies = happened.at(2).front().digitValue();
        if (fault != Fault::RefuseWrite)
            rig.cancelWhen([&rig, copies] {
                return rig.written.size() == copies && rig.model().waitingForSwipe() &&
                       rig.window->windowTitle() == cfrmCopyCard::ReadCaption;
            });
        rig.window->run();

        QByteArrayList indications;
        for (const QByteArray &send : sentHex(*rig.port).split(' ')) {
            if (QByteArrayList{"1b85", "1b81", "4d", "6d"}.contains(send))
                indications << send;
        }
        rig.errors << indications.join(' ') << QStringLiteral("%1 copies").arg(rig.written.size())
                   << rig.tracks(0);
        QCOMPARE(rig.errors, happened);
        QVERIFY(rig.window->isEnabled());
        QCOMPARE(rig.tracks() + rig.records.message(), "||");
        QVERIFY(!rig.port->isOpen());
    }

    void openingAndClosing_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<Duration>("cancelAt"); // 0: the window closes by itself
        QTest::addColumn<bool>("portLost");     // the port is closed when Cancel is pressed
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<Duration>("closing"); // from Cancel until the window has gone
        const QByteArray del = QByteArray::fromHex("7f");
        const QStringList readError{QStringLiteral("Read Swipe Error")};
        // The closing step sends nothing in LRQ118; the pending read still ends with ESC a.
        setRow(Set::Lrq118, "closed")
            << Replies{{QByteArray::fromHex("1b6ad24bd2"), QByteArray::fromHex("1b30"), 10ms}}
            << Duration(1500ms) << false << QStringList()
            << QByteArray("1b61 1b5a3d163d 1b6ad24bd2 1b72 1b61") << Duration();
        // DEL, up to 0.5 s for its answer, then 0.2 s.
        setRow(Set::Kvt380a, "closed, the port reopened")
            << Replies{{del, ":", 10ms}, {"L", "^", 10ms}, {"P", "^", 10ms}} << Duration(1500ms)
            << true << QStringList() << QByteArray("7f 4c 50 7f") << Duration(700ms);
        setRow(Set::Kvt380a, "L refused: indication on, then the window closes")
            << Replies{{del, ":", 10ms}, {"L", "X", 10ms}} << Duration() << false << readError
            << QByteArray("7f 4c 4d 7f") << Duration();
        // Nothing answers L once the port is closed: no error for the operator who closed it.
        setRow(Set::Kvt380a, "closed while L is unanswered")
            << Replies{{del, ":", 10ms}} << Duration(500ms) << false << QStringList()
            << QByteArray("7f 4c 7f") << Duration(700ms);
        // After a failed read the answer to M comes in while the error window is shown; the L
        // before the next read is judged on its own answer.
        setRow(Set::Kvt380a, "late answer to the error indication")
            << Replies{{del, ":", 10ms}, {"L", "^"},       {"P", "^", 10ms},
                       {{}, "^", 1s},    {"Q", "*", 10ms}, {"R", "*", 10ms},
                       {"S", "*", 10ms}, {"M", "^", 5ms},  {"L", "^"}}
            << Duration(5s) << false << readError << QByteArray("7f 4c 50 51 52 53 4d 4c 50 7f")
            << Duration(700ms);
    }

    void openingAndClosing() {
        QFETCH(Set, set);
        QFETCH(Replies, replies);
        QFETCH(Duration, cancelAt);
        QFETCH(bool, portLost);
        QFETCH(Duration, closing);
        ScriptRig<cfrmCopyCard> rig(set);
        script(*rig.port, replies);
        rig.watcher.inspect = [&rig](QWidget *error) {
            rig.errors << error->windowTitle();
            rig.clock.advance(1s); // the operator reads the message
        };
        const Duration cancelled = rig.clock.now() + cancelAt;
        rig.cancelAt(cancelAt, portLost);
        rig.window->run();

        QTEST(rig.errors, "errors");
        QTEST(sentHex(*rig.port), "sent");
        if (cancelAt > Duration::zero()) {
            QVERIFY(rig.clock.now() - cancelled >= closing);
            QVERIFY(rig.clock.now() - cancelled < closing + 20ms);
        }
        QVERIFY(!rig.port->isOpen());
        QVERIFY(!rig.window->isVisible());
    }
};

QTEST_MAIN(TestCopyCard)
#include "tst_copycard.moc"
