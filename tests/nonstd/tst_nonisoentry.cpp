#include "ModalWatcher.h"
#include "NonIsoChoice.h"

#include "app/MainModule.h"
#include "link/NonIsoFrames.h"
#include "nonstd/nfrmWrite.h"

#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
namespace Format = NonIsoFrames::Format;

namespace {

using Texts = std::array<QByteArray, 3>;

const QByteArray D210 = NonIsoFrames::Density::Bpi210;

using Choice = NonIsoChoice;

const Choice IsoStandard{true, {Format::StdT1, Format::StdT2, Format::StdT3}};
const Choice T1OnTrack2At75{true, {Format::StdT2, Format::StdT1, Format::StdT3}};
const Choice Custom567{false, {Format::Custom5, Format::Custom6, Format::Custom7}};
const Choice Custom5At210{
    false, {Format::Custom5, Format::Custom5, Format::Custom5}, {D210, D210, D210}};

const QString Bits5 = u"Non-ISO 5-Bit Data Format Error"_s;
const QString Std5 = u" 5-Bit Character (Std T2/T3) Format Error"_s;
const QString Std7 = u" 7-Bit Character (Std T1) Format Error"_s;
const QString HexKey = u" Hex Format Error"_s;
const QString HexLength = u"Non-ISO Hex Character Length Error"_s;
const QString TooMany = u"Non-ISO Write"_s;
const QString StandardCaption = u"Non-ISO Write: Standard Format on Non-Standard Track (ASCII)"_s;
const QString CustomCaption = u"Non-ISO Write: Custom Data Format (Hex)"_s;

// The entry window for a choice, with the swipe write replaced by a note of what it would
// write; every message box is answered and noted.
struct Rig {
    explicit Rig(const Choice &choice) {
        state.initialise();
        state.EmulationMode = "KVT-380A";
        state.NonIsoMode = true;
        choice.applyTo(state);
        state.Track1Data = "left";
        window.setSwipeWrite([this] {
            keyed << state.NonIsoKeyedText;
            data << state.NonIsoTrackText;
            flagsClear << !(state.ReplyDone || state.CancelRequested);
            // The swipe write leaves CancelRequested set when it closes.
            state.CancelRequested = true;
        });
        watcher.leaveAlone = &window;
    }

    QPlainTextEdit *box(int track) {
        return window.findChild<QPlainTextEdit *>(u"TIT_%1"_s.arg(track));
    }
    QString text(int track) { return box(track)->toPlainText(); }
    QString count(int track) { return window.findChild<QLabel *>(u"LT_%1"_s.arg(track))->text(); }
    QString focus() {
        return window.focusWidget() ? window.focusWidget()->objectName() : QString();
    }
    QStringList titles() const {
        QStringList list;
        for (const ModalWatcher::Seen &seen : watcher.seen)
            list << seen.title;
        return list;
    }

    // Opens the window, runs steps once it is active, then presses Cancel.
    void within(const std::function<void()> &steps) {
        QTimer::singleShot(0, &window, [this, steps] {
            const auto cancel =
                qScopeGuard([this] { window.findChild<QPushButton *>(u"Command1_1"_s)->click(); });
            if (activate())
                steps();
        });
        window.run();
    }
    // A message box made another window active for a while.
    bool activate() {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    void type(int track, const QString &keys) {
        box(track)->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(box(track), keys);
    }
    void paste(int track, const QString &text) {
        box(track)->setFocus(Qt::MouseFocusReason);
        QGuiApplication::clipboard()->setText(text);
        QMetaObject::invokeMethod(box(track), "paste");
    }
    // The operator tabs from the field to the next one.
    void leave(int track) {
        activate();
        box((track + 1) % 3)->setFocus(Qt::TabFocusReason);
        QTest::qWait(20);
    }
    void ok() {
        activate();
        QTest::mouseClick(window.findChild<QPushButton *>(u"Command1_0"_s), Qt::LeftButton);
        QTest::qWait(20);
    }

    MainModule state;
    nfrmWrite window{state};
    ModalWatcher watcher;
    QList<Texts> keyed;
    QList<Texts> data;
    QList<bool> flagsClear;
};

} // namespace

Q_DECLARE_METATYPE(Choice)
Q_DECLARE_METATYPE(Texts)

class TestNonIsoEntry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensForTheChoice_data();
    void opensForTheChoice();
    void keyingAndLeaving_data();
    void keyingAndLeaving();
    void tooManyWarnedAtEachChange();
    void okTakesOnlyCheckedData_data();
    void okTakesOnlyCheckedData();
    void clearedFieldNotWritten();
};

