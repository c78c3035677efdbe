#include "FakeRecords.h"
#include "FakeTime.h"
#include "ScriptedPort.h"

#include "app/MainModule.h"
#include "iso/PromptWindow.h"
#include "link/Waiter.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <array>

using namespace std::chrono_literals;

namespace {

// ESC s ESC 01 %ABC? ESC 02 ;123? ESC 03 ;+? FS ESC 0
const QByteArray GoldenRead =
    QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1b30");
const QByteArray ReadFrame = QByteArray::fromHex("1b72");

// A read-type window: one ReadTracks per card, success advances the card number.
class StubWindow final : public PromptWindow {
public:
    StubWindow(const Context &context, FakePump &pump)
        : PromptWindow(context, IsoProtocol::forReadWindow()), pump_(pump) {
        setCardSentence(QStringLiteral("You are reading card #                 ."));
    }

    int starts = 0;
    int cardErrors = 0;
    QList<Opening> openingErrors;
    QStringList portReports;
    QList<bool> unloads;
    QList<bool> promptSeen;
    QList<bool> promptAtReport;
    bool activateDuringError = false;

protected:
    void startWork() override {
        ++starts;
        PromptWindow::startWork();
    }
    Opening openingHandshake() override { return standardHandshake(IsoProtocol::Opening::Read); }
    Next runCard() override {
        const SwipeResult result = protocol().ReadTracks();
        if (state().CancelRequested)
            return Next::Stop;
        if (result == SwipeResult::Done) {
            records().setMessage("\r\nread");
            advanceCardNumber();
        } else if (result == SwipeResult::Failed) {
            reportCardFailure();
        }
        return Next::Continue;
    }
    void showOpeningError(Opening failure) override { openingErrors << failure; }
    void showCardError() override {
        ++cardErrors;
        if (activateDuringError) {
            // What a modal message window does when it closes.
            QEvent activation(QEvent::WindowActivate);
            QCoreApplication::sendEvent(this, &activation);
            pump_.yield();
            pump_.yield();
        }
    }
    void unloading(bool byOperator) override { unloads << byOperator; }
    void reportPortFailure(const QString &sentence) override {
        portReports << sentence;
        promptAtReport << swipeLabel()->isVisible();
    }

private:
    FakePump &pump_;
};

struct Rig {
    explicit Rig(bool kvt = false) {
        state.EmulationMode = kvt ? "KVT-380A" : "LRQ118";
        state.CommPort = "2";
        state.CommSettings = "9600,o,7,1";
    }
    StubWindow &window() {
        if (!window_) {
            const PortFactory factory = [this](QObject *parent) {
                port = new ScriptedPort(clock);
                port->setParent(parent);
                return port;
            };
            window_ = std::make_unique<StubWindow>(
                PromptWindow::Context{state, waiter, records, factory}, pump);
        }
        return *window_;
    }
    [[nodiscard]] int count(const QByteArray &hex) const {
        return static_cast<int>(port->sends().count(QByteArray::fromHex(hex)));
    }
    void clickCancel() { window().findChild<QPushButton *>(QStringLiteral("Command1_0"))->click(); }

    MainModule state;
    FakeClock clock;
    FakePump pump{clock};
    Waiter waiter{state, clock, pump};
    FakeRecords records;
    ScriptedPort *port = nullptr;

private:
    std::unique_ptr<StubWindow> window_;
};

} // namespace

class TestPromptWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void threeCardsThenCancel();
    void activationDuringTheLoopDoesNothing_data();
    void activationDuringTheLoopDoesNothing();
    void closingDuringAWait_data();
    void closingDuringAWait();
    void openingFailure_data();
    void openingFailure();
    void portFailure_data();
    void portFailure();
};

void TestPromptWindow::threeCardsThenCancel() {
    Rig rig;
    rig.records.setMessage("before");
    StubWindow &window = rig.window();
    for (int i = 0; i < 3; ++i)
        rig.port->onSend(ReadFrame, GoldenRead, 200ms);
    auto *prompt = window.findChild<QLabel *>(QStringLiteral("Label2"));
    QCOMPARE(prompt->text(), QStringLiteral("Please swipe a card."));
    rig.pump.after(1s, [&] { window.promptSeen << prompt->isVisible(); });
    rig.pump.after(6s, [&] {
        window.promptSeen << prompt->isVisible();
        rig.clickCancel();
    });
    window.run();

    QCOMPARE(window.cardNumber(), 4);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("LC"))->text(), QStringLiteral("4"));
    QCOMPARE(window.promptSeen, (QList<bool>{true, true}));
    QVERIFY(!prompt->isVisible());
    QVERIFY(!window.isVisible());
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.port->commPort(), 2);
    QCOMPARE(rig.port->settings(), QByteArray("9600,o,7,1"));
    QCOMPARE(rig.records.message(), QByteArray());
    QCOMPARE(rig.state.Track1Data, QByteArray("ABC"));
    QVERIFY(rig.state.CancelRequested);
    QVERIFY(rig.state.ReplyDone);
    QCOMPARE(window.cardErrors, 0);
    QCOMPARE(window.unloads, QList<bool>{true});
    QCOMPARE(rig.port->sends(),
             (QList<QByteArray>{QByteArray::fromHex("1b61"), QByteArray::fromHex("1b84"), ReadFrame,
                                ReadFrame, ReadFrame, ReadFrame, QByteArray::fromHex("1b61"),
                                QByteArray::fromHex("1b81"), QByteArray::fromHex("1b83")}));
}

