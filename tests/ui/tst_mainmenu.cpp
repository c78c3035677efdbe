// Mouse events go through the window system as a real mouse's do, so the application
// knows a button is held between a press and its release.
#define QTEST_QPA_MOUSE_HANDLING
#include "ModalWatcher.h"

#include "app/MainModule.h"
#include "ui/frmMainMenu.h"

#include <QClipboard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Track1Chars =
    u"SP ! \" # $ % & ' ( ) * + , - . / 0 1 2 3 4 5 6 7 8 9 : ; = > @ A B C   \n"
    "D E F G H I J K L M N O P Q R S T U V W X Y Z [ \\ ] ^ _"_s;
const QString Track23Chars = u"0 1 2 3 4 5 6 7 8 9 : ; = > "_s;

} // namespace

class TestMainMenu : public QObject {
    Q_OBJECT

    std::unique_ptr<MainModule> state_;
    std::unique_ptr<frmMainMenu> window_;
    std::unique_ptr<ModalWatcher> watcher_;
    // The step where the operator cancels, or that fails, in the fake windows and dialogs.
    QString failing_;
    QStringList calls_;

    QWidget *box(int index) const { return window_->findChild<QWidget *>(u"TIT%1"_s.arg(index)); }
    QString text(int index) const { return QString::fromLatin1(window_->track(index)); }

    void showActive() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    // Which of the six boxes hold text (or a count other than 0).
    QString records() const {
        QString marks;
        for (int i = 0; i < 6; ++i)
            marks += text(i).isEmpty() && window_->length(i) == "0" ? u'-' : u'x';
        return marks;
    }

    // A window that notes the records as it found them, leaves data in them and in the
    // message area, and then, unless the operator cancels it, does its part.
    std::function<void()> opener(const QString &name) {
        return [this, name] {
            calls_ << name + u':' + records() + (state_->NonIsoMode ? u" nonIso"_s : QString());
            window_->setTrack(0, "IN");
            window_->setTrack(3, "OUT");
            window_->setMessage("\r\nleft by window");
            if (failing_ == name)
                return;
            state_->IncrCancelled = false;
            state_->EraseTrackMask = 5;
        };
    }

    CommandWindows windows() {
        CommandWindows w;
        w.readCard = opener(u"readCard"_s);
        w.writeCard = opener(u"writeCard"_s);
        w.copyCard = opener(u"copyCard"_s);
        w.encodeFromFile = opener(u"encodeFromFile"_s);
        w.saveToFile = opener(u"saveToFile"_s);
        w.incrTrackSelect = opener(u"incrTrackSelect"_s);
        w.recEntry = opener(u"recEntry"_s);
        w.writeIncr = opener(u"writeIncr"_s);
        w.nonIsoFmtSel = opener(u"nonIsoFmtSel"_s);
        w.eraseTrackSelect = opener(u"eraseTrackSelect"_s);
        w.eraseCard = opener(u"eraseCard"_s);
        return w;
    }

private Q_SLOTS:
    void init() {
        window_.reset();
        state_ = std::make_unique<MainModule>();
        state_->initialise();
        window_ = std::make_unique<frmMainMenu>(*state_);
        watcher_ = std::make_unique<ModalWatcher>();
        calls_.clear();
    }

    // What happened: the fakes' calls, [the captions of modal windows], then the records.
    void commands_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("happened");
        QTest::addColumn<QByteArray>("message");

        const QByteArray left = "\r\nleft by window";
        const QString incremental = u"incrTrackSelect:---xxx recEntry:x--xxx"_s;
        QTest::newRow("Read") << 0 << u""_s << u"readCard:------ ------"_s << left;
        QTest::newRow("Write") << 1 << u""_s << u"writeCard:xxx--- ------"_s << left;
        QTest::newRow("Copy") << 2 << u""_s << u"copyCard:------ ------"_s << left;
        QTest::newRow("Encode") << 3 << u""_s << u"encodeFromFile:------ ------"_s << left;
        QTest::newRow("Save") << 4 << u""_s << u"saveToFile:------ ------"_s << left;
        QTest::newRow("Incremental")
            << 5 << u""_s
            << incremental + u" writeIncr:x--xxx [Incremental Encode Complete] ------"_s << left;
        QTest::newRow("Non-ISO") << 6 << u""_s << u"nonIsoFmtSel:------ nonIso ------"_s << left;
        QTest::newRow("Erase") << 7 << u""_s << u"eraseTrackSelect:------ eraseCard:x--x-- ------"_s
                               << left;

