// Mouse events go through the window system as a real mouse's do, so the application
// knows a button is held between a press and its release.
#define QTEST_QPA_MOUSE_HANDLING
#include "ModalWatcher.h"

#include "app/CharacterMessages.h"
#include "app/MainModule.h"
#include "ui/frmMainMenu.h"

#include <QClipboard>
#include <QTest>

using namespace Qt::StringLiterals;

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
        return {.readCard = opener(u"readCard"_s),
                .writeCard = opener(u"writeCard"_s),
                .copyCard = opener(u"copyCard"_s),
                .incrTrackSelect = opener(u"incrTrackSelect"_s),
                .recEntry = opener(u"recEntry"_s),
                .writeIncr = opener(u"writeIncr"_s),
                .nonIsoFmtSel = opener(u"nonIsoFmtSel"_s),
                .eraseTrackSelect = opener(u"eraseTrackSelect"_s),
                .eraseCard = opener(u"eraseCard"_s),
                .encodeFromFile = opener(u"encodeFromFile"_s),
                .saveToFile = opener(u"saveToFile"_s)};
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

    // A press on Write while the box being left holds pasted text: the check runs with the
    // click, not with the press, and once any message is dismissed the command runs and reads
    // the box as the check left it.
    void leavingIsCheckedBeforeTheCommand_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("pasted");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("messages");
        QTest::newRow("lower case on track 1") << 0 << QByteArray("abc") << QByteArray("ABC") << 0;
        QTest::newRow("invalid on track 2") << 1 << QByteArray("12<?") << QByteArray("12<?") << 1;
    }

    void leavingIsCheckedBeforeTheCommand() {
        QFETCH(int, index);
        QFETCH(QByteArray, pasted);
        CommandWindows windows = this->windows();
        QByteArrayList written;
        windows.writeCard = [this, index, &written] {
            written << window_->track(index);
        };
        window_->setCommandWindows(windows);
        showActive();
        box(index)->setFocus();
        window_->setTrack(index, pasted);
        auto *write = window_->findChild<QPushButton *>(u"Command1_1"_s);
        QTest::mousePress(write, Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(watcher_->seen.size(), 0);
        QTest::mouseRelease(write, Qt::LeftButton);
        QTest::qWait(50);
        QTEST(int(watcher_->seen.size()), "messages");
        QCOMPARE(written.size(), 1);
        QTEST(written[0], "written");
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
        QTest::newRow("beyond 8 bits pasted on track 2")
            << 1 << u""_s << u"1\u20ac2"_s << u"12"_s << u""_s;
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
            const InformationMessage expected = StandardFormatMessage(
                index == 0 ? 7 : 5,
                message == u"fellowing" ? Wording::Fellowing : Wording::Following);
            QCOMPARE(watcher_->seen[0].title, expected.title);
            QCOMPARE(watcher_->seen[0].text, expected.text);
            QCOMPARE(watcher_->seen[0].icon, QMessageBox::Information);
        }
        QCOMPARE(window_->focusWidget(), message == u"fellowing" ? box(index) : other);
    }
    // Every leaving of a box with an invalid text reports it and gives the focus back; two
    // invalid boxes do not bounce the message between them.
    void leavingInvalidTextAlwaysReports() {
        showActive();
        window_->setTrack(2, "B");
        // Track 2 is given a text, then left for another box: the messages so far. The same
        // invalid text left twice is reported twice; corrected, then wrong again, again.
        struct Step {
            QByteArray text;
            int to;
            int messages;
        };
        for (const Step &step : {Step{"A", 2, 1}, {"A", 2, 2}, {"1", 0, 2}, {"A", 0, 3}}) {
            box(1)->setFocus();
            window_->setTrack(1, step.text);
            QTest::qWait(20);
            const qsizetype before = watcher_->seen.size();
            box(step.to)->setFocus(Qt::TabFocusReason);
            QTest::qWait(50);
            // After a message box the window manager makes the main window active again.
            window_->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window_.get()));
            QCOMPARE(watcher_->seen.size(), step.messages);
            QCOMPARE(QApplication::focusWidget() == box(1), step.messages > before);
        }
    }
};

QTEST_MAIN(TestMainMenu)
#include "tst_mainmenu.moc"