void TestPromptWindow::activationDuringTheLoopDoesNothing_data() {
    QTest::addColumn<bool>("afterErrorWindow");
    QTest::newRow("while waiting for a card") << false;
    QTest::newRow("when an error window closes") << true;
}

void TestPromptWindow::activationDuringTheLoopDoesNothing() {
    QFETCH(bool, afterErrorWindow);
    Rig rig;
    StubWindow &window = rig.window();
    window.activateDuringError = afterErrorWindow;
    rig.port->onSend(ReadFrame, afterErrorWindow ? QByteArray::fromHex("1b31") : GoldenRead, 200ms);
    rig.pump.after(100ms, [&] {
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&window, &activation);
    });
    rig.pump.after(3s, [&] { window.close(); });
    window.run();

    QCOMPARE(window.starts, 1);
    QCOMPARE(rig.count("1b84"), 1);
    QCOMPARE(window.skipActivate(), afterErrorWindow);
    QCOMPARE(window.cardErrors, afterErrorWindow ? 1 : 0);
    QCOMPARE(window.cardNumber(), afterErrorWindow ? 1 : 2);
    // The failure lit the error indication and put it out again.
    QCOMPARE(rig.count("1b85"), afterErrorWindow ? 1 : 0);
}

void TestPromptWindow::closingDuringAWait_data() {
    QTest::addColumn<bool>("titleBar");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("title-bar close") << true;
}

void TestPromptWindow::closingDuringAWait() {
    QFETCH(bool, titleBar);
    Rig rig;
    StubWindow &window = rig.window();
    bool portOpenAfterClose = true;
    rig.pump.after(700ms, [&] {
        if (titleBar)
            window.close();
        else
            rig.clickCancel();
        portOpenAfterClose = rig.port->isOpen();
    });
    window.run();

    QVERIFY(!portOpenAfterClose);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.cardErrors, 0);
    QCOMPARE(window.openingErrors.size(), 0);
    QCOMPARE(window.unloads, QList<bool>{true});
    // The closing frames went out once, before the port closed.
    QCOMPARE(rig.count("1b81"), 1);
    QCOMPARE(rig.port->closes(), 1);
}

void TestPromptWindow::openingFailure_data() {
    QTest::addColumn<QByteArray>("resetReply");
    QTest::addColumn<QByteArray>("openingReply");
    QTest::addColumn<bool>("closeEarly");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QList<QByteArray>>("sent");
    const QByteArray del = QByteArray::fromHex("7f");
    QTest::newRow("reset answered wrongly")
        << QByteArray("X") << QByteArray() << false << int(1) << QList<QByteArray>{del, del};
    QTest::newRow("opening command not answered")
        << QByteArray(":") << QByteArray("?") << false << int(2)
        << QList<QByteArray>{del, "L", "M", "m", del};
    QTest::newRow("window closed during the handshake")
        << QByteArray() << QByteArray() << true << int(0) << QList<QByteArray>{del, del};
}

void TestPromptWindow::openingFailure() {
    QFETCH(QByteArray, resetReply);
    QFETCH(QByteArray, openingReply);
    QFETCH(bool, closeEarly);
    QFETCH(int, failure);
    Rig rig(true);
    StubWindow &window = rig.window();
    if (!resetReply.isEmpty())
        rig.port->onSend(QByteArray::fromHex("7f"), resetReply, 10ms);
    if (!openingReply.isEmpty())
        rig.port->onSend("L", openingReply, 10ms);
    rig.port->onSend("M", "^", 5ms);
    rig.port->onSend("m", "^", 5ms);
    if (closeEarly)
        rig.pump.after(100ms, [&] { window.close(); });
    window.run();

    QVERIFY(!window.isVisible());
    QCOMPARE(window.openingErrors.size(), failure ? 1 : 0);
    if (failure)
        QCOMPARE(int(window.openingErrors.first()), failure);
    QCOMPARE(window.skipActivate(), failure != 0);
    QCOMPARE(window.unloads, QList<bool>{closeEarly});
    QTEST(rig.port->sends(), "sent");
    QVERIFY(!rig.port->isOpen());
}

void TestPromptWindow::portFailure_data() {
    QTest::addColumn<bool>("atOpen");
    QTest::newRow("port missing when the window opens") << true;
    QTest::newRow("device vanished while waiting for a card") << false;
}

void TestPromptWindow::portFailure() {
    QFETCH(bool, atOpen);
    Rig rig;
    StubWindow &window = rig.window();
    if (atOpen) {
        rig.port->failOpen(QStringLiteral("No device /dev/ttyS1 for port 2."));
    } else {
        rig.pump.after(500ms, [&] {
            rig.port->close();
            Q_EMIT rig.port->connectionLost(QStringLiteral("The device was unplugged."));
        });
    }
    window.run();

    QCOMPARE(window.portReports.size(), 1);
    // Reported once the wait for the card had ended, not from inside it.
    QCOMPARE(window.promptAtReport, QList<bool>{false});
    QVERIFY(window.portReports.first().startsWith(
        QStringLiteral("The serial port to the encoder failed, so this window closes")));
    QVERIFY(window.portReports.first().contains(atOpen ? QStringLiteral("No device")
                                                       : QStringLiteral("unplugged")));
    QVERIFY(!window.isVisible());
    QCOMPARE(window.cardErrors, 0);
    QCOMPARE(window.openingErrors.size(), 0);
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.count("1b72"), atOpen ? 0 : 1);
}

QTEST_MAIN(TestPromptWindow)
#include "tst_promptwindow.moc"