void TestNonIsoEntry::opensForTheChoice_data() {
    QTest::addColumn<Choice>("choice");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<bool>("note");
    QTest::newRow("standard, ISO formats")
        << IsoStandard << StandardCaption
        << QStringList{"Track 1 Data ( 7-Bit Character ) Max 76 Characters",
                       "Track 2 Data ( 5-Bit Character ) Max 39 Characters",
                       "Track 3 Data ( 5-Bit Character ) Max 106 Characters"}
        << false;
    QTest::newRow("standard, T1 on track 2 at 75 BPI")
        << T1OnTrack2At75 << StandardCaption
        << QStringList{"Track 1 Data ( 5-Bit Character ) Max 106 Characters",
                       "Track 2 Data ( 7-Bit Character ) Max 27 Characters",
                       "Track 3 Data ( 5-Bit Character ) Max 106 Characters"}
        << false;
    QTest::newRow("custom, 5 6 7 bits")
        << Custom567 << CustomCaption
        << QStringList{"Track 1 Data ( 5-Bit Character, Hex Value 01 ~ 1F ) Max 106 Characters.",
                       "Track 2 Data ( 6-Bit Character, Hex Value 01 ~ 3F ) Max 32 Characters.",
                       "Track 3 Data ( 7-Bit Character, Hex Value 01 ~ 7F ) Max 76 Characters."}
        << true;
}

// What the window shows for the choice; the tracks of the last read are forgotten, and
// the fields of the last run with them.
void TestNonIsoEntry::opensForTheChoice() {
    QFETCH(Choice, choice);
    Rig rig(choice);
    rig.within([&rig] { rig.type(1, u"1"_s); });
    rig.state.CancelRequested = true;
    rig.within([&rig] {
        QTEST(rig.window.windowTitle(), "caption");
        QStringList labels;
        for (int i = 0; i < 3; ++i)
            labels << rig.window.findChild<QLabel *>(u"Label1_%1"_s.arg(i))->text();
        QTEST(labels, "labels");
        QTEST(rig.window.findChild<QFrame *>(u"Shape1_3"_s)->isVisible(), "note");
        QCOMPARE(rig.window.findChild<QLabel *>(u"Label1_3"_s)->text(),
                 "Please note LSB of first character must be a '1'.");
        QCOMPARE(rig.text(1), QString());
        QCOMPARE(rig.count(1), "0");
        QCOMPARE(rig.focus(), "TIT_0");
    });
    QVERIFY(!rig.state.CancelRequested);
    QCOMPARE(rig.state.Track1Data, QByteArray());
    QCOMPARE(rig.watcher.seen.size(), 0);
}

