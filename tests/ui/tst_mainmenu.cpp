#include "ModalWatcher.h"

#include "app/MainModule.h"
#include "ui/frmMainMenu.h"

#include <QClipboard>
#include <QDate>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

class TestMainMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void loadShowsTheSettings();
    void commandsClearAndReset_data();
    void commandsClearAndReset();
    void commandEndings_data();
    void commandEndings();
    void fileDialogsAreAskedProperly();
    void commandNeedsItsWindow();
    void writeFollowsInputRecord_data();
    void writeFollowsInputRecord();
    void keys_data();
    void keys();
    void leaving_data();
    void leaving();
    void leavingDoesNotLoop();
    void boxesKeepTheirMaximum();
    void recordsForOtherWindows();
    void defaultSaveFileName_data();
    void defaultSaveFileName();
    void layoutFollowsResize();
    void captionsFitAtDesignSize();

private:
    QWidget *box(int index) const;
    QString text(int index) const;
    void paste(int index, const QString &clip);
    void fill();
    std::function<void()> opener(const QString &name, std::function<void()> action = {});
    CommandWindows openers();
    void showActive();

    std::unique_ptr<MainModule> state_;
    std::unique_ptr<frmMainMenu> window_;
    std::unique_ptr<ModalWatcher> watcher_;
    QTemporaryDir dir_;
    QString existing_;
    QStringList calls_;
    QString openChoice_;
    QString saveChoice_;
    QStringList dialogCalls_;
};

namespace {

const QString Track1Refused =
    QStringLiteral("Use the following characters only:   \nSP ! \" # $ % & ' ( ) * + , - . / 0 "
                   "1 2 3 4 5 6 7 8 9 : ; = > @ A B C   \nD E F G H I J K L M N O P Q R S T U V "
                   "W X Y Z [ \\ ] ^ _");
const QString Track23Refused =
    QStringLiteral("Use the following characters only:   \n0 1 2 3 4 5 6 7 8 9 : ; = > ");
const QString Track1Leaving =
    QStringLiteral("Use the fellowing characters only:   \nSP ! \" # $ % & ' ( ) * + , - . / 0 "
                   "1 2 3 4 5 6 7 8 9 : ; = > @ A B C   \nD E F G H I J K L M N O P Q R S T U V "
                   "W X Y Z [ \\ ] ^ _");
const QString Track23Leaving =
    QStringLiteral("Use the fellowing characters only:   \n0 1 2 3 4 5 6 7 8 9 : ; = > ");
const QString Title1 = QStringLiteral(" 7-Bit Character (Std T1) Format Error");
const QString Title23 = QStringLiteral(" 5-Bit Character (Std T2/T3) Format Error");

QStringList captions(const QList<ModalWatcher::Seen> &seen) {
    QStringList list;
    for (const auto &s : seen)
        list << s.title;
    return list;
}

} // namespace