        QTest::newRow("Write, empty record")
            << 1 << u"empty"_s << u"---xxx"_s << QByteArray("\r\nPlease fill in the input record.");
        QTest::newRow("Incremental, cancelled in the track choice")
            << 5 << u"incrTrackSelect"_s << u"incrTrackSelect:---xxx x--xxx"_s << left;
        QTest::newRow("Incremental, cancelled in the base record")
            << 5 << u"recEntry"_s << incremental + u" x--xxx"_s << left;
        QTest::newRow("Erase, no track ticked")
            << 7 << u"eraseTrackSelect"_s << u"eraseTrackSelect:------ x--x--"_s << left;
    }

    void commands() {
        QFETCH(int, index);
        QFETCH(QString, failing);
        QFETCH(QString, happened);
        QFETCH(QByteArray, message);

        // Every box and the message area hold something (but the input record for an empty
        // Write), and every flag a command sets before opening a window is stale.
        for (int i = failing == u"empty" ? 3 : 0; i < 6; ++i)
            window_->setTrack(i, "1");
        window_->setMessage("\r\nold");
        state_->CancelRequested = true;
        state_->IncrCancelled = false;
        state_->EraseTrackMask = 3;
        failing_ = failing;
        window_->setCommandWindows(windows());
        window_->command(index);

        for (const auto &seen : watcher_->seen)
            calls_ << u'[' + seen.title + u']';
        calls_ << records();
        QCOMPARE(calls_.join(u' '), happened);
        QCOMPARE(window_->message(), message);
        QVERIFY(!state_->CancelRequested);
        QVERIFY(!state_->NonIsoMode);
    }

    void writeFollowsInputRecord() {
        window_->setCommandWindows(windows());
        showActive();
        auto *write = window_->findChild<QPushButton *>(u"Command1_1"_s);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!write->isEnabled());
            box(i)->setFocus();
            QTest::keyClick(box(i), '7');
            QVERIFY(write->isEnabled());
            window_->setTrack((i + 1) % 3, "5");
            QTest::keyClick(box(i), Qt::Key_Backspace);
            QVERIFY2(write->isEnabled(), "another box still holds text");
            window_->setTrack((i + 1) % 3, {});
        }
        QVERIFY(!write->isEnabled());
    }

    // Leaving a box by clicking a command: the command reads the box as the check left it.
    void leavingIsCheckedBeforeTheCommand() {
        CommandWindows windows = this->windows();
        QByteArray written;
        windows.writeCard = [this, &written] {
            written = window_->track(0);
        };
        window_->setCommandWindows(windows);
        showActive();
        box(0)->setFocus();
        window_->setTrack(0, "abc"); // pasted: no key check
        QTest::mouseClick(window_->findChild<QPushButton *>(u"Command1_1"_s), Qt::LeftButton);
        QCOMPARE(written, QByteArray("ABC"));
    }

    // Keys are typed, then the clipboard is pasted, then the box is left. A refused key shows
    // the "following" message at once, an invalid text the "fellowing" one on leaving.
    void input_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");

        QTest::newRow("a typed on track 1") << 0 << u"12a"_s << u""_s << u"12A"_s << u""_s;
        QTest::newRow("a typed on track 2") << 1 << u"12a"_s << u""_s << u"12"_s << u"following"_s;
        QTest::newRow("space on track 1") << 0 << u"12 "_s << u""_s << u"12 "_s << u""_s;
        QTest::newRow("space on track 2") << 1 << u"12 "_s << u""_s << u"12"_s << u"following"_s;
        for (const char *c : {"?", "<"})
            for (int i = 0; i < 3; ++i)
                QTest::addRow("%s typed on track %d", c, i + 1)
                    << i << u"12"_s + QLatin1String(c) << u""_s << u"12"_s << u"following"_s;
        QTest::newRow("Enter on track 3") << 2 << u"12\r"_s << u""_s << u"12\n"_s << u"fellowing"_s;
        QTest::newRow("< pasted on track 2") << 1 << u""_s << u"12<3"_s << u"12<3"_s << u""_s;
        QTest::newRow("lower case pasted on track 1")
            << 0 << u""_s << u"%b12^doe"_s << u"%B12^DOE"_s << u""_s;
        QTest::newRow("? pasted on track 1")
            << 0 << u""_s << u"ab?"_s << u"AB?"_s << u"fellowing"_s;
    }

    void input() {
        QFETCH(int, index);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, text);
        QFETCH(QString, message);

        showActive();
        box(index)->setFocus();
        QTest::keyClicks(box(index), typed);
        QGuiApplication::clipboard()->setText(pasted);
        QMetaObject::invokeMethod(box(index), "paste");
        QCOMPARE(window_->length(index), QByteArray::number(text.size()));
        QWidget *other = box(index == 0 ? 1 : 0);
        other->setFocus(Qt::TabFocusReason);
        QTest::qWait(20);

        QCOMPARE(this->text(index), text);
        QCOMPARE(watcher_->seen.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(watcher_->seen[0].title, index == 0
                                                  ? u" 7-Bit Character (Std T1) Format Error"_s
                                                  : u" 5-Bit Character (Std T2/T3) Format Error"_s);
            QCOMPARE(watcher_->seen[0].text, u"Use the %1 characters only:   \n"_s.arg(message) +
                                                 (index == 0 ? Track1Chars : Track23Chars));
            QCOMPARE(watcher_->seen[0].icon, QMessageBox::Information);
        }
        QCOMPARE(window_->focusWidget(), message == u"fellowing" ? box(index) : other);
    }
    // Every leaving of a box with an invalid text reports it and gives the focus back; two
    // invalid boxes do not bounce the message between them.
    void leavingInvalidTextAlwaysReports() {
        showActive();
        window_->setTrack(1, "A");
        window_->setTrack(2, "B");
        box(1)->setFocus();
        QTest::qWait(20);
        auto leaveFor = [this](int to) {
            box(to)->setFocus(Qt::TabFocusReason);
            QTest::qWait(50);
            // After a message box the window manager makes the main window active again.
            window_->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        };
        leaveFor(2);
        QCOMPARE(watcher_->seen.size(), 1);
        QCOMPARE(QApplication::focusWidget(), box(1));
        leaveFor(2);
        QCOMPARE(watcher_->seen.size(), 2);
        QCOMPARE(QApplication::focusWidget(), box(1));
        // Corrected, then keyed wrong again: reported again.
        window_->setTrack(1, "1");
        leaveFor(0);
        QCOMPARE(watcher_->seen.size(), 2);
        box(1)->setFocus();
        window_->setTrack(1, "A");
        leaveFor(0);
        QCOMPARE(watcher_->seen.size(), 3);
        QCOMPARE(QApplication::focusWidget(), box(1));
    }

    // A press on a command while the box being left is invalid: the message comes with the
    // click, and once the operator has dismissed it the command runs.
    void commandRunsAfterLeavingMessage() {
        CommandWindows windows = this->windows();
        int writes = 0;
        windows.writeCard = [&writes] {
            ++writes;
        };
        window_->setCommandWindows(windows);
        showActive();
        box(1)->setFocus();
        QTest::keyClicks(box(1), "12");
        window_->setTrack(1, "12<?");
        auto *write = window_->findChild<QPushButton *>(u"Command1_1"_s);
        QTest::mousePress(write, Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(watcher_->seen.size(), 0);
        QTest::mouseRelease(write, Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(watcher_->seen.size(), 1);
        QCOMPARE(watcher_->seen[0].title, u" 5-Bit Character (Std T2/T3) Format Error"_s);
        QCOMPARE(writes, 1);
    }
};

QTEST_MAIN(TestMainMenu)
#include "tst_mainmenu.moc"
