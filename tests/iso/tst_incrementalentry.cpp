#include "ModalWatcher.h"

#include "app/MainModule.h"
#include "iso/cfrmRecEntry.h"
#include "iso/cfrmTrackSelect.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Track1Refused =
    u" 7-Bit Character (Std T1) Format Error: Use the fellowing characters only:   \n"
    "SP ! \" # $ % & ' ( ) * + , - . / 0 1 2 3 4 5 6 7 8 9 : ; = > @ A B C   \n"
    "D E F G H I J K L M N O P Q R S T U V W X Y Z [ \\ ] ^ _"_s;
const QString Track23Refused = u" 5-Bit Character (Std T2/T3) Format Error: Use the fellowing "
                               "characters only:   \n0 1 2 3 4 5 6 7 8 9 : ; = > "_s;
const QString Numeral = u"Format Error: Use numeral only. "_s;

// Runs the window modal and operates it, once active, from inside its own event loop;
// operate must close it.
template <class Window> void runOperated(Window &window, std::function<void()> operate) {
    QTimer::singleShot(0, &window, [&window, operate] {
        if (!QTest::qWaitForWindowActive(&window)) {
            window.close();
            QFAIL("the window did not become active");
        }
        operate();
    });
    window.run();
}

// The base-record window in the state the command leaves it: track chosen, IncrCancelled set.
struct EntryRig {
    explicit EntryRig(qint16 track) {
        state.IncrTrack = track;
        state.IncrCancelled = true;
        state.Track1Data = "stale";
        watcher.leaveAlone = &window;
    }
    QLineEdit *box(int index) const { return window.findChild<QLineEdit *>(u"TIT%1"_s.arg(index)); }
    QString label(const QString &name) const { return window.findChild<QLabel *>(name)->text(); }
    // LT 0..14, then LM 0..2.
    QString lengths() const {
        QStringList shown;
        for (int i = 0; i < cfrmRecEntry::BoxCount; ++i)
            shown << label(u"LT%1"_s.arg(i));
        shown << u"/"_s;
        for (int t = 0; t < 3; ++t)
            shown << label(u"LM%1"_s.arg(t));
        return shown.join(u' ');
    }
    void press(const char *button) { window.findChild<QPushButton *>(button)->click(); }
    QString messages() const {
        QStringList seen;
        for (const ModalWatcher::Seen &s : watcher.seen)
            seen << s.title + u": "_s + s.text;
        return seen.join(u" | "_s);
    }
    QString taken() const {
        if (state.IncrCancelled)
            return u"cancelled, Track1Data "_s + QString::fromLatin1(state.Track1Data);
        return u"%1|%2|%3 #%4 step %5 count %6 suffix %7"_s.arg(
            QString::fromLatin1(state.Track1Data), QString::fromLatin1(state.Track2Data),
            QString::fromLatin1(state.Track3Data), QString::number(state.IncrNumber),
            QString::number(state.IncrStep), QString::number(state.IncrCount),
            QString::fromLatin1(state.IncrSuffix));
    }

    // The character sets are taken when the window is made.
    MainModule state = [] {
        MainModule initialised;
        initialised.initialise();
        return initialised;
    }();
    cfrmRecEntry window{state};
    ModalWatcher watcher;
};

} // namespace