void TestMainMenu::init() {
    QVERIFY(dir_.isValid());
    existing_ = dir_.filePath(QStringLiteral("cards.txt"));
    QFile file(existing_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("AB 1|123|+\r\n");
    file.close();

    state_ = std::make_unique<MainModule>();
    state_->initialise();
    state_->CommPort = "3";
    state_->BaudRate = "9600";
    state_->ParityName = "Odd";
    state_->DataBits = "7";
    window_ = std::make_unique<frmMainMenu>(*state_);
    watcher_ = std::make_unique<ModalWatcher>();
    calls_.clear();
    dialogCalls_.clear();
    openChoice_ = existing_;
    saveChoice_ = dir_.filePath(QStringLiteral("saved.txt"));
    window_->setFileDialogs(
        [this](QWidget *, const QString &title, const QString &filter, const QString &name) {
            dialogCalls_ << title << filter << name;
            return openChoice_;
        },
        [this](QWidget *, const QString &title, const QString &filter, const QString &name) {
            dialogCalls_ << title << filter << name;
            return saveChoice_;
        });
}

void TestMainMenu::cleanup() {
    window_.reset();
    watcher_.reset();
    state_.reset();
}

QWidget *TestMainMenu::box(int index) const {
    return window_->findChild<QWidget *>(QStringLiteral("TIT%1").arg(index));
}

QString TestMainMenu::text(int index) const {
    return QString::fromLatin1(window_->track(index));
}

void TestMainMenu::paste(int index, const QString &clip) {
    QGuiApplication::clipboard()->setText(clip);
    if (auto *line = qobject_cast<QLineEdit *>(box(index)))
        line->paste();
    else
        qobject_cast<QPlainTextEdit *>(box(index))->paste();
}

// Every box and the message area hold something, and every flag a command resets is stale.
void TestMainMenu::fill() {
    for (int i = 0; i < 6; ++i)
        window_->setTrack(i, "1");
    window_->setMessage("\r\nold");
    state_->CancelRequested = true;
    state_->EncodeFileCancelled = true;
    state_->EraseTrackMask = 3;
    state_->SaveFileText = "stale|1|+\r\n";
}

// A window that notes what it found on opening, leaves data in the records, then acts.
std::function<void()> TestMainMenu::opener(const QString &name, std::function<void()> action) {
    return [this, name, action] {
        QString seen = name + QLatin1Char(':');
        for (int i = 0; i < 6; ++i)
            seen += text(i).isEmpty() ? QLatin1Char('-') : QLatin1Char('x');
        if (!window_->message().isEmpty())
            seen += QStringLiteral(" message");
        if (state_->CancelRequested)
            seen += QStringLiteral(" cancel");
        if (state_->NonIsoMode)
            seen += QStringLiteral(" nonIso");
        calls_ << seen;
        window_->setTrack(0, "IN");
        window_->setTrack(3, "OUT");
        window_->setMessage("\r\nleft by window");
        if (action)
            action();
    };
}

CommandWindows TestMainMenu::openers() {
    CommandWindows w;
    w.readCard = opener(QStringLiteral("readCard"));
    w.writeCard = opener(QStringLiteral("writeCard"));
    w.copyCard = opener(QStringLiteral("copyCard"));
    w.encodeRF = opener(QStringLiteral("encodeRF"));
    w.encodeWF = opener(QStringLiteral("encodeWF"), [this] {
        state_->SaveFileText = "A|1|+\r\n";
        state_->SaveCardNumber = 4;
    });
    w.incrTrackSelect =
        opener(QStringLiteral("incrTrackSelect"), [this] { state_->IncrCancelled = false; });
    w.recEntry = opener(QStringLiteral("recEntry"), [this] { state_->IncrCancelled = false; });
    w.writeIncr = opener(QStringLiteral("writeIncr"));
    w.nonIsoFmtSel = opener(QStringLiteral("nonIsoFmtSel"));
    w.eraseTrackSelect = opener(QStringLiteral("eraseTrackSelect"), [this] {
        calls_.last() += QStringLiteral(" mask%1").arg(state_->EraseTrackMask);
        state_->EraseTrackMask = 5;
    });
    w.eraseCard = opener(QStringLiteral("eraseCard"));
    w.checkRecordFile = [this](const QString &path) {
        calls_ << QStringLiteral("check %1").arg(path == openChoice_);
        return RecordFileCheck::Accepted;
    };
    w.writeRecordFile = [this](const QString &path) {
        calls_ << QStringLiteral("write %1").arg(path == saveChoice_);
        return true;
    };
    return w;
}

void TestMainMenu::showActive() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void TestMainMenu::loadShowsTheSettings() {
    state_->HighCoercivity = false;
    state_->EmulationMode = "LRQ118";
    window_->show();
    QCOMPARE(window_->windowTitle(), QStringLiteral("KVT-450 Series Utility: Main Menu"));
    const QStringList expected = {"COM 3", "9600", "Odd", "7", "Low"};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(window_->findChild<QLabel *>(QStringLiteral("Label2_%1").arg(i))->text(),
                 expected[i]);
    QCOMPARE(window_->findChild<QLabel *>(QStringLiteral("Label5"))->text(),
             QStringLiteral("LRQ118"));

    // The emulation label is refreshed on activation, the settings only at load.
    state_->EmulationMode = "KVT-380A";
    state_->HighCoercivity = true;
    window_->hide();
    window_->show();
    QCOMPARE(window_->findChild<QLabel *>(QStringLiteral("Label5"))->text(),
             QStringLiteral("KVT-380A"));
    QCOMPARE(window_->findChild<QLabel *>(QStringLiteral("Label2_4"))->text(),
             QStringLiteral("Low"));
}

void TestMainMenu::commandsClearAndReset_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<QByteArray>("message");

    const QByteArray left = "\r\nleft by window";
    QTest::newRow("Read") << 0 << QStringList{"readCard:------"} << QStringList{} << left;
    QTest::newRow("Write keeps the input record")
        << 1 << QStringList{"writeCard:xxx---"} << QStringList{} << left;
    QTest::newRow("Copy") << 2 << QStringList{"copyCard:------"} << QStringList{} << left;
    QTest::newRow("Encode from File") << 3 << QStringList{"check 1", "encodeRF:------"}
                                      << QStringList{"File Encode Complete (EOF)"} << left;
    QTest::newRow("Save to File") << 4 << QStringList{"encodeWF:------", "write 1"} << QStringList{}
                                  << QByteArray("\r\n3 records successfully saved to file ");
    QTest::newRow("Incremental Encode keeps the output record")
        << 5
        << QStringList{"incrTrackSelect:---xxx", "recEntry:x--xxx message",
                       "writeIncr:x--xxx message"}
        << QStringList{"Incremental Encode Complete"} << left;
    QTest::newRow("Non-ISO Read/Write")
        << 6 << QStringList{"nonIsoFmtSel:------ nonIso"} << QStringList{} << left;
    QTest::newRow("Erase") << 7
                           << QStringList{"eraseTrackSelect:------ mask0",
                                          "eraseCard:x--x-- message"}
                           << QStringList{} << left;
}

