#include "PromptRig.h"

#include "app/MainModule.h"
#include "iso/frmEraseCard.h"
#include "iso/frmTrackSelect.h"

#include <QCheckBox>
#include <QTimer>

namespace {

const QByteArray EraseComplete = "\r\nErase complete.  Verify data accuracy before continue.";

} // namespace

class TestEraseCard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void trackChoice_data() {
        QTest::addColumn<QList<int>>("ticked"); // track numbers
        QTest::addColumn<QByteArray>("button"); // "": the title-bar close box
        QTest::addColumn<qint16>("mask");
        QTest::newRow("tracks 1 and 3") << QList{1, 3} << QByteArray("Command1") << qint16(5);
        QTest::newRow("nothing ticked") << QList<int>() << QByteArray("Command1") << qint16(0);
        QTest::newRow("Cancel") << QList{1, 2} << QByteArray("Command2") << qint16(0);
        QTest::newRow("title-bar close") << QList{3} << QByteArray() << qint16(0);
    }

    // The choice window opened twice, as the main window opens it after clearing the mask;
    // the second opening starts with nothing ticked.
    void trackChoice() {
        QFETCH(QList<int>, ticked);
        QFETCH(QByteArray, button);
        MainModule state;
        state.initialise();
        frmTrackSelect select(state);
        for (int opening = 0; opening < 2; ++opening) {
            state.EraseTrackMask = 0;
            bool untickedAtStart = true;
            QTimer::singleShot(0, &select, [&] {
                for (int track = 0; track < 3; ++track) {
                    auto *box =
                        select.findChild<QCheckBox *>(QStringLiteral("Check1_%1").arg(track));
                    untickedAtStart = untickedAtStart && !box->isChecked();
                    box->setChecked(ticked.contains(track + 1));
                }
                if (button.isEmpty())
                    select.close();
                else
                    select.findChild<QPushButton *>(QString::fromLatin1(button))->click();
            });
            select.run();
            QVERIFY(untickedAtStart);
        }
        QTEST(state.EraseTrackMask, "mask");
    }

    // Tracks 1 and 3 of three cards: the third one is awaited when Cancel is pressed. A failed
    // card keeps its number; its error window shows over an empty message area.
    void eraseCards_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<bool>("firstFails");
        QTest::addColumn<QByteArray>("sent");
        setRow(Set::Lrq118, "three cards")
            << false << QByteArray("1b61 1b84 1b6305 1b6305 1b6305 1b61");
        setRow(Set::Kvt380a, "three cards")
            << false << QByteArray("7f 28 5a 5c 5d 4c 6c 28 5a 5c 5d 4c 6c 28 5a 5c 5d 7f");
        setRow(Set::Kvt380a, "the first erase fails")
            << true
            << QByteArray("7f 28 5a 5c 5d 4c 6c 4d 6d 4c 6c 28 5a 5c 5d 4c 6c 28 5a 5c 5d 4c "
                          "6c 28 5a 5c 5d 7f");
    }

    void eraseCards() {
        QFETCH(Set, set);
        QFETCH(bool, firstFails);
        ModelRig<frmEraseCard> rig(set);
        rig.state.EraseTrackMask = 5;
        rig.model().insertCard(Card::fromTexts("ABC", "123", "456"));
        if (firstFails)
            rig.model().failNextWrite();
        auto *cardNumber = rig.child<QLabel>("LC");
        auto *sentence = rig.child<QLabel>("Label1");
        rig.watcher.inspect = [&](QWidget *error) {
            rig.errors << error->windowTitle() + ": card " + cardNumber->text() + ", message \"" +
                              QString::fromLatin1(rig.records.message()) + '"';
        };
        // The card number and the success message as they change.
        QStringList shown;
        Duration messageSince{};
        Duration shortestMessage = Duration::max();
        rig.cancelWhen([&] {
            if (!sentence->isVisible())
                return false;
            const bool erased = rig.records.message() == EraseComplete;
            const QString now = cardNumber->text() + (erased ? " erased" : "");
            if (shown.isEmpty() || shown.last() != now) {
                if (erased)
                    messageSince = rig.clock.now();
                else if (!shown.isEmpty() && shown.last().endsWith("erased"))
                    shortestMessage = std::min(shortestMessage, rig.clock.now() - messageSince);
                shown << now;
            }
            return cardNumber->text() == "3" && rig.model().waitingForSwipe();
        });
        rig.window->run();

        QCOMPARE(rig.errors, firstFails ? QStringList{"Erase Swipe Error: card 1, message \"\""}
                                        : QStringList());
        QTEST(sentHex(*rig.port), "sent");
        QCOMPARE(shown.join(", "), "1, 1 erased, 2, 2 erased, 3");
        QVERIFY(shortestMessage >= frmEraseCard::NextCardPause);
        QVERIFY(sentence->width() >= sentence->fontMetrics().horizontalAdvance(sentence->text()));
        QCOMPARE(rig.model().card().describe(),
                 QStringLiteral(R"(track 1 blank, track 2 "123", track 3 blank)"));
        QCOMPARE(rig.records.message(), QByteArray());
        QVERIFY(!rig.port->isOpen());
    }

    void openingAndClosing_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<qint16>("mask");
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<Duration>("cancelAt"); // 0: the window closes by itself
        QTest::addColumn<bool>("portLost");     // the port is closed when Cancel is pressed
        QTest::addColumn<QByteArray>("sent");   // and the error window, if any
        const QByteArray del = QByteArray::fromHex("7f");
        const Replies opened{{del, ":", 10ms}, {"(", "^", 10ms}};
        setRow(Set::Lrq118, "closed, the port reopened")
            << qint16(5) << Replies() << Duration(1500ms) << true
            << QByteArray("1b61 1b84 1b6305 1b61");
        setRow(Set::Kvt380a, "closed")
            << qint16(5) << (opened + Replies{{"Z", "^"}, {"\\", "^"}, {"]", "^"}})
            << Duration(1500ms) << false << QByteArray("7f 28 5a 5c 5d 7f");
        setRow(Set::Kvt380a, "( refused: L, l, indication on and off")
            << qint16(5) << Replies{{del, ":", 10ms}, {"(", "X", 10ms}, {"L", "^"},
                                    {"l", "^"},       {"M", "^"},       {"m", "^"}}
            << Duration() << false << QByteArray("7f 28 4c 6c 4d 6d 7f Read Swipe Error: ");
        // Track 1 is acknowledged late; Cancel, pressed meanwhile, is seen at the wait's end.
        setRow(Set::Kvt380a, "Cancel during a SendAndWait that does not yield")
            << qint16(1) << (opened + Replies{{"Z", "^", 1500ms}, {"]", "^"}}) << Duration(800ms)
            << false << QByteArray("7f 28 5a 5d 7f");
        setRow(Set::Lrq118, "no track chosen: nothing reaches the encoder")
            << qint16(0) << Replies() << Duration(3s) << false << QByteArray();
    }

    void openingAndClosing() {
        QFETCH(Set, set);
        QFETCH(qint16, mask);
        QFETCH(Replies, replies);
        QFETCH(Duration, cancelAt);
        QFETCH(bool, portLost);
        ScriptRig<frmEraseCard> rig(set);
        rig.state.EraseTrackMask = mask;
        script(*rig.port, replies);
        rig.cancelAt(cancelAt, portLost);
        rig.window->run();

        const QStringList seen = QStringList(QString::fromLatin1(sentHex(*rig.port))) + rig.errors;
        QTEST(seen.join(' ').toLatin1(), "sent");
        QVERIFY(!rig.port->isOpen());
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.port->opens() == 0, mask == 0);
    }

    // Nothing is left to wait for: the window goes at once, and the last card's message stays.
    void closedDuringThePause() {
        ScriptRig<frmEraseCard> rig(Set::Lrq118);
        rig.state.EraseTrackMask = 2;
        rig.port->onSend(QByteArray::fromHex("1b6302"), QByteArray::fromHex("1b30"), 100ms);
        const Duration start = rig.clock.now();
        rig.cancelAt(1500ms);
        rig.window->run();

        QCOMPARE(sentHex(*rig.port), "1b61 1b84 1b6302 1b61");
        QCOMPARE(rig.records.message(), EraseComplete);
        QVERIFY(rig.clock.now() - start < 1520ms);
    }
};

QTEST_MAIN(TestEraseCard)
#include "tst_erasecard.moc"