class TestIncrementalEntry : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void trackChoice_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<int>("track");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("track 3, OK") << 2 << QByteArray("Command1_1") << 3 << false;
        QTest::newRow("track 1 as it opens, OK") << -1 << QByteArray("Command1_1") << 1 << false;
        QTest::newRow("track 2, Cancel") << 1 << QByteArray("Command1_0") << 3 << true;
    }

    // A choice made in an earlier opening is not kept.
    void trackChoice() {
        QFETCH(int, option);
        QFETCH(QByteArray, button);
        MainModule state;
        state.initialise();
        state.IncrTrack = 3;
        cfrmTrackSelect window(state);
        for (int opening = 0; opening < 2; ++opening) {
            state.IncrCancelled = true;
            bool firstChecked = false;
            runOperated(window, [&] {
                firstChecked = window.findChild<QRadioButton *>(u"Option1_0"_s)->isChecked();
                if (option >= 0)
                    window.findChild<QRadioButton *>(u"Option1_%1"_s.arg(option))->click();
                window.findChild<QPushButton *>(QString::fromLatin1(button))->click();
            });
            QVERIFY(firstChecked);
        }
        QTEST(int(state.IncrTrack), "track");
        QTEST(state.IncrCancelled, "cancelled");
    }

    void boxesOfTheChosenTrack_data() {
        QTest::addColumn<int>("track");
        QTest::addColumn<QString>("taking");
        QTest::newRow("track 1") << 1 << u"11111 1---- 1----"_s;
        QTest::newRow("track 2") << 2 << u"1---- 11111 1----"_s;
        QTest::newRow("track 3") << 3 << u"1---- 1---- 11111"_s;
    }

    // A "1" typed into every box stays in the boxes that take input; those that do not have the
    // button-face background and a grey caption.
    void boxesOfTheChosenTrack() {
        QFETCH(int, track);
        EntryRig rig{qint16(track)};
        QString seen;
        runOperated(rig.window, [&] {
            const QPalette window = rig.window.palette();
            for (int i = 0; i < cfrmRecEntry::BoxCount; ++i) {
                QLineEdit *box = rig.box(i);
                box->setFocus();
                QTest::keyClicks(box, u"1"_s);
                const bool takes = box->text() == u"1";
                const QColor caption = rig.window.findChild<QLabel *>(u"LIT1_%1"_s.arg(i))
                                           ->palette()
                                           .color(QPalette::WindowText);
                const bool looks =
                    box->palette().color(QPalette::Base) ==
                        window.color(takes ? QPalette::Base : QPalette::Button) &&
                    caption == (takes ? window.color(QPalette::ButtonText) : QColor(128, 128, 128));
                seen += (takes ? u"1"_s : u"-"_s) + (looks ? u""_s : u"(look)"_s) +
                        (i % 5 == 4 && i < 14 ? u" "_s : QString());
            }
            rig.press("Command1_0");
        });
        QTEST(seen, "taking");
        QVERIFY(rig.watcher.seen.isEmpty());
    }

    void keysAndLeaving_data() {
        QTest::addColumn<int>("track");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<bool>("focusBack");
        QTest::newRow("track 1: lower-case a becomes A")
            << 1 << 0 << u"ab1"_s << u""_s << u"AB1"_s << u""_s << false;
        QTest::newRow("track 1: < refused with the leaving text")
            << 1 << 0 << u"A<"_s << u""_s << u"A"_s << Track1Refused << false;
        QTest::newRow("track 1 suffix: pasted lower case upper-cased on leaving")
            << 1 << 4 << u""_s << u"xy"_s << u"XY"_s << u""_s << false;
        QTest::newRow("Count: a letter refused")
            << 2 << 8 << u"1x"_s << u""_s << u"1"_s << Numeral << false;
        QTest::newRow("Starting #: pasted text that is no number")
            << 3 << 11 << u""_s << u"12AB"_s << u"12AB"_s << Numeral << true;
        QTest::newRow("track 2 suffix: space refused")
            << 2 << 9 << u"1 "_s << u""_s << u"1"_s << Track23Refused << false;
        QTest::newRow("track 2 prefix: pasted ? on leaving")
            << 1 << 5 << u""_s << u"1?"_s << u"1?"_s << Track23Refused << true;
    }

    void keysAndLeaving() {
        QFETCH(int, track);
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        EntryRig rig{qint16(track)};
        QString text;
        bool focusBack = false;
        runOperated(rig.window, [&] {
            QLineEdit *edit = rig.box(box);
            edit->setFocus();
            QTest::keyClicks(edit, typed);
            QGuiApplication::clipboard()->setText(pasted);
            edit->paste();
            rig.window.activateWindow();
            rig.box(box == 0 ? 5 : 0)->setFocus(Qt::TabFocusReason);
            QTest::qWait(20);
            text = edit->text();
            focusBack = rig.window.focusWidget() == edit;
            rig.press("Command1_0");
        });
        QTEST(text, "text");
        QTEST(rig.messages(), "messages");
        QTEST(focusBack, "focusBack");
    }

    void okTakesTheBaseRecord_data() {
        QTest::addColumn<int>("track");
        QTest::addColumn<QStringList>("boxes"); // "index=text", put in as pasted text
        QTest::addColumn<QString>("lengths");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("focus"); // after OK
        QTest::addColumn<bool>("enter");    // the last box is pasted into and OK pressed with Enter
        const QString none = u"0 0 0 0 0 "_s;
        const QString cancelled = u"cancelled, Track1Data stale"_s;
        QTest::newRow("AB / 0007 / X")
            << 1 << QStringList{u"0=AB"_s, u"1=0007"_s, u"2=12"_s, u"3=3"_s, u"4=X"_s, u"5=55"_s}
            << u"2 4 0 0 1 2 0 0 0 0 0 0 0 0 0 / 7 2 0"_s << u"AB|55| #7 step 12 count 3 suffix X"_s
            << u""_s << u""_s << false;
        QTest::newRow("Count and Starting # empty: one card from 0")
            << 2 << QStringList{u"5=;"_s, u"9=="_s} << none + u"1 0 0 0 1 "_s + none + u"/ 0 2 0"_s
            << u"|;| #0 step 0 count 1 suffix ="_s << u""_s << u""_s << false;
        QTest::newRow("nothing entered but a Count: OK does nothing")
            << 3 << QStringList{u"13=5"_s} << none + none + none + u"/ 0 0 0"_s << cancelled
            << u""_s << u"Command1_1"_s << false;
        QTest::newRow("negative Count refused")
            << 1 << QStringList{u"0=A"_s, u"3=-2"_s} << u"1 0 0 0 0 "_s + none + none + u"/ 1 0 0"_s
            << cancelled
            << u"Format Error: Count cannot be negative: enter how many cards to write, or leave "
               u"it "
               "empty for one."_s
            << u"TIT3"_s << false;
        QTest::newRow("Starting # beyond 32 bits refused")
            << 3 << QStringList{u"11=3000000000"_s} << none + none + u"0 10 0 0 0 / 0 0 10"_s
            << cancelled
            << u"Format Error: Starting # 3000000000 is out of range: use a whole number from "
               "-2147483648 to 2147483647."_s
            << u"TIT11"_s << false;
        QTest::newRow("lenient numbers")
            << 1 << QStringList{u"1=2.5"_s, u"2=1E1"_s, u"3= 4 "_s}
            << u"0 3 0 0 0 "_s + none + none + u"/ 3 0 0"_s << u"|| #2 step 10 count 4 suffix "_s
            << u""_s << u""_s << false;
        QTest::newRow("Enter in a box checks it first")
            << 1 << QStringList{u"0=ab"_s} << u"2 0 0 0 0 "_s + none + none + u"/ 2 0 0"_s
            << u"AB|| #0 step 0 count 1 suffix "_s << u""_s << u""_s << true;
    }

    void okTakesTheBaseRecord() {
        QFETCH(int, track);
        QFETCH(QStringList, boxes);
        QFETCH(bool, enter);
        EntryRig rig{qint16(track)};
        QString lengths;
        bool closedByOk = false;
        QString focus;
        runOperated(rig.window, [&] {
            QLineEdit *last = nullptr;
            for (const QString &entry : boxes) {
                last = rig.box(entry.section(u'=', 0, 0).toInt());
                if (enter)
                    last->setFocus();
                last->setText(entry.section(u'=', 1));
            }
            QTest::qWait(10);
            lengths = rig.lengths();
            if (enter)
                QTest::keyClick(last, Qt::Key_Return);
            else
                rig.press("Command1_1");
            closedByOk = !rig.window.isVisible();
            if (!closedByOk) {
                focus = rig.window.focusWidget()->objectName();
                rig.press("Command1_0");
            }
        });
        QTEST(lengths, "lengths");
        QTEST(rig.taken(), "taken");
        QTEST(rig.messages(), "messages");
        QCOMPARE(closedByOk, !rig.state.IncrCancelled);
        // A refused number takes the focus, for the operator to correct it.
        QTEST(focus, "focus");
    }
};

QTEST_MAIN(TestIncrementalEntry)
#include "tst_incrementalentry.moc"