void TestMainMenu::commandsClearAndReset() {
    QFETCH(int, index);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, windows);
    QFETCH(QByteArray, message);

    window_->setCommandWindows(openers());
    fill();
    window_->command(index);

    QCOMPARE(calls_, calls);
    QCOMPARE(captions(watcher_->seen), windows);
    for (int i = 0; i < 6; ++i) {
        QVERIFY2(text(i).isEmpty(), qPrintable(QString::number(i)));
        QCOMPARE(window_->length(i), QByteArray("0"));
    }
    if (index == 4)
        message += saveChoice_.toLatin1();
    QCOMPARE(window_->message(), message);
    QVERIFY(!state_->CancelRequested);
    QVERIFY(!state_->NonIsoMode);
}

void TestMainMenu::commandEndings_data() {
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<QByteArray>("message");
    // A record a window left behind survives only when the command stops without a reset.
    QTest::addColumn<bool>("kept");

    const QByteArray left = "\r\nleft by window";
    QTest::newRow("Write with an empty input record")
        << "empty" << 1 << QStringList{} << QStringList{}
        << QByteArray("\r\nPlease fill in the input record.") << true;
    QTest::newRow("Incremental cancelled in the track choice")
        << "track choice cancelled" << 5 << QStringList{"incrTrackSelect:---xxx"} << QStringList{}
        << left << true;
    QTest::newRow("Incremental cancelled in the base record")
        << "base record cancelled" << 5
        << QStringList{"incrTrackSelect:---xxx", "recEntry:x--xxx message"} << QStringList{} << left
        << true;
    QTest::newRow("Erase with no track")
        << "no track" << 7 << QStringList{"eraseTrackSelect:------ mask0"} << QStringList{} << left
        << true;
    QTest::newRow("Encode, dialog cancelled")
        << "open cancelled" << 3 << QStringList{} << QStringList{} << QByteArray() << false;
    QTest::newRow("Encode, no such file")
        << "missing" << 3 << QStringList{} << QStringList{"File Encode"} << QByteArray() << false;
    QTest::newRow("Encode, not a card data file")
        << "rejected" << 3 << QStringList{"check 1"}
        << QStringList{"File Encode - File Format Error"} << QByteArray() << false;
    QTest::newRow("Encode, unreadable")
        << "unreadable" << 3 << QStringList{"check 1"} << QStringList{} << QByteArray() << false;
    QTest::newRow("Encode, run ended by the operator")
        << "run cancelled" << 3 << QStringList{"check 1", "encodeRF:------"} << QStringList{}
        << left << false;
    QTest::newRow("Save, dialog cancelled")
        << "save cancelled" << 4 << QStringList{} << QStringList{} << QByteArray() << false;
    QTest::newRow("Save, nothing swiped") << "nothing swiped" << 4 << QStringList{"encodeWF:------"}
                                          << QStringList{} << left << false;
    QTest::newRow("Save, writing failed")
        << "write failed" << 4 << QStringList{"encodeWF:------", "write 1"}
        << QStringList{"File Overwrite Abort"} << left << false;
}

