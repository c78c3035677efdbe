#include "FakeRecords.h"
#include "SetupRig.h"

#include "iso/cfrmReadCard.h"
#include "ui/WindowConventions.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

using namespace std::chrono_literals;

class TestCommSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        installWindowConventions(*qApp);
        QVERIFY(SettingsStore::fileName().contains(QLatin1String(".qttest")));
    }

    void init() { stored().clear(); }

    // Stored key=value pairs; the boxes shown (port,baud,parity,data bits), coercivity and mode.
    // A passing check then gives the port that line and saves what is shown, with port 9 typed.
    void settingsLoadedAndSaved_data() {
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<bool>("high");
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QString>("line");
        const QByteArray kvt("KVT-380A"), lrq("LRQ118");
        QTest::newRow("defaults") << QStringList() << "1,9600,Odd,7" << true << kvt << "9600,o,7,1";
        QTest::newRow("stored values")
            << QStringList{"Comm/Port=15",   "Comm/Baud=19200",      "Comm/Parity=None",
                           "Comm/DataBit=8", "Globe/Coercivity=Low", "Globe/Mode=LRQ118"}
            << "15,19200,None,8" << false << lrq << "19200,n,8,1";
        QTest::newRow("empty mode") << QStringList{"Globe/Mode=", "Comm/Parity=Even"}
                                    << "1,9600,Even,7" << true << lrq << "9600,e,7,1";
        QTest::newRow("lower case") << QStringList{"Globe/Mode=kvt-380a", "Globe/Coercivity=high"}
                                    << "1,9600,Odd,7" << false << lrq << "9600,o,7,1";
        QTest::newRow("hand-edited lists")
            << QStringList{"Comm/Baud=300", "Comm/Parity=Space", "Comm/DataBit=6"} << "1,9600,Odd,7"
            << true << kvt << "9600,o,7,1";
    }

    void settingsLoadedAndSaved() {
        QFETCH(QStringList, pairs);
        QFETCH(bool, high);
        QFETCH(QByteArray, mode);
        QFETCH(QString, line);
        storePairs(pairs);
        SetupRig rig;
        QStringList boxes;
        for (int n = 1; n <= 4; ++n)
            boxes << rig.box(n)->currentText();
        QTEST(boxes.join(u','), "boxes");
        QCOMPARE(rig.child<QRadioButton>("Option1_0")->isChecked(), high);
        QCOMPARE(rig.child<QRadioButton>("Option2_1")->isChecked(), mode == "LRQ118");

        rig.box(1)->setEditText(QStringLiteral("9"));
        rig.port.onSend(Del, ":");
        rig.port.onSend(high ? "{" : "|", "^");
        rig.port.onSend(Esc + "e", Esc + "y");
        rig.port.onSend(Esc + (high ? "x" : "y"), Esc + "0");
        rig.pressOk();
        QCOMPARE(QString::fromLatin1(rig.state.CommSettings), line);
        // What passed the check is what every later window opens.
        QCOMPARE(QString::fromLatin1(rig.chosen.settingsText), line);
        QCOMPARE(rig.chosen.number, 9);
        QCOMPARE(rig.chosen.device, QStringLiteral("/dev/ttyS8"));
        QCOMPARE(rig.port.config().number, 9);
        boxes[0] = QStringLiteral("9");
        const QStringList keys{"Comm/Port", "Comm/Baud", "Comm/Parity", "Comm/DataBit"};
        for (int n = 0; n < 4; ++n)
            QCOMPARE(stored().value(keys[n]).toString(), boxes[n]);
    }

    // Replies to the first command (DEL, or ESC e after the ESC a reset) and to the coercivity
    // command; the bytes sent; the error windows shown; whether the main window opens.
    // After a failure a second OK, to an encoder that answers, reopens the port and passes.
    void connectionCheck_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<bool>("high");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("coercivity");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("errors");
        QTest::addColumn<bool>("proceeds");
        const QByteArray kvt("KVT-380A"), lrq("LRQ118"), none, colon(":"), caret("^"), bad("X");
        const QByteArray a = Esc + "a", e = Esc + "e", x = Esc + "x", y = Esc + "y", ok = Esc + "0";
        QTest::newRow("':' then '^'") << kvt << true << colon << caret << Del + "{" << 0 << true;
        QTest::newRow("silent, low '^'") << kvt << false << none << caret << Del + "|" << 0 << true;
        QTest::newRow("'^XY'") << kvt << true << caret << caret + "XY" << Del + "{" << 0 << true;
        QTest::newRow("':' to '{'") << kvt << true << colon << colon << Del + "{" << 0 << true;
        QTest::newRow("wrong reset") << kvt << true << bad << caret << Del << 1 << false;
        QTest::newRow("silent to '{'") << kvt << true << colon << none << Del + "{" << 1 << false;
        QTest::newRow("'X' to '{'") << kvt << true << colon << bad << Del + "{" << 1 << true;
        QTest::newRow("ESC x passes") << lrq << true << y << ok << a + e + a + x << 0 << true;
        QTest::newRow("ESC y passes") << lrq << false << y << ok << a + e + a + y << 0 << true;
        QTest::newRow("ESC y + extra byte") << lrq << true << y + "0" << ok << a + e << 1 << false;
        QTest::newRow("silent to ESC e") << lrq << true << none << ok << a + e << 1 << false;
        QTest::newRow("ESC 1 status")
            << lrq << true << y << Esc + "1" << a + e + a + x << 1 << false;
        QTest::newRow("silent to ESC x") << lrq << true << y << none << a + e + a + x << 1 << false;
    }

    void connectionCheck() {
        QFETCH(QByteArray, mode);
        QFETCH(bool, high);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, coercivity);
        QFETCH(int, errors);
        QFETCH(bool, proceeds);
        const bool lrq = mode == "LRQ118";
        const QByteArray firstCommand = lrq ? Esc + "e" : Del;
        const QByteArray coCommand = lrq ? Esc + (high ? "x" : "y") : (high ? "{" : "|");
        SetupRig rig;
        rig.child<QRadioButton>(lrq ? "Option2_1" : "Option2_0")->setChecked(true);
        rig.child<QRadioButton>(high ? "Option1_0" : "Option1_1")->setChecked(true);
        if (lrq)
            rig.port.onSend(Esc + "a", Esc, 5ms);
        if (!first.isEmpty())
            rig.port.onSend(firstCommand, first, 20ms);
        if (!coercivity.isEmpty())
            rig.port.onSend(coCommand, coercivity, 30ms);
        rig.pressOk();

        QTEST(rig.port.sent(), "sent");
        QCOMPARE(rig.errors.size(), errors);
        QCOMPARE(rig.mainOpened, proceeds ? 1 : 0);
        QCOMPARE(rig.state.EmulationMode, mode);
        QCOMPARE(rig.state.HighCoercivity, high);
        QCOMPARE(rig.child<QPushButton>("Command1")->isEnabled(), errors > 0);
        if (!proceeds) {
            QCOMPARE(stored().allKeys(), QStringList());
            QVERIFY(rig.port.isOpen());
            rig.port.onSend(firstCommand, lrq ? Esc + "y" : QByteArray(":"));
            rig.port.onSend(coCommand, lrq ? Esc + "0" : QByteArray("^"));
            rig.pressOk();
            QCOMPARE(rig.port.opens(), 2);
            QCOMPARE(rig.mainOpened, 1);
        }
        QCOMPARE(rig.port.closes(), rig.port.opens());
        QCOMPARE(stored().value("Globe/Mode").toByteArray(), mode);
        QCOMPARE(stored().value("Globe/Coercivity"), QVariant(high ? "High" : "Low"));
    }

    // The port text as typed, with a no-break space before the number: what passed the
    // check is the port a later window opens.
    void portTextParsedOnce() {
        SetupRig rig;
        rig.box(1)->setEditText(QStringLiteral("\u00A05"));
        rig.encoderAnswers();
        rig.pressOk();
        QCOMPARE(rig.mainOpened, 1);
        QCOMPARE(rig.chosen.number, 5);

        FakeRecords records;
        ScriptedPort *windowPort = nullptr;
        cfrmReadCard read({rig.state, rig.waiter, records, rig.chosen, [&](QObject *parent) {
                               windowPort = new ScriptedPort(rig.clock);
                               windowPort->setParent(parent);
                               return windowPort;
                           }});
        rig.pump.after(100ms, [&read] { read.findChild<QPushButton *>("Command1_0")->click(); });
        read.run();
        QCOMPARE(windowPort->opens(), 1);
        QCOMPARE(windowPort->config().number, 5);
        QCOMPARE(windowPort->config().device, QStringLiteral("/dev/ttyS4"));
    }

    // The store's folder cannot hold the file: the operator is told where and why, and the
    // checked settings still open the main window.
    void unsavedSettingsAreReported_data() {
        QTest::addColumn<bool>("folderIsFile");
        QTest::addColumn<QString>("why");
        QTest::newRow("folder is a file") << true << "a file has taken the name of its folder";
        QTest::newRow("file is a folder") << false << "a folder has that name";
    }

    void unsavedSettingsAreReported() {
        QFETCH(bool, folderIsFile);
        QFETCH(QString, why);
        const QString file = SettingsStore::fileName();
        const QString folder = QFileInfo(file).absolutePath();
        const auto restore = qScopeGuard([&] {
            QFile::remove(folder);
            QDir(file).removeRecursively();
            QDir().mkpath(folder);
        });
        QDir(folder).removeRecursively();
        if (folderIsFile)
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        else
            QVERIFY(QDir().mkpath(file));

        SetupRig rig;
        rig.box(1)->setEditText(QStringLiteral("7"));
        rig.encoderAnswers();
        rig.pressOk();
        QCOMPARE(rig.saveErrors.size(), 1);
        QVERIFY2(rig.saveErrors[0].contains(QDir::toNativeSeparators(file)) &&
                     rig.saveErrors[0].contains(why),
                 qPrintable(rig.saveErrors[0]));
        QVERIFY(rig.errors.isEmpty());
        QCOMPARE(rig.mainOpened, 1);
        QCOMPARE(rig.chosen.number, 7);
    }

    void cancelDuringCheckEndsWithoutSaving() {
        SetupRig rig;
        rig.pump.after(300ms, [&rig] { rig.child<QPushButton>("Command2")->click(); });
        rig.pressOk();
        QCOMPARE(rig.ended, 1);
        QCOMPARE(rig.mainOpened, 0);
        QVERIFY(rig.errors.isEmpty());
        QCOMPARE(stored().allKeys(), QStringList());
        // The check stopped at the first poll after Cancel, not after its own time-outs.
        QVERIFY(rig.clock.now() < std::chrono::hours(1) + 400ms);
    }

    // What a screen reader says of each control: boxes by their captions with the entry as
    // their value, options with the caption of their pair.
    void accessibleNames_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("description");
        const auto row = [](const char *control, const char *name, const char *value = "",
                            const char *description = "") {
            QTest::newRow(control)
                << QString::fromLatin1(control) << QString::fromLatin1(name)
                << QString::fromLatin1(value) << QString::fromLatin1(description);
        };
        row("Combo1", "Serial Port", "1");
        row("Combo2", "Baud Rate", "9600");
        row("Combo3", "Parity", "Odd");
        row("Combo4", "Data Bits", "7");
        row("Frame1", "Emulation Mode");
        row("Option1_0", "High Co", "", "Write Coercivity");
        row("Option2_1", "LRQ118", "", "Emulation Mode");
        row("Command1", "OK");
    }

    void accessibleNames() {
        QFETCH(QString, control);
        SetupRig rig;
        QAccessibleInterface *face =
            QAccessible::queryAccessibleInterface(rig.child<QWidget>(control));
        QVERIFY(face != nullptr);
        QTEST(face->text(QAccessible::Name), "name");
        QTEST(face->text(QAccessible::Value), "value");
        QTEST(face->text(QAccessible::Description), "description");
    }

    // Enter on the focused button presses it, whichever button it is.
    void enterPressesFocusedButton_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("ended");
        QTest::newRow("OK") << "Command1" << 0;
        QTest::newRow("Cancel") << "Command2" << 1;
    }

    void enterPressesFocusedButton() {
        QFETCH(QString, button);
        SetupRig rig;
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowActive(&*rig.window));
        auto *pressed = rig.child<QPushButton>(button);
        pressed->setFocus();
        QTest::keyClick(pressed, Qt::Key_Return);
        QTEST(rig.ended, "ended");
        // OK ran the check: the encoder stayed silent.
        QCOMPARE(rig.errors.size(), 1 - rig.ended);
    }
};

QTEST_MAIN(TestCommSetup)
#include "tst_commsetup.moc"
