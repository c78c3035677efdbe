#include "PromptRig.h"

#include "app/MainModule.h"
#include "iso/frmEraseCard.h"
#include "iso/frmTrackSelect.h"
#include "ui/frmMainMenu.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

enum class Choice { Ok, Cancel, TitleBar };

const QByteArray EraseComplete = "\r\nErase complete.  Verify data accuracy before continue.";

// Presses Cancel as a click does: it waits in the event queue for the window's next yield.
void queueCancel(QPushButton *cancel) {
    QMetaObject::invokeMethod(cancel, &QAbstractButton::click, Qt::QueuedConnection);
}

} // namespace

Q_DECLARE_METATYPE(Set)
Q_DECLARE_METATYPE(Choice)
Q_DECLARE_METATYPE(Replies)

class TestEraseCard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void trackChoice_data();
    void trackChoice();
    void eraseCards_data();
    void eraseCards();
    void openingAndClosing_data();
    void openingAndClosing();
    void closedDuringThePause();
};

void TestEraseCard::trackChoice_data() {
    QTest::addColumn<QList<int>>("ticked"); // track numbers
    QTest::addColumn<Choice>("choice");
    QTest::addColumn<qint16>("mask");
    QTest::newRow("tracks 1 and 3") << QList{1, 3} << Choice::Ok << qint16(5);
    QTest::newRow("all three") << QList{1, 2, 3} << Choice::Ok << qint16(7);
    QTest::newRow("track 2") << QList{2} << Choice::Ok << qint16(2);
    QTest::newRow("nothing ticked") << QList<int>() << Choice::Ok << qint16(0);
    QTest::newRow("Cancel") << QList{1, 2} << Choice::Cancel << qint16(0);
    QTest::newRow("title-bar close") << QList{3} << Choice::TitleBar << qint16(0);
}

// "Erase" in the main window with the track choice answered; the erase window opens only
// for a choice with a track in it. A second choice starts with nothing ticked.
void TestEraseCard::trackChoice() {
    QFETCH(QList<int>, ticked);
    QFETCH(Choice, choice);
    QFETCH(qint16, mask);
    MainModule state;
    state.initialise();
    frmMainMenu main(state);
    frmTrackSelect select(state, &main);
    QList<qint16> erased;
    QList<bool> untickedAtStart;
    CommandWindows windows;
    windows.eraseTrackSelect = [&] {
        QTimer::singleShot(0, &select, [&] {
            bool unticked = true;
            for (int track = 1; track <= 3; ++track) {
                auto *box =
                    select.findChild<QCheckBox *>(QStringLiteral("Check1_%1").arg(track - 1));
                unticked = unticked && !box->isChecked();
                box->setChecked(ticked.contains(track));
            }
            untickedAtStart << unticked;
            if (choice == Choice::TitleBar)
                select.close();
            else
                select.findChild<QPushButton *>(choice == Choice::Ok ? "Command1" : "Command2")
                    ->click();
        });
        select.run();
    };
    windows.eraseCard = [&] {
        erased << state.EraseTrackMask;
    };
    main.setCommandWindows(windows);
    main.command(7);
    main.command(7);

    QCOMPARE(untickedAtStart, (QList<bool>{true, true}));
    QCOMPARE(state.EraseTrackMask, mask);
    QCOMPARE(erased, (mask == 0 ? QList<qint16>() : QList<qint16>{mask, mask}));
    QCOMPARE(select.windowTitle(), QStringLiteral("Erase-Track Selection"));
}

void TestEraseCard::eraseCards_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<bool>("firstFails");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QByteArrayList>("sent");
    QTest::addColumn<QStringList>("shown"); // card number and message, as they change
    const QStringList cards{"1", "1 erased", "2", "2 erased", "3"};
    // Tracks 1 and 3; three cards: the third one is awaited when Cancel is pressed.
    QTest::newRow("LRQ118") << Set::Lrq118 << false << QStringList()
                            << QByteArrayList{"1b61", "1b84", "1b6305", "1b6305", "1b6305", "1b61"}
                            << cards;
    QTest::newRow("KVT-380A") << Set::Kvt380a << false << QStringList()
                              << QByteArrayList{"7f", "28", "5a", "5c", "5d", "4c",
                                                "6c", "28", "5a", "5c", "5d", "4c",
                                                "6c", "28", "5a", "5c", "5d", "7f"}
                              << cards;
    // A failed card keeps its number; the error window shows over an empty message area.
    const QStringList failed{QStringLiteral("Erase Swipe Error: card 1, message \"\"")};
    QTest::newRow("LRQ118, the first erase fails")
        << Set::Lrq118 << true << failed
        << QByteArrayList{"1b61",   "1b84",   "1b6305", "1b85", "1b81",
                          "1b6305", "1b6305", "1b6305", "1b61"}
        << cards;
    QTest::newRow("KVT-380A, the first erase fails")
        << Set::Kvt380a << true << failed
        << QByteArrayList{"7f", "28", "5a", "5c", "5d", "4c", "6c", "4d", "6d", "4c",
                          "6c", "28", "5a", "5c", "5d", "4c", "6c", "28", "5a", "5c",
                          "5d", "4c", "6c", "28", "5a", "5c", "5d", "7f"}
        << cards;
}