void TestMainMenu::commandEndings() {
    QFETCH(QString, scenario);
    QFETCH(int, index);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, windows);
    QFETCH(QByteArray, message);
    QFETCH(bool, kept);

    CommandWindows w = openers();
    fill();
    if (scenario == u"empty") {
        for (int i = 0; i < 3; ++i)
            window_->setTrack(i, {});
    } else if (scenario == u"track choice cancelled") {
        w.incrTrackSelect = opener(QStringLiteral("incrTrackSelect"));
    } else if (scenario == u"base record cancelled") {
        w.recEntry = opener(QStringLiteral("recEntry"));
    } else if (scenario == u"no track") {
        w.eraseTrackSelect = opener(QStringLiteral("eraseTrackSelect"), [this] {
            calls_.last() += QStringLiteral(" mask%1").arg(state_->EraseTrackMask);
        });
    } else if (scenario == u"open cancelled") {
        openChoice_.clear();
    } else if (scenario == u"missing") {
        openChoice_ = dir_.filePath(QStringLiteral("none.txt"));
    } else if (scenario == u"rejected" || scenario == u"unreadable") {
        const RecordFileCheck answer =
            scenario == u"rejected" ? RecordFileCheck::Rejected : RecordFileCheck::Unreadable;
        w.checkRecordFile = [this, answer](const QString &) {
            calls_ << QStringLiteral("check 1");
            window_->setTrack(3, "OUT");
            return answer;
        };
    } else if (scenario == u"run cancelled") {
        w.encodeRF =
            opener(QStringLiteral("encodeRF"), [this] { state_->EncodeFileCancelled = true; });
    } else if (scenario == u"save cancelled") {
        saveChoice_.clear();
    } else if (scenario == u"nothing swiped") {
        w.encodeWF = opener(QStringLiteral("encodeWF"));
    } else if (scenario == u"write failed") {
        w.writeRecordFile = [this](const QString &path) {
            calls_ << QStringLiteral("write %1").arg(path == saveChoice_);
            return false;
        };
    }
    window_->setCommandWindows(std::move(w));
    window_->command(index);

    QCOMPARE(calls_, calls);
    QCOMPARE(captions(watcher_->seen), windows);
    QCOMPARE(window_->message(), message);
    QCOMPARE(!text(3).isEmpty(), kept);
    if (scenario == u"missing") {
        QCOMPARE(watcher_->seen[0].text, QStringLiteral("File not exists. "));
        QCOMPARE(watcher_->seen[0].icon, QMessageBox::Warning);
    }
    if (scenario == u"write failed") {
        QCOMPARE(watcher_->seen[0].className, QStringLiteral("sfrmSaveError"));
        const auto *lc = window_->findChild<QPlainTextEdit *>(QStringLiteral("LC"));
        QCOMPARE(lc->toPlainText(), saveChoice_);
    }
}

