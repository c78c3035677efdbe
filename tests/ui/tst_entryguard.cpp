#include "ModalWatcher.h"

#include "app/MainModule.h"
#include "ui/EntryFieldGuard.h"
#include "ui/LimitedPlainTextEdit.h"
#include "ui/TrackInput.h"

#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum class Rule { Track1, Track2, Track3, Hex, Trimmed };

// The guard's rules: the input record's three tracks, and hex and trimmed entry.
EntryRule ruleFor(Rule rule, const MainModule &state) {
    switch (rule) {
    case Rule::Track1:
    case Rule::Track2:
    case Rule::Track3:
        return TrackEntryRule(int(rule), state);
    case Rule::Hex:
        return {.keySet = state.HexChars,
                .upperCaseKeys = true,
                .keyMessage = {u"Hex"_s, u"hex digits only"_s},
                .hexPairs = true};
    case Rule::Trimmed:
        return {.trimOnLeave = true,
                .upperCaseOnLeave = true,
                .leaveCheck = [](const QByteArray &text) -> std::optional<GuardMessage> {
                    if (text.contains(' '))
                        return std::nullopt;
                    return GuardMessage{u"Spaced"_s, u"pairs apart"_s};
                }};
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Rule)

class TestEntryGuard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Keys are typed, then the clipboard is pasted, then the box is left for another.
    void rules_data() {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("messages"); // titles, in order
        QTest::addColumn<bool>("focusBack");

        const QString t1 = u" 7-Bit Character (Std T1) Format Error"_s;
        const QString t23 = u" 5-Bit Character (Std T2/T3) Format Error"_s;
        QTest::newRow("track 1: lower case typed")
            << Rule::Track1 << u"ab1"_s << u""_s << u"AB1"_s << QStringList{} << false;
        QTest::newRow("track 1: < refused")
            << Rule::Track1 << u"A<B"_s << u""_s << u"AB"_s << QStringList{t1} << false;
        QTest::newRow("track 2: space refused")
            << Rule::Track2 << u"1 2"_s << u""_s << u"12"_s << QStringList{t23} << false;
        QTest::newRow("track 1: pasted lower case upper-cased on leaving")
            << Rule::Track1 << u""_s << u"ab"_s << u"AB"_s << QStringList{} << false;
        QTest::newRow("track 1: pasted ?")
            << Rule::Track1 << u"A"_s << u"b?"_s << u"AB?"_s << QStringList{t1} << true;
        QTest::newRow("track 2: pasted < passes")
            << Rule::Track2 << u""_s << u"1<2"_s << u"1<2"_s << QStringList{} << false;
        QTest::newRow("track 3: Enter is a control key, its line break is not track data")
            << Rule::Track3 << u"1\r"_s << u""_s << u"1\n"_s << QStringList{t23} << true;
        QTest::newRow("track 2: characters beyond 8 bits dropped")
            << Rule::Track2 << u""_s << u"1\u20ac2"_s << u"12"_s << QStringList{} << false;
        QTest::newRow("hex: a space after each pair")
            << Rule::Hex << u"2b3c"_s << u""_s << u"2B 3C "_s << QStringList{} << false;
        QTest::newRow("hex: a space starts a new pair")
            << Rule::Hex << u"1 2b1"_s << u""_s << u"1 2B 1"_s << QStringList{} << false;
        QTest::newRow("hex: G refused")
            << Rule::Hex << u"1g"_s << u""_s << u"1"_s << QStringList{u"Hex"_s} << false;
        QTest::newRow("trimmed and upper-cased, then checked")
            << Rule::Trimmed << u""_s << u"  1f 0b  "_s << u"1F 0B"_s << QStringList{} << false;
        QTest::newRow("trimmed, check fails") << Rule::Trimmed << u""_s << u" 1f0b "_s << u"1F0B"_s
                                              << QStringList{u"Spaced"_s} << true;
    }

    void rules() {
        QFETCH(Rule, rule);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, text);
        QFETCH(QStringList, messages);

        MainModule state;
        state.initialise();
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        QWidget *box = nullptr;
        if (rule == Rule::Track3)
            box = new LimitedPlainTextEdit(&window);
        else
            box = new QLineEdit(&window);
        auto *other = new QLineEdit(&window);
        layout->addWidget(box);
        layout->addWidget(other);
        EntryFieldGuard guard(&window);
        guard.attach(box, ruleFor(rule, state));
        int left = 0;
        connect(&guard, &EntryFieldGuard::left, &window, [&left] { ++left; });
        ModalWatcher watcher;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        box->setFocus();
        QTest::keyClicks(box, typed);
        QGuiApplication::clipboard()->setText(pasted);
        QMetaObject::invokeMethod(box, "paste");
        // After a message box the window manager makes the window active again.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus(Qt::TabFocusReason);
        QTest::qWait(20);

        QCOMPARE(EntryFieldGuard::text(box), text);
        QStringList seen;
        for (const ModalWatcher::Seen &s : watcher.seen)
            seen << s.title;
        QCOMPARE(seen, messages);
        QCOMPARE(left, 1);
        // A text that fails its leaving check takes the focus back.
        QTEST(window.focusWidget() == box, "focusBack");
    }
};

QTEST_MAIN(TestEntryGuard)
#include "tst_entryguard.moc"
