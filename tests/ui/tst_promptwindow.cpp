#include "StubPrompt.h"

#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// ESC s ESC 01 %ABC? ESC 02 ;123? ESC 03 ;+? FS ESC 0
const QByteArray GoldenRead =
    QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1b30");

// How a window ends before any card: the opening command refused, the window closed
// during the handshake, the port missing at opening or vanishing while a card is awaited.
enum class Ending { ResetRefused, ClosedInHandshake, PortMissing, PortVanished };

} // namespace

Q_DECLARE_METATYPE(Ending)

class TestPromptWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cardsUntilClosed_data();
    void cardsUntilClosed();
    void endsWithoutACard_data();
    void endsWithoutACard();
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

void TestPromptWindow::endsWithoutACard_data() {
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QList<bool>>("unloads");
    QTest::addColumn<QByteArray>("sent");
    // The opening command refused is checked on the write window, which adds to it.
    QTest::newRow("KVT-380A reset answered wrongly")
        << Ending::ResetRefused << QStringList{"opening error 1"} << QList{false}
        << QByteArray("7f 7f");
    QTest::newRow("KVT-380A window closed during the handshake")
        << Ending::ClosedInHandshake << QStringList() << QList{true} << QByteArray("7f 7f");
    // A lost port is reported once, after the wait for the card had ended rather than from
    // inside it.
    QTest::newRow("port missing when the window opens")
        << Ending::PortMissing
        << QStringList{"No device /dev/ttyS1 for port 2, so this window closes."} << QList{false}
        << QByteArray();
    QTest::newRow("device vanished while waiting for a card")
        << Ending::PortVanished << QStringList{"The device was unplugged, so this window closes."}
        << QList{false} << QByteArray("1b 61 1b 84 1b 72");
}

void TestPromptWindow::endsWithoutACard() {
    QFETCH(Ending, ending);
    StubPromptRig rig(ending == Ending::ResetRefused || ending == Ending::ClosedInHandshake);
    StubPrompt &window = *rig.window;
    if (ending == Ending::ResetRefused)
        rig.port->onSend(QByteArray::fromHex("7f"), "X", 10ms);
    else if (ending == Ending::ClosedInHandshake)
        rig.pump.after(100ms, [&] { window.close(); });
    else if (ending == Ending::PortMissing)
        rig.port->failOpen(QStringLiteral("No device /dev/ttyS1 for port 2."));
    else
        rig.pump.after(500ms, [&] {
            rig.port->close();
            Q_EMIT rig.port->connectionLost(QStringLiteral("The device was unplugged."));
        });
    window.run();

    QTEST(window.shown, "shown");
    QTEST(window.unloads, "unloads");
    QTEST(rig.port->sent().toHex(' '), "sent");
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