void TestMainMenu::fileDialogsAreAskedProperly() {
    window_->setCommandWindows(openers());
    window_->command(3);
    window_->command(4);
    QCOMPARE(dialogCalls_.size(), 6);
    QCOMPARE(dialogCalls_[0], QStringLiteral("Open - Look in:"));
    QCOMPARE(dialogCalls_[1], QStringLiteral("Encode Data Files (*.txt)"));
    QCOMPARE(dialogCalls_[2], QString());
    QCOMPARE(dialogCalls_[3], QStringLiteral("Save As - Save in:"));
    QCOMPARE(dialogCalls_[4], QStringLiteral("Encode Data Files (*.txt)"));
    const QString expected = DefaultSaveFileName(QDate::currentDate(), 0, QLocale::system());
    QCOMPARE(dialogCalls_[5].left(expected.size() - 1), expected.left(expected.size() - 1));
}

void TestMainMenu::commandNeedsItsWindow() {
    showActive();
    window_->setTrack(0, "1");
    auto button = [this](int i) {
        return window_->findChild<QPushButton *>(QStringLiteral("Command1_%1").arg(i));
    };
    for (int i = 0; i < 8; ++i)
        QVERIFY(!button(i)->isEnabled());

    CommandWindows w;
    w.readCard = [] {
    };
    w.incrTrackSelect = [] {
    };
    w.recEntry = [] {
    };
    w.encodeRF = [] {
    };
    window_->setCommandWindows(w);
    QVERIFY(button(0)->isEnabled());
    QVERIFY2(!button(5)->isEnabled(), "incremental needs its batch window too");
    QVERIFY2(!button(3)->isEnabled(), "encode from file needs the file check");

    // A disabled command does nothing, even when asked directly.
    fill();
    window_->command(5);
    QCOMPARE(window_->message(), QByteArray("\r\nold"));
    QCOMPARE(text(0), QStringLiteral("1"));

    window_->setCommandWindows(openers());
    for (int i = 0; i < 8; ++i)
        QVERIFY(button(i)->isEnabled());
}

void TestMainMenu::writeFollowsInputRecord_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("track 1") << 0;
    QTest::newRow("track 2") << 1;
    QTest::newRow("track 3") << 2;
}

void TestMainMenu::writeFollowsInputRecord() {
    QFETCH(int, index);
    window_->setCommandWindows(openers());
    showActive();
    auto *write = window_->findChild<QPushButton *>(QStringLiteral("Command1_1"));
    QVERIFY(!write->isEnabled());

    box(index)->setFocus();
    QTest::keyClick(box(index), '7');
    QCOMPARE(text(index), QStringLiteral("7"));
    QCOMPARE(window_->length(index), QByteArray("1"));
    QVERIFY(write->isEnabled());

    window_->setTrack((index + 1) % 3, "5");
    QTest::keyClick(box(index), Qt::Key_Backspace);
    QVERIFY2(write->isEnabled(), "another box still holds text");
    window_->setTrack((index + 1) % 3, {});
    QVERIFY(!write->isEnabled());
    QCOMPARE(window_->length(index), QByteArray("0"));
    QVERIFY(watcher_->seen.isEmpty());
}

void TestMainMenu::keys_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");

    QTest::newRow("a on track 1 is upper-cased") << 0 << int('a') << "12A"
                                                 << ""
                                                 << "";
    QTest::newRow("z on track 1 is upper-cased") << 0 << int('z') << "12Z"
                                                 << ""
                                                 << "";
    QTest::newRow("a on track 2") << 1 << int('a') << "12" << Title23 << Track23Refused;
    QTest::newRow("a on track 3") << 2 << int('a') << "12" << Title23 << Track23Refused;
    QTest::newRow("space on track 1") << 0 << int(' ') << "12 "
                                      << ""
                                      << "";
    QTest::newRow("space on track 2") << 1 << int(' ') << "12" << Title23 << Track23Refused;
    QTest::newRow("space on track 3") << 2 << int(' ') << "12" << Title23 << Track23Refused;
    for (const char c : {'?', '<'}) {
        QTest::addRow("%c on track 1", c) << 0 << int(c) << "12" << Title1 << Track1Refused;
        QTest::addRow("%c on track 2", c) << 1 << int(c) << "12" << Title23 << Track23Refused;
        QTest::addRow("%c on track 3", c) << 2 << int(c) << "12" << Title23 << Track23Refused;
    }
    QTest::newRow("= on track 2") << 1 << int('=') << "12="
                                  << ""
                                  << "";
    QTest::newRow("^ on track 1") << 0 << int('^') << "12^"
                                  << ""
                                  << "";
    QTest::newRow("^ on track 2") << 1 << int('^') << "12" << Title23 << Track23Refused;
    QTest::newRow("{ on track 1") << 0 << int('{') << "12" << Title1 << Track1Refused;
    QTest::newRow("Enter on track 3") << 2 << int(Qt::Key_Return) << "12\n"
                                      << ""
                                      << "";
}