void TestNonIsoEntry::keyingAndLeaving_data() {
    QTest::addColumn<Choice>("choice");
    QTest::addColumn<int>("track");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("text"); // once the field is left
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("messages");
    const auto typed = [](const char *name, const Choice &choice, int track,
                          const QString &keys) -> QTestData & {
        return QTest::newRow(name) << choice << track << keys << QString();
    };
    const auto pasted = [](const char *name, const Choice &choice, int track,
                           const QString &text) -> QTestData & {
        return QTest::newRow(name) << choice << track << QString() << text;
    };
    typed("T1 on track 2 at 75 BPI: upper case, 27 at most", T1OnTrack2At75, 1,
          u"abcdefghijklmnopqrstuvwxyz0123"_s)
        << u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0"_s << u"27"_s << QStringList{};
    typed("? in a 5-bit field", IsoStandard, 2, u"12?3"_s)
        << u"123"_s << u"3"_s << QStringList{Std5};
    typed("< and ? in the T1 field", IsoStandard, 0, u"A<?B"_s)
        << u"AB"_s << u"2"_s << QStringList{Std7, Std7};
    typed("custom: 1F0B spaced in pairs", Custom567, 0, u"1f0b"_s)
        << u"1F 0B"_s << u"2"_s << QStringList{};
    typed("custom: a space starts a new pair", Custom567, 1, u"1 2b3"_s)
        << u"1 2B 3"_s << u"3"_s << QStringList{};
    typed("custom: G refused", Custom567, 2, u"1g"_s) << u"1"_s << u"1"_s << QStringList{HexKey};
    pasted("04 in 5 bits", Custom567, 0, u"04"_s) << u"04"_s << u"1"_s << QStringList{Bits5};
    pasted("04 in 7 bits", Custom567, 2, u"01 04"_s)
        << u"01 04"_s << u"2"_s << QStringList{u"Non-ISO 7-Bit Data Format Error"_s};
    pasted("5 bits: 0B 20, above 1F", Custom567, 0, u"0B 20"_s)
        << u"0B 20"_s << u"2"_s << QStringList{Bits5};
    pasted("123: three digits", Custom567, 1, u"123"_s)
        << u"123"_s << u"1"_s << QStringList{HexLength};
    pasted("trimmed and upper-cased", Custom567, 2, u"  7f 0b  "_s)
        << u"7F 0B"_s << u"2"_s << QStringList{};
    pasted("standard: lower case in 5 bits", IsoStandard, 1, u"12a"_s)
        << u"12A"_s << u"3"_s << QStringList{Std5};
    pasted("standard: ? in T1", IsoStandard, 0, u"ab?"_s)
        << u"AB?"_s << u"3"_s << QStringList{Std7};
}

// A refused key is told at once and gives the field the focus back. A pasted text is
// checked when the field is left: a failure gives the field the focus back, with its text
// as it was apart from spaces and case. Which values each width refuses is the data rule's
// own table; here, that a refusal reaches the operator.
void TestNonIsoEntry::keyingAndLeaving() {
    QFETCH(Choice, choice);
    QFETCH(int, track);
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QStringList, messages);
    Rig rig(choice);
    rig.within([&] {
        rig.type(track, typed);
        QCOMPARE(rig.focus(), u"TIT_%1"_s.arg(track));
        if (!pasted.isEmpty())
            rig.paste(track, pasted);
        rig.leave(track);
        QTEST(rig.text(track), "text");
        QTEST(rig.count(track), "count");
        const bool leftFailed = !pasted.isEmpty() && !messages.isEmpty();
        QCOMPARE(rig.focus(), u"TIT_%1"_s.arg(leftFailed ? track : (track + 1) % 3));
    });
    QCOMPARE(rig.titles(), messages);
    for (const ModalWatcher::Seen &seen : std::as_const(rig.watcher.seen))
        QCOMPARE(seen.icon, QMessageBox::Information);
}

// 106 groups fill a 5-bit track at 210 BPI; each change beyond it is warned of, and
// nothing is taken away.
void TestNonIsoEntry::tooManyWarnedAtEachChange() {
    Rig rig(Custom5At210);
    rig.within([&rig] {
        rig.box(0)->setPlainText(u"01 "_s.repeated(106));
        rig.box(0)->moveCursor(QTextCursor::End);
        QCOMPARE(rig.count(0), "106");
        rig.type(0, u"03"_s);
        QCOMPARE(rig.count(0), "107");
        QCOMPARE(rig.text(0), u"01 "_s.repeated(106) + u"03 "_s);
    });
    QCOMPARE(rig.titles(), QStringList({TooMany, TooMany}));
    QCOMPARE(rig.watcher.seen[0].text, "Max Characters are 106  ");
    QCOMPARE(rig.watcher.seen[0].icon, QMessageBox::Information);
}

