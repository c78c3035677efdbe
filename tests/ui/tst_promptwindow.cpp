#include "StubPrompt.h"

#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// ESC s ESC 01 %ABC? ESC 02 ;123? ESC 03 ;+? FS ESC 0
const QByteArray GoldenRead =
    QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1b30");

} // namespace

class TestPromptWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cardsUntilClosed_data();
    void cardsUntilClosed();
    void openingFailure_data();
    void openingFailure();
    void portFailure_data();
    void portFailure();
    void skipAndLook();
};

void TestPromptWindow::cardsUntilClosed_data() {
    QTest::addColumn<QList<QByteArray>>("replies"); // one per card
    QTest::addColumn<bool>("titleBar");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("lastCard");
    QTest::newRow("a failed card and three good ones, then Cancel")
        << QList{QByteArray::fromHex("1b31"), GoldenRead, GoldenRead, GoldenRead} << false
        << QStringList{"card error"} << "4";
    QTest::newRow("title-bar close while waiting")
        << QList<QByteArray>() << true << QStringList() << "1";
}

void TestPromptWindow::cardsUntilClosed() {
    QFETCH(QList<QByteArray>, replies);
    QFETCH(bool, titleBar);
    StubPromptRig rig;
    StubPrompt &window = *rig.window;
    for (const QByteArray &reply : replies)
        rig.port->onSend(QByteArray::fromHex("1b72"), reply, 200ms);
    // Activations while the loop runs, here and when the error window closes, do nothing.
    rig.pump.after(100ms, [&] {
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&window, &activation);
    });
    bool promptShown = false;
    bool portOpenAfterClose = true;
    rig.pump.after(6s, [&] {
        promptShown = window.findChild<QLabel *>(QStringLiteral("Label2"))->isVisible();
        if (titleBar)
            window.close();
        else
            window.findChild<QPushButton *>(QStringLiteral("Command1_0"))->click();
        portOpenAfterClose = rig.port->isOpen();
    });
    window.run();

    QCOMPARE(rig.port->sends().count(QByteArray::fromHex("1b84")), 1); // not opened again
    QTEST(window.shown, "shown");
    QTEST(window.findChild<QLabel *>(QStringLiteral("LC"))->text(), "lastCard");
    QVERIFY(promptShown);
    QVERIFY(!portOpenAfterClose);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.unloads, QList<bool>{true});
    QVERIFY(rig.state.ReplyDone);
}

// The opening command refused is checked on the write window, which adds to it.
void TestPromptWindow::openingFailure_data() {
    QTest::addColumn<QByteArray>("resetReply"); // none: the operator closes the window
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("reset answered wrongly") << QByteArray("X") << QStringList{"opening error 1"};
    QTest::newRow("window closed during the handshake") << QByteArray() << QStringList();
}

void TestPromptWindow::openingFailure() {
    QFETCH(QByteArray, resetReply);
    StubPromptRig rig(true);
    StubPrompt &window = *rig.window;
    if (resetReply.isEmpty())
        rig.pump.after(100ms, [&] { window.close(); });
    else
        rig.port->onSend(QByteArray::fromHex("7f"), resetReply, 10ms);
    window.run();

    QVERIFY(!window.isVisible());
    QTEST(window.shown, "shown");
    QCOMPARE(window.unloads, QList<bool>{resetReply.isEmpty()});
    const QByteArray del = QByteArray::fromHex("7f");
    QCOMPARE(rig.port->sends(), (QList<QByteArray>{del, del}));
    QVERIFY(!rig.port->isOpen());
}

void TestPromptWindow::portFailure_data() {
    QTest::addColumn<QString>("why"); // what the port says; no reason: it was gone at opening
    QTest::newRow("port missing when the window opens") << QString();
    QTest::newRow("device vanished while waiting for a card") << "The device was unplugged.";
}

void TestPromptWindow::portFailure() {
    QFETCH(QString, why);
    StubPromptRig rig;
    StubPrompt &window = *rig.window;
    if (why.isEmpty()) {
        why = QStringLiteral("No device /dev/ttyS1 for port 2.");
        rig.port->failOpen(why);
    } else {
        rig.pump.after(500ms, [&] {
            rig.port->close();
            Q_EMIT rig.port->connectionLost(why);
        });
    }
    window.run();

    // Reported once, after the wait for the card had ended rather than from inside it.
    QCOMPARE(window.shown, QStringList{why.chopped(1) + ", so this window closes."});
    QVERIFY(!window.isVisible());
    QVERIFY(!rig.port->isOpen());
}

// A window without a card sentence whose prompt is Label1, with Skip: the skip request is
// taken once and gives the button back.
void TestPromptWindow::skipAndLook() {
    StubPromptRig rig(false, {.cardSentence = false, .skipButton = true, .promptName = "Label1"});
    StubPrompt &window = *rig.window;
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("LC")) == nullptr);
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("Label2")) == nullptr);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Label1"))->text(), "Please swipe a card.");
    auto *skip = window.findChild<QPushButton *>(QStringLiteral("Command1_1"));
    QVERIFY(skip != nullptr);
    QVERIFY(!skip->isEnabled());
    QVERIFY(!window.takeSkipRequest());
    window.setSkipEnabled(true);
    skip->click();
    QVERIFY(!skip->isEnabled());
    QVERIFY(window.takeSkipRequest());
    QVERIFY(skip->isEnabled());
    QVERIFY(!window.takeSkipRequest());
}

QTEST_MAIN(TestPromptWindow)
#include "tst_promptwindow.moc"