void TestMainMenu::keys() {
    QFETCH(int, index);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, message);

    showActive();
    box(index)->setFocus();
    QTest::keyClicks(box(index), QStringLiteral("12"));
    if (key == Qt::Key_Return)
        QTest::keyClick(box(index), Qt::Key_Return);
    else
        QTest::keyClick(box(index), char(key));

    QCOMPARE(this->text(index), text);
    QCOMPARE(window_->length(index), QByteArray::number(text.size()));
    if (title.isEmpty()) {
        QVERIFY(watcher_->seen.isEmpty());
        return;
    }
    QCOMPARE(watcher_->seen.size(), 1);
    QCOMPARE(watcher_->seen[0].title, title);
    QCOMPARE(watcher_->seen[0].text, message);
    QCOMPARE(watcher_->seen[0].icon, QMessageBox::Information);
    QCOMPARE(window_->focusWidget(), box(index));
}

void TestMainMenu::leaving_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");

    QTest::newRow("< pasted on track 2") << 1 << "12<3" << true << "12<3"
                                         << ""
                                         << "";
    QTest::newRow("lower case pasted on track 1") << 0 << "%b12^doe" << true << "%B12^DOE"
                                                  << ""
                                                  << "";
    QTest::newRow("? pasted on track 1") << 0 << "ab?" << true << "AB?" << Title1 << Track1Leaving;
    QTest::newRow("{ pasted on track 1") << 0 << "1{" << true << "1{" << Title1 << Track1Leaving;
    QTest::newRow("space pasted on track 2")
        << 1 << "1 2" << true << "1 2" << Title23 << Track23Leaving;
    QTest::newRow("line break on track 3")
        << 2 << "12\n34" << true << "12\n34" << Title23 << Track23Leaving;
    QTest::newRow("beyond Latin-1 dropped") << 1 << QString::fromUtf8("1\u20ac2") << true << "12"
                                            << ""
                                            << "";
    QTest::newRow("dropped into a box without the focus")
        << 1 << "A" << false << "A" << Title23 << Track23Leaving;
}

void TestMainMenu::leaving() {
    QFETCH(int, index);
    QFETCH(QString, pasted);
    QFETCH(bool, focused);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, message);

    showActive();
    QWidget *other = box(index == 0 ? 1 : 0);
    (focused ? box(index) : other)->setFocus();
    paste(index, pasted);
    QVERIFY(watcher_->seen.isEmpty() || !focused);
    if (focused)
        other->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);

    QCOMPARE(this->text(index), text);
    if (title.isEmpty()) {
        QVERIFY(watcher_->seen.isEmpty());
        QCOMPARE(window_->focusWidget(), other);
        return;
    }
    QCOMPARE(watcher_->seen.size(), 1);
    QCOMPARE(watcher_->seen[0].title, title);
    QCOMPARE(watcher_->seen[0].text, message);
    QCOMPARE(watcher_->seen[0].icon, QMessageBox::Information);
    QCOMPARE(window_->focusWidget(), box(index));
}