void TestNonIsoEntry::okTakesOnlyCheckedData_data() {
    QTest::addColumn<Choice>("choice");
    // Pasted into tracks 1, 2, 3; then OK is clicked, or Enter or Return pressed in the field
    // that has the focus when a fourth says so.
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus"); // after OK
    QTest::addColumn<Texts>("keyed");   // what the swipe write found, when it opened
    QTest::addColumn<Texts>("data");
    const Texts none = {"*", "*", "*"};
    QTest::newRow("all empty: nothing happens") << IsoStandard << QStringList{"", "", " "}
                                                << QStringList{} << u"Command1_0"_s << none << none;
    QTest::newRow("only track 3") << IsoStandard << QStringList{"", "", "123"} << QStringList{}
                                  << u"TIT_0"_s << Texts{"", "", "123"} << Texts{};
    // A line break is no track data: Enter takes the fields as OK does.
    QTest::newRow("Return in a field")
        << IsoStandard << QStringList{"AB", "", "", "Return"} << QStringList{} << u"TIT_0"_s
        << Texts{"AB", "", ""} << Texts{};
    QTest::newRow("custom, converted")
        << Custom567 << QStringList{"", "0b 3F", "1"} << QStringList{} << u"TIT_0"_s
        << Texts{"", "0B 3F", "1"} << Texts{"", QByteArray::fromHex("0b3f"), "\x01"};
    // Pressing OK leaves the field, whose check then runs once.
    QTest::newRow("a field that fails, left for OK")
        << Custom567 << QStringList{"0B", "", "04"}
        << QStringList{u"Non-ISO 7-Bit Data Format Error"_s} << u"TIT_2"_s << none << none;
    QTest::newRow("a field that fails, never left: Enter")
        << Custom567 << QStringList{"0B", "", "04", "Enter"}
        << QStringList{u"Non-ISO 7-Bit Data Format Error"_s} << u"TIT_2"_s << none << none;
    // The swipe write's table has what else the data check refuses: both windows ask it.
    QTest::newRow("too many for the track")
        << Custom567 << QStringList{"", u"01 "_s.repeated(33).trimmed(), ""}
        << QStringList{TooMany, TooMany} << u"TIT_1"_s << none << none;
}

// OK opens the swipe write only when a field has data and every field passes its check;
// otherwise the message of the first field that does not, with the focus there.
void TestNonIsoEntry::okTakesOnlyCheckedData() {
    QFETCH(Choice, choice);
    QFETCH(QStringList, fields);
    QFETCH(Texts, keyed);
    QFETCH(Texts, data);
    Rig rig(choice);
    rig.within([&] {
        for (int i = 0; i < 3; ++i)
            if (!fields[i].isEmpty())
                rig.paste(i, fields[i]);
        if (fields.size() > 3)
            QTest::keyClick(rig.window.focusWidget(),
                            fields[3] == u"Enter" ? Qt::Key_Enter : Qt::Key_Return);
        else
            rig.ok();
        QTEST(rig.focus(), "focus");
    });
    QTEST(rig.titles(), "messages");
    if (keyed == Texts{"*", "*", "*"}) {
        QCOMPARE(rig.keyed.size(), 0);
        return;
    }
    QCOMPARE(rig.keyed, QList<Texts>{keyed});
    QCOMPARE(rig.data, QList<Texts>{data});
    QCOMPARE(rig.flagsClear, QList<bool>{true});
    // Back from the swipe write: the fields as they were.
    QCOMPARE(rig.state.CancelRequested, false);
}

// Data keyed for track 2, cleared later, is not written the next time.
void TestNonIsoEntry::clearedFieldNotWritten() {
    Rig rig(Custom567);
    rig.within([&rig] {
        rig.type(1, u"0b"_s);
        rig.type(2, u"01"_s);
        rig.ok();
        QCOMPARE(rig.text(1), "0B");
        rig.box(1)->setFocus(Qt::MouseFocusReason);
        rig.box(1)->selectAll();
        QTest::keyClick(rig.box(1), Qt::Key_Backspace);
        rig.leave(1);
        rig.ok();
    });
    QCOMPARE(rig.titles(), QStringList());
    QCOMPARE(rig.data, (QList<Texts>{{"", "\x0b", "\x01"}, {"", "", "\x01"}}));
}

QTEST_MAIN(TestNonIsoEntry)
#include "tst_nonisoentry.moc"
