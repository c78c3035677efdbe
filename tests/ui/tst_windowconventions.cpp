#include "FakeLink.h"
#include "ScriptedPort.h"

#include "app/MainModule.h"
#include "ui/MessageWindows.h"
#include "ui/WindowConventions.h"
#include "ui/frmMainMenu.h"
#include "ui/sfrmErrComm1.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

// A prompt window that only waits, until the operator closes it.
class WaitingPrompt final : public PromptWindow {
public:
    WaitingPrompt(const Context &context, const Look &look, QWidget *parent)
        : PromptWindow(context, look, parent) {}

    using PromptWindow::setSkipEnabled;

protected:
    Opening openingHandshake() override { return Opening::Ready; }
    Next runCard() override {
        session().pause(1min, true, Stop::OnCancel);
        return Next::Continue;
    }
    void showOpeningError(Opening) override {}
    void showCardError() override {}
    void setErrorIndication(bool) override {}
};

struct PromptRig : FakeLink {
    explicit PromptRig(QWidget *owner = nullptr, const PromptWindow::Look &look = {})
        : FakeLink("LRQ118"), window(context([this](QObject *parent) {
                                         auto *port = new ScriptedPort(clock);
                                         port->setParent(parent);
                                         return port;
                                     }),
                                     look, owner) {}

    WaitingPrompt window;
};

QStringList unnamedControls(QWidget *window) {
    const QList<QAccessible::Role> controls{QAccessible::EditableText, QAccessible::PushButton,
                                            QAccessible::ComboBox,     QAccessible::RadioButton,
                                            QAccessible::CheckBox,     QAccessible::Graphic};
    QStringList unnamed;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        if (face != nullptr && controls.contains(face->role()) &&
            face->text(QAccessible::Name).isEmpty())
            unnamed << widget->objectName();
    }
    return unnamed;
}

} // namespace