void TestMainMenu::leavingDoesNotLoop() {
    showActive();
    window_->setTrack(1, "A");
    window_->setTrack(2, "B");
    box(1)->setFocus();
    QTest::qWait(20);
    QVERIFY(watcher_->seen.isEmpty());
    // After a message box the window manager makes the main window active again.
    auto reactivate = [this] {
        window_->activateWindow();
        return QTest::qWaitForWindowActive(window_.get());
    };

    // Both boxes are invalid: leaving track 2 for track 3 reports track 2 only, once.
    box(2)->setFocus(Qt::MouseFocusReason);
    QTest::qWait(50);
    QVERIFY(reactivate());
    QTest::qWait(50);
    QCOMPARE(watcher_->seen.size(), 1);
    QCOMPARE(watcher_->seen[0].title, Title23);
    QCOMPARE(QApplication::focusWidget(), box(1));

    // Told once, the operator may leave the unchanged text, for a command button say.
    box(2)->setFocus(Qt::MouseFocusReason);
    QTest::qWait(50);
    QCOMPARE(watcher_->seen.size(), 1);
    QCOMPARE(QApplication::focusWidget(), box(2));

    box(0)->setFocus(Qt::TabFocusReason);
    QTest::qWait(50);
    QVERIFY(reactivate());
    QCOMPARE(watcher_->seen.size(), 2);
    QCOMPARE(QApplication::focusWidget(), box(2));

    // A changed text is checked again.
    QTest::keyClick(box(2), Qt::Key_End);
    QTest::keyClick(box(2), Qt::Key_Return);
    box(0)->setFocus(Qt::TabFocusReason);
    QTest::qWait(50);
    QCOMPARE(watcher_->seen.size(), 3);
}

void TestMainMenu::boxesKeepTheirMaximum() {
    showActive();
    const int maximum[] = {76, 37, 104};
    for (int i = 0; i < 3; ++i) {
        box(i)->setFocus();
        paste(i, QString(200, QLatin1Char('1')));
        QCOMPARE(text(i).size(), maximum[i]);
        QTest::keyClick(box(i), '2');
        QCOMPARE(text(i), QString(maximum[i], QLatin1Char('1')));
        QCOMPARE(window_->length(i), QByteArray::number(maximum[i]));
        window_->setTrack(i, QByteArray(300, '3'));
        QCOMPARE(text(i).size(), maximum[i]);
    }
    // A paste over a selection may use the room the selection frees.
    auto *track3 = qobject_cast<QPlainTextEdit *>(box(2));
    QTextCursor cursor = track3->textCursor();
    cursor.setPosition(100);
    cursor.setPosition(104, QTextCursor::KeepAnchor);
    track3->setTextCursor(cursor);
    paste(2, QStringLiteral("456789"));
    QCOMPARE(text(2), QString(100, QLatin1Char('3')) + QStringLiteral("4567"));
    // The output record is not limited.
    window_->setTrack(5, QByteArray(300, '3'));
    QCOMPARE(window_->length(5), QByteArray("300"));
}

void TestMainMenu::recordsForOtherWindows() {
    showActive();
    window_->setTrack(4, "12345");
    QCOMPARE(window_->length(4), QByteArray("5"));
    window_->setLength(4, "99");
    QCOMPARE(window_->length(4), QByteArray("99"));
    window_->setTrack(3, "\xC9T\xE9");
    QCOMPARE(window_->track(3), QByteArray("\xC9T\xE9"));

    window_->setMessage("\r\nSuccessful read from card swipe.");
    QCOMPARE(window_->message(), QByteArray("\r\nSuccessful read from card swipe."));
    QCOMPARE(window_->findChild<QLabel *>(QStringLiteral("Label4"))->text(),
             QStringLiteral("\nSuccessful read from card swipe."));

    // Data put into the input record by a window is not checked: no message pops up.
    window_->setTrack(1, "ABC");
    QTest::qWait(20);
    QVERIFY(watcher_->seen.isEmpty());
    QCOMPARE(window_->track(9), QByteArray());
    window_->setTrack(-1, "x");
}

