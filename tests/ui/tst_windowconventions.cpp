#include "MessageWindowSet.h"
#include "StubPrompt.h"

#include "app/MainModule.h"
#include "ui/WindowConventions.h"
#include "ui/frmMainMenu.h"
#include "ui/sfrmErrComm1.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace std::chrono_literals;

namespace {

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

    // A key on the main window's focused "Read" button: how often the command ran. (In a
    // dialog Qt itself presses a focused button on Enter.)
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

    // Every box, button, option and picture of these windows has a name to be spoken.
    void everyControlNamed() {
        MainModule state;
        state.initialise();
        frmMainMenu main(state);
        main.show();
        StubPromptRig prompt(false, {.skipButton = true}, &main);
        sfrmErrComm1 comm;
        MessageWindowSet messages(state);
        QList<QWidget *> windows{&main, prompt.window.get(), &comm};
        for (MessageWindow *message : messages.all())
            windows << message;
        for (QWidget *window : windows)
            QVERIFY2(unnamedControls(window).isEmpty(),
                     qPrintable(unnamedControls(window).join(u' ')));
        QCOMPARE(QAccessible::queryAccessibleInterface(
                     messages.save.findChild<QWidget *>(QStringLiteral("LC")))
                     ->text(QAccessible::Name),
                 QStringLiteral("No card swipe(s) saved to "));
        // The six track boxes are named by record and track, with their captions linked.
        const char *captions[] = {"LIT1_0", "LIT1_1", "LIT1_2", "LIT1_5", "LIT1_4", "LIT1_3"};
        for (int box = 0; box < 6; ++box) {
            const QString name = QStringLiteral("%1 record track %2")
                                     .arg(box < 3 ? "Input" : "Output")
                                     .arg(box % 3 + 1);
            auto *trackBox = main.findChild<QWidget *>(QStringLiteral("TIT%1").arg(box));
            QCOMPARE(QAccessible::queryAccessibleInterface(trackBox)->text(QAccessible::Name),
                     name);
            QCOMPARE(main.findChild<QLabel *>(captions[box])->buddy(), trackBox);
            auto *length = main.findChild<QLabel *>(QStringLiteral("LT%1").arg(box));
            QCOMPARE(QAccessible::queryAccessibleInterface(length)->text(QAccessible::Description),
                     QStringLiteral("Characters in ") + name.toLower());
        }
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
        StubPromptRig rig(false, {}, &owner);
        QRect placed;
        rig.pump.after(10ms, [&] {
            placed = rig.window->frameGeometry();
            rig.window->close();
        });
        rig.window->run();
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