void TestEraseCard::eraseCards() {
    QFETCH(Set, set);
    QFETCH(bool, firstFails);
    ModelRig<frmEraseCard> rig(set);
    rig.state.EraseTrackMask = 5;
    rig.model().insertCard(Card::fromTexts("ABC", "123", "456"));
    if (firstFails)
        rig.model().failNextWrite();
    auto *cardNumber = rig.window->findChild<QLabel *>(QStringLiteral("LC"));
    auto *sentence = rig.window->findChild<QLabel *>(QStringLiteral("Label1"));
    rig.watcher.inspect = [&](QWidget *error) {
        rig.errors << error->windowTitle() + ": card " + cardNumber->text() + ", message \"" +
                          QString::fromLatin1(rig.records.message()) + '"';
    };
    QStringList shown;
    Duration messageSince{};
    Duration shortestMessage = Duration::max();
    rig.poll([&] {
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
        if (cardNumber->text() != "3" || !rig.model().waitingForSwipe())
            return false;
        rig.cancelButton()->click();
        return true;
    });
    rig.window->run();

    QTEST(rig.errors, "errors");
    QTEST(hex(rig.port->sends()), "sent");
    QTEST(shown, "shown");
    QVERIFY(shortestMessage >= frmEraseCard::NextCardPause);
    QCOMPARE(sentence->text(), frmEraseCard::CardSentence);
    QVERIFY(sentence->width() >= sentence->fontMetrics().horizontalAdvance(sentence->text()));
    QCOMPARE(rig.model().card().describe(),
             QStringLiteral(R"(track 1 blank, track 2 "123", track 3 blank)"));
    QCOMPARE(rig.records.message(), QByteArray());
    QVERIFY(!rig.port->isOpen());
}

void TestEraseCard::openingAndClosing_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<qint16>("mask");
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<Duration>("cancelAt"); // 0: the window closes by itself
    QTest::addColumn<bool>("portLost");     // the port is found closed when Cancel is pressed
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QByteArrayList>("sent");
    const QByteArray del = QByteArray::fromHex("7f");
    const Replies opened{{del, ":", 10ms}, {"(", "^", 10ms}};
    const Replies erasing = opened + Replies{{"Z", "^"}, {"\\", "^"}, {"]", "^"}};
    const QStringList readError{QStringLiteral("Read Swipe Error: ")};
    QTest::newRow("close erase, LRQ118 reopens")
        << Set::Lrq118 << qint16(5) << Replies() << Duration(1500ms) << true << QStringList()
        << QByteArrayList{"1b61", "1b84", "1b6305", "1b61"};
    QTest::newRow("close erase, KVT-380A")
        << Set::Kvt380a << qint16(5) << erasing << Duration(1500ms) << false << QStringList()
        << QByteArrayList{"7f", "28", "5a", "5c", "5d", "7f"};
    QTest::newRow("KVT-380A reset answered wrongly")
        << Set::Kvt380a << qint16(5) << Replies{{del, "X", 10ms}} << Duration(0ms) << false
        << readError << QByteArrayList{"7f", "7f"};
    QTest::newRow("KVT-380A ( refused: L, l, indication on and off")
        << Set::Kvt380a << qint16(5) << Replies{{del, ":", 10ms}, {"(", "X", 10ms}, {"L", "^"},
                                                {"l", "^"},       {"M", "^"},       {"m", "^"}}
        << Duration(0ms) << false << readError
        << QByteArrayList{"7f", "28", "4c", "6c", "4d", "6d", "7f"};
    // Track 1 is acknowledged late; Cancel, pressed meanwhile, is seen at the wait's end.
    QTest::newRow("Cancel during a SendAndWait that does not yield")
        << Set::Kvt380a << qint16(1) << (opened + Replies{{"Z", "^", 1500ms}, {"]", "^"}})
        << Duration(800ms) << false << QStringList()
        << QByteArrayList{"7f", "28", "5a", "5d", "7f"};
    QTest::newRow("no track chosen: nothing reaches the encoder")
        << Set::Lrq118 << qint16(0) << Replies() << Duration(3s) << false << QStringList()
        << QByteArrayList();
}

void TestEraseCard::openingAndClosing() {
    QFETCH(Set, set);
    QFETCH(qint16, mask);
    QFETCH(Replies, replies);
    QFETCH(Duration, cancelAt);
    QFETCH(bool, portLost);
    ScriptRig<frmEraseCard> rig(modeOf(set));
    rig.state.EraseTrackMask = mask;
    script(*rig.port, replies);
    if (cancelAt > Duration::zero()) {
        rig.pump.after(cancelAt, [&] {
            if (portLost)
                rig.port->close();
            queueCancel(rig.cancelButton());
        });
    }
    rig.window->run();

    QTEST(rig.errors, "errors");
    QTEST(hex(rig.port->sends()), "sent");
    QVERIFY(!rig.port->isOpen());
    QVERIFY(!rig.window->isVisible());
    if (mask == 0)
        QCOMPARE(rig.port->opens(), 0);
}

// Nothing is left to wait for: the window goes at once, and the last card's message stays.
void TestEraseCard::closedDuringThePause() {
    ScriptRig<frmEraseCard> rig("LRQ118");
    rig.state.EraseTrackMask = 2;
    rig.port->onSend(QByteArray::fromHex("1b6302"), QByteArray::fromHex("1b30"), 100ms);
    Duration cancelled{};
    rig.pump.after(1500ms, [&] {
        cancelled = rig.clock.now();
        queueCancel(rig.cancelButton());
    });
    rig.window->run();

    QCOMPARE(hex(rig.port->sends()), (QByteArrayList{"1b61", "1b84", "1b6302", "1b61"}));
    QCOMPARE(rig.records.message(), EraseComplete);
    QVERIFY(rig.clock.now() - cancelled < 20ms);
}

QTEST_MAIN(TestEraseCard)
#include "tst_erasecard.moc"
