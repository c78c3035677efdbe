#include "app/MainModule.h"
#include "nonstd/frmNonISOFmtSel.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// The format selection with stub read and density windows that note the choice they find.
struct Rig {
    // Without a density window, Write has no window to open.
    Rig(const QByteArray &mode, bool densityWindow) {
        state.initialise();
        state.EmulationMode = mode;
        NonIsoWindows windows{std::bind_front(&Rig::opened, this, "read"),
                              std::bind_front(&Rig::opened, this, "write")};
        if (!densityWindow)
            windows.densities = {};
        window.setWindows(windows);
    }

    void opened(const QByteArray &which) {
        QByteArray note = which + (window.isVisible() ? "" : " (selection gone)") + ": ";
        note += state.NonIsoStdFormat ? "standard" : "custom";
        for (const QByteArray *format :
             {&state.NonIsoT1Format, &state.NonIsoT2Format, &state.NonIsoT3Format})
            note += " | " + *format;
        notes << note;
    }

    template <class Control> Control *control(const char *name) {
        auto *found = window.findChild<Control *>(QLatin1String(name));
        Q_ASSERT(found != nullptr);
        return found;
    }

    // Plays the operator's steps, opening the window anew after each "cancel": "custom",
    // "standard" (click an option), "force custom" (the custom option checked by other
    // means than a click), "Combo1_1=<text>", "read", "write", "cancel". What each opening
    // shows before the steps is noted with enabled().
    void play(const QStringList &steps) {
        qsizetype next = 0;
        while (next < steps.size()) {
            QTimer::singleShot(0, &window, [this, &steps, &next] {
                shown << enabled();
                while (next < steps.size()) {
                    const QString step = steps.at(next++);
                    if (step == QLatin1String("cancel"))
                        break;
                    perform(step);
                }
                control<QPushButton>("Command3")->click();
            });
            window.run();
        }
    }

    void perform(const QString &step) {
        if (step == QLatin1String("custom"))
            control<QRadioButton>("Option1_1")->click();
        else if (step == QLatin1String("standard"))
            control<QRadioButton>("Option1_0")->click();
        else if (step == QLatin1String("force custom"))
            control<QRadioButton>("Option1_1")->setChecked(true);
        else if (step == QLatin1String("read"))
            control<QPushButton>("Command1")->click();
        else if (step == QLatin1String("write"))
            control<QPushButton>("Command2")->click();
        else if (const qsizetype equals = step.indexOf(QLatin1Char('=')); equals > 0)
            control<QComboBox>(step.left(equals).toLatin1().constData())
                ->setCurrentText(step.mid(equals + 1));
        else
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }

    // The enabled controls, and the checked option with the lists' texts.
    QString enabled() {
        QStringList on;
        for (const char *name :
             {"Option1_0", "Option1_1", "Label1_1", "Label1_2", "LIT1_0", "LIT1_3", "LIT1_5",
              "Combo1_0", "Combo2_0", "Command1", "Command2"})
            if (control<QWidget>(name)->isEnabled())
                on << QLatin1String(name);
        const bool standard = control<QRadioButton>("Option1_0")->isChecked();
        QStringList texts;
        for (const char *name : {"Combo1_0", "Combo1_1", "Combo1_2", "Combo2_0"})
            texts << control<QComboBox>(name)->currentText();
        return on.join(' ') + (standard ? " / standard: " : " / custom: ") + texts.join(" | ");
    }

    MainModule state;
    frmNonISOFmtSel window{state};
    QByteArrayList notes;
    QStringList shown;
};

const QString Iso = QStringLiteral(
    "7-Bit Character (Std T1) | 5-Bit Character (Std T2) | 5-Bit Character (Std T3) | "
    "5-Bit Character");

} // namespace

class TestNonIsoFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void choicesReachTheSharedState_data();
    void choicesReachTheSharedState();
};

void TestNonIsoFormat::choicesReachTheSharedState_data() {
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<bool>("densityWindow");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QByteArrayList>("notes");
    QTest::addColumn<QStringList>("shown");
    const QStringList lrqShown = {"Option1_0 Label1_1 LIT1_0 Combo1_0 Command1 Command2"
                                  " / standard: " +
                                  Iso};
    const QStringList kvtShown = {"Option1_0 Option1_1 Label1_1 Label1_2 LIT1_0 LIT1_3 LIT1_5 "
                                  "Combo1_0 Command1 Command2 / standard: " +
                                  Iso};
    const QByteArray iso =
        "standard | 7-Bit Character (Std T1) | 5-Bit Character (Std T2) | 5-Bit Character (Std T3)";
    QTest::newRow("LRQ118: no custom format")
        << QByteArray("LRQ118") << true << QStringList{"custom", "force custom", "read"}
        << QByteArrayList{"read: " + iso} << lrqShown;
    QTest::newRow("KVT-380A: custom read as the lists stand")
        << QByteArray("KVT-380A") << true << QStringList{"custom", "read"}
        << QByteArrayList{"read: custom | 5-Bit Character | 5-Bit Character | 5-Bit Character"}
        << kvtShown;
    QTest::newRow("back to standard keeps its choices")
        << QByteArray("KVT-380A") << true
        << QStringList{"Combo1_0=5-Bit Character (Std T2)",
                       "custom",
                       "Combo2_2=7-Bit Character",
                       "standard",
                       "read",
                       "custom",
                       "write"}
        << QByteArrayList{"read: standard | 5-Bit Character (Std T2) | 5-Bit Character (Std T2) "
                          "| 5-Bit Character (Std T3)",
                          "write: custom | 5-Bit Character | 5-Bit Character | 7-Bit Character"}
        << kvtShown;
    QTest::newRow("a change between read and write counts")
        << QByteArray("KVT-380A") << true
        << QStringList{"read", "Combo1_1=5-Bit Character (Std T3)", "write"}
        << QByteArrayList{"read: " + iso,
                          "write: standard | 7-Bit Character (Std T1) | 5-Bit Character (Std "
                          "T3) | 5-Bit Character (Std T3)"}
        << kvtShown;
    QTest::newRow("opened again: the ISO formats")
        << QByteArray("KVT-380A") << true
        << QStringList{"custom", "Combo2_0=6-Bit Character", "Combo1_2=7-Bit Character (Std T1)",
                       "cancel", "read"}
        << QByteArrayList{"read: " + iso} << kvtShown + kvtShown;
    QTest::newRow("Write waits for the density window")
        << QByteArray("KVT-380A") << false << QStringList{"write", "read"}
        << QByteArrayList{"read: " + iso}
        << QStringList{QString(kvtShown.constFirst()).replace(" Command2 /", " /")};
}

void TestNonIsoFormat::choicesReachTheSharedState() {
    QFETCH(QByteArray, mode);
    QFETCH(bool, densityWindow);
    QFETCH(QStringList, steps);
    Rig rig(mode, densityWindow);
    rig.play(steps);
    QTEST(rig.notes, "notes");
    QTEST(rig.shown, "shown");
    QVERIFY(!rig.window.isVisible());
}

QTEST_MAIN(TestNonIsoFormat)
#include "tst_nonisoformat.moc"