class TestWindowConventions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installWindowConventions(*qApp); }

    // A key on the main window's focused "Read" button: how often the command ran.
    void keysOnMainWindowButton_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("repeated");
        QTest::addColumn<int>("pressed");
        QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << false << 1;
        QTest::newRow("keypad Enter")
            << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << false << 1;
        QTest::newRow("Space") << int(Qt::Key_Space) << Qt::KeyboardModifiers() << false << 1;
        QTest::newRow("Ctrl+Return")
            << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier) << false << 0;
        QTest::newRow("held Return repeating")
            << int(Qt::Key_Return) << Qt::KeyboardModifiers() << true << 0;
    }

    void keysOnMainWindowButton() {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, repeated);
        MainModule state;
        state.initialise();
        frmMainMenu window(state);
        int reads = 0;
        CommandWindows windows;
        windows.readCard = [&reads] {
            ++reads;
        };
        window.setCommandWindows(windows);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *read = window.findChild<QPushButton *>(QStringLiteral("Command1_0"));
        read->setFocus();
        if (repeated) {
            QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), true);
            QApplication::sendEvent(read, &press);
        } else {
            QTest::keyClick(read, Qt::Key(key), modifiers);
        }
        QTEST(reads, "pressed");
    }

    // Enter on the focused Cancel or Skip button of a prompt window that waits for a card.
    void enterInPromptWindow_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("skipped");
        QTest::newRow("Cancel") << "Command1_0" << true << false;
        QTest::newRow("Skip") << "Command1_1" << false << true;
    }

    void enterInPromptWindow() {
        QFETCH(QString, button);
        PromptRig rig(nullptr, {.skipButton = true});
        bool closedByKey = false;
        bool skipped = false;
        rig.pump.after(10ms, [&] {
            rig.window.setSkipEnabled(true);
            auto *pressed = rig.window.findChild<QPushButton *>(button);
            pressed->setFocus();
            QTest::keyClick(pressed, Qt::Key_Return);
            closedByKey = !rig.window.isVisible();
            skipped = rig.window.takeSkipRequest();
        });
        rig.pump.after(20ms, [&] { rig.window.close(); });
        rig.window.run();
        QTEST(closedByKey, "closed");
        QTEST(skipped, "skipped");
    }

    void enterInMessageWindow() {
        sfrmRFOK window;
        bool closedByKey = false;
        QTimer::singleShot(0, &window, [&] {
            auto *ok = window.findChild<QPushButton *>(QStringLiteral("Command1_0"));
            QTest::keyClick(ok, Qt::Key_Return);
            closedByKey = !window.isVisible();
            window.close();
        });
        window.showModal();
        QVERIFY(closedByKey);
    }

    // The six track boxes, named by record and track, with the captions linked to them.
    void trackBoxNames_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        QTest::newRow("TIT0") << 0 << "LIT1_0"
                              << "Input record track 1";
        QTest::newRow("TIT1") << 1 << "LIT1_1"
                              << "Input record track 2";
        QTest::newRow("TIT2") << 2 << "LIT1_2"
                              << "Input record track 3";
        QTest::newRow("TIT3") << 3 << "LIT1_5"
                              << "Output record track 1";
        QTest::newRow("TIT4") << 4 << "LIT1_4"
                              << "Output record track 2";
        QTest::newRow("TIT5") << 5 << "LIT1_3"
                              << "Output record track 3";
    }

    void trackBoxNames() {
        QFETCH(int, box);
        QFETCH(QString, caption);
        QFETCH(QString, name);
        MainModule state;
        state.initialise();
        frmMainMenu window(state);
        auto *trackBox = window.findChild<QWidget *>(QStringLiteral("TIT%1").arg(box));
        QCOMPARE(QAccessible::queryAccessibleInterface(trackBox)->text(QAccessible::Name), name);
        QCOMPARE(window.findChild<QLabel *>(caption)->buddy(), trackBox);
        auto *length = window.findChild<QLabel *>(QStringLiteral("LT%1").arg(box));
        QCOMPARE(QAccessible::queryAccessibleInterface(length)->text(QAccessible::Description),
                 QStringLiteral("Characters in ") + name.toLower());
    }

    // Every box, button, option and picture of these windows has a name to be spoken.
    void everyControlNamed() {
        MainModule state;
        state.initialise();
        frmMainMenu main(state);
        main.show();
        QCOMPARE(unnamedControls(&main), QStringList());
        PromptRig prompt(&main, {.skipButton = true});
        QCOMPARE(unnamedControls(&prompt.window), QStringList());
        std::vector<std::unique_ptr<MessageWindow>> messages;
        messages.push_back(std::make_unique<sfrmErrComm1>());
        messages.push_back(std::make_unique<sfrmReadErr>(state));
        messages.push_back(std::make_unique<sfrmWriteErr>(state));
        messages.push_back(std::make_unique<sfrmEraseErr>());
        messages.push_back(std::make_unique<sfrmRFOK>());
        messages.push_back(std::make_unique<sfrmIncEOK>());
        messages.push_back(std::make_unique<sfrmFormatError>());
        messages.push_back(std::make_unique<sfrmSaveError>());
        for (const auto &message : messages)
            QVERIFY2(unnamedControls(message.get()).isEmpty(),
                     qPrintable(unnamedControls(message.get()).join(u' ')));
        QCOMPARE(QAccessible::queryAccessibleInterface(
                     messages.back()->findChild<QWidget *>(QStringLiteral("LC")))
                     ->text(QAccessible::Name),
                 QStringLiteral("No card swipe(s) saved to "));
    }

    // A prompt window shows beside the main window when the screen has room, otherwise
    // over the main window's buttons.
    void promptPlacedWhenShown_data() {
        QTest::addColumn<bool>("roomBeside");
        QTest::newRow("room beside") << true;
        QTest::newRow("no room beside") << false;
    }

    void promptPlacedWhenShown() {
        QFETCH(bool, roomBeside);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget owner;
        auto *button = new QPushButton(QStringLiteral("Read"), &owner);
        owner.setGeometry(screen.left(), screen.top(),
                          roomBeside ? screen.width() / 3 : screen.width() - 20,
                          screen.height() / 2);
        button->setGeometry(10, owner.height() - 40, 100, 30);
        owner.show();
        PromptRig rig(&owner);
        QRect placed;
        rig.pump.after(10ms, [&] {
            placed = rig.window.frameGeometry();
            rig.window.close();
        });
        rig.window.run();
        QVERIFY(screen.contains(placed));
        const QRect buttons(button->mapToGlobal(QPoint(0, 0)), button->size());
        if (roomBeside) {
            QVERIFY(placed.left() > owner.frameGeometry().right());
            QCOMPARE(placed.top(), owner.frameGeometry().top());
        } else {
            QVERIFY(placed.intersects(buttons));
            QCOMPARE(placed.top(), buttons.top());
        }
    }
};

QTEST_MAIN(TestWindowConventions)
#include "tst_windowconventions.moc"