void TestMainMenu::defaultSaveFileName_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("name");

    const QDate date(2026, 12, 5);
    QTest::newRow("month first") << date << 812.75 << "en_US"
                                 << "E052026812.";
    QTest::newRow("day first, dots") << date << 812.75 << "de_DE"
                                     << "E122026812.";
    QTest::newRow("year first") << date << 812.75 << "ja_JP"
                                << "E261205812.";
    QTest::newRow("afternoon") << date << 45296.5 << "en_US"
                               << "E0520264529";
    QTest::newRow("just after midnight") << date << 7.0 << "en_US"
                                         << "E0520267";
    QTest::newRow("one digit month") << QDate(2027, 1, 9) << 3600.0 << "en_US"
                                     << "E0920273600";
}

void TestMainMenu::defaultSaveFileName() {
    QFETCH(QDate, date);
    QFETCH(double, seconds);
    QFETCH(QString, locale);
    QFETCH(QString, name);
    QCOMPARE(DefaultSaveFileName(date, seconds, QLocale(locale)), name);
}

namespace {

QRect expectedPixels(const QWidget &window, double left, double top, double width, double height) {
    const double sx = window.logicalDpiX() / 1440.0;
    const double sy = window.logicalDpiY() / 1440.0;
    const int x = int(std::lround(left * sx));
    const int y = int(std::lround(top * sy));
    return {x, y, int(std::lround((left + width) * sx)) - x,
            int(std::lround((top + height) * sy)) - y};
}

} // namespace

void TestMainMenu::layoutFollowsResize() {
    showActive();
    auto *button = window_->findChild<QPushButton *>(QStringLiteral("Command1_6"));
    const QSize design = window_->size();
    QCOMPARE(button->geometry(), expectedPixels(*window_, 6900, 5520, 2115, 690));

    const QSize larger(design.width() * 3 / 2, design.height() * 2);
    window_->resize(larger);
    const double rW = double(larger.width()) / design.width();
    const double rH = double(larger.height()) / design.height();
    const QRect grown = expectedPixels(*window_, 6900 * rW, 5520 * rH, 2115 * rW, 690 * rH);
    QTRY_COMPARE(button->geometry(), grown);

    // A second resize event for the same size, as a nested or repeated one, scales nothing.
    QResizeEvent again(larger, larger);
    QCoreApplication::sendEvent(window_.get(), &again);
    QCOMPARE(button->geometry(), grown);

    window_->resize(design.width() / 2, design.height() / 2);
    QTRY_COMPARE(window_->size(), design);
    QTRY_COMPARE(button->geometry(), expectedPixels(*window_, 6900, 5520, 2115, 690));
    auto *label = window_->findChild<QLabel *>(QStringLiteral("Label1_2"));
    QCOMPARE(label->pos(), expectedPixels(*window_, 2025, 360, 0, 0).topLeft());
}

void TestMainMenu::captionsFitAtDesignSize() {
    showActive();
    window_->setTrack(3, "1234");
    const QList<QWidget *> controls =
        window_->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    QList<QWidget *> shown;
    for (QWidget *w : controls)
        if (w->isVisible() && !w->isWindow())
            shown << w;
    QCOMPARE(shown.size(), 43);
    for (QWidget *w : shown) {
        const QRect r = w->geometry();
        if (!w->objectName().startsWith(u"Label3"))
            QVERIFY2(r.left() >= 0 && r.right() < window_->width(), qPrintable(w->objectName()));
        QVERIFY2(r.bottom() < window_->height(), qPrintable(w->objectName()));
        if (qobject_cast<QLabel *>(w) || qobject_cast<QPushButton *>(w))
            QVERIFY2(w->sizeHint().width() <= r.width(), qPrintable(w->objectName()));
        for (QWidget *o : shown)
            if (o != w)
                QVERIFY2(
                    !r.intersects(o->geometry()),
                    qPrintable(w->objectName() + QStringLiteral(" overlaps ") + o->objectName()));
    }
}

QTEST_MAIN(TestMainMenu)
#include "tst_mainmenu.moc"
