#include "FakeTime.h"
#include "ScriptedPort.h"

#include "app/MainModule.h"
#include "app/SettingsStore.h"
#include "link/LineSettings.h"
#include "link/Waiter.h"
#include "ui/frmCommSetup.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace std::chrono_literals;

namespace {
const QByteArray Esc("\x1B");
}

// One setup window over a scripted port, with a clock that moves only when it waits.
MainModule initialisedState() {
    MainModule state;
    state.initialise();
    return state;
}

struct SetupRig {
    MainModule state = initialisedState();
    FakeClock clock;
    FakePump pump{clock};
    Waiter waiter{state, clock, pump};
    ScriptedPort port{clock};
    SettingsStore store;
    QStringList errors;
    int mainOpened = 0;
    int ended = 0;
    frmCommSetup window;

    SetupRig()
        : window(state, port, waiter, store,
                 frmCommSetup::Actions{[this] { ++mainOpened; }, [this] { ++ended; },
                                       [this](const QString &why) {
                                           errors << why;
                                       }}) {}

    template <typename T> T *child(const char *name) {
        return window.findChild<T *>(QLatin1String(name));
    }
    void choose(const char *mode, bool high = true) {
        child<QRadioButton>(QByteArray(mode) == "LRQ118" ? "Option2_1" : "Option2_0")
            ->setChecked(true);
        child<QRadioButton>(high ? "Option1_0" : "Option1_1")->setChecked(true);
    }
    void pressOk() { child<QPushButton>("Command1")->click(); }
};

class TestCommSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void commSettingsText_data();
    void commSettingsText();
    void loadsStoredSettings_data();
    void loadsStoredSettings();
    void kvt380aCheck_data();
    void kvt380aCheck();
    void lrq118Check_data();
    void lrq118Check();
    void successSavesAllSixSettings();
    void portFailures_data();
    void portFailures();
    void secondOkReopensThePort();
    void cancelDuringCheckEndsWithoutSaving();
    void portNumberResolvesToDevice();

private:
    static bool storeIsEmpty() {
        return QSettings(SettingsStore::fileName(), QSettings::IniFormat).allKeys().isEmpty();
    }
};

void TestCommSetup::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY2(SettingsStore::fileName().contains(QLatin1String(".qttest")),
             qPrintable(SettingsStore::fileName()));
}

void TestCommSetup::init() {
    QFile::remove(SettingsStore::fileName());
}

void TestCommSetup::commSettingsText_data() {
    QTest::addColumn<QByteArray>("baud");
    QTest::addColumn<QByteArray>("parity");
    QTest::addColumn<QByteArray>("bits");
    QTest::addColumn<QByteArray>("settings");
    QTest::newRow("none 8") << QByteArray("9600") << QByteArray("None") << QByteArray("8")
                            << QByteArray("9600,n,8,1");
    QTest::newRow("odd 7") << QByteArray("9600") << QByteArray("Odd") << QByteArray("7")
                           << QByteArray("9600,o,7,1");
    QTest::newRow("even 7") << QByteArray("19200") << QByteArray("Even") << QByteArray("7")
                            << QByteArray("19200,e,7,1");
    QTest::newRow("even 8") << QByteArray("1200") << QByteArray("Even") << QByteArray("8")
                            << QByteArray("1200,e,8,1");
    QTest::newRow("unknown parity")
        << QByteArray("2400") << QByteArray("Mark") << QByteArray("8") << QByteArray("2400,8,1");
}

void TestCommSetup::commSettingsText() {
    QFETCH(QByteArray, baud);
    QFETCH(QByteArray, parity);
    QFETCH(QByteArray, bits);
    QFETCH(QByteArray, settings);
    QCOMPARE(buildCommSettings(baud, parity, bits), settings);
    const auto parsed = parseLineSettings(settings);
    QCOMPARE(parsed.has_value(), parity != "Mark");
    if (parsed) {
        QCOMPARE(parsed->baud, baud.toInt());
        QCOMPARE(parsed->dataBits, bits.toInt());
        QCOMPARE(parsed->parity, char(parity.toLower().at(0)));
    }
}

void TestCommSetup::loadsStoredSettings_data() {
    QTest::addColumn<QStringList>("stored"); // key=value pairs
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<bool>("high");
    QTest::addColumn<QByteArray>("mode");
    QTest::newRow("first run") << QStringList() << "1"
                               << "9600"
                               << "Odd"
                               << "7" << true << QByteArray("KVT-380A");
    QTest::newRow("stored values")
        << QStringList{"Comm/Port=3",    "Comm/Baud=19200",      "Comm/Parity=None",
                       "Comm/DataBit=8", "Globe/Coercivity=Low", "Globe/Mode=LRQ118"}
        << "3"
        << "19200"
        << "None"
        << "8" << false << QByteArray("LRQ118");
    QTest::newRow("empty mode is LRQ118") << QStringList{"Globe/Mode="} << "1"
                                          << "9600"
                                          << "Odd"
                                          << "7" << true << QByteArray("LRQ118");
    QTest::newRow("lower-case mode") << QStringList{"Globe/Mode=kvt-380a"} << "1"
                                     << "9600"
                                     << "Odd"
                                     << "7" << true << QByteArray("LRQ118");
    QTest::newRow("lower-case high") << QStringList{"Globe/Coercivity=high"} << "1"
                                     << "9600"
                                     << "Odd"
                                     << "7" << false << QByteArray("KVT-380A");
    QTest::newRow("typed port kept") << QStringList{"Comm/Port=15"} << "15"
                                     << "9600"
                                     << "Odd"
                                     << "7" << true << QByteArray("KVT-380A");
    QTest::newRow("hand-edited lists fall back")
        << QStringList{"Comm/Baud=300", "Comm/Parity=Space", "Comm/DataBit=6"} << "1"
        << "9600"
        << "Odd"
        << "7" << true << QByteArray("KVT-380A");
}

void TestCommSetup::loadsStoredSettings() {
    QFETCH(QStringList, stored);
    {
        QSettings s(SettingsStore::fileName(), QSettings::IniFormat);
        for (const QString &pair : stored)
            s.setValue(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    }
    SetupRig rig;
    QTEST(rig.child<QComboBox>("Combo1")->currentText(), "port");
    QTEST(rig.child<QComboBox>("Combo2")->currentText(), "baud");
    QTEST(rig.child<QComboBox>("Combo3")->currentText(), "parity");
    QTEST(rig.child<QComboBox>("Combo4")->currentText(), "bits");
    QFETCH(bool, high);
    QFETCH(QByteArray, mode);
    QCOMPARE(rig.child<QRadioButton>("Option1_0")->isChecked(), high);
    QCOMPARE(rig.state.HighCoercivity, high);
    QCOMPARE(rig.state.EmulationMode, mode);
    QCOMPARE(rig.child<QRadioButton>("Option2_1")->isChecked(), mode == "LRQ118");
}

void TestCommSetup::kvt380aCheck_data() {
    QTest::addColumn<bool>("high");
    QTest::addColumn<QByteArray>("resetReply");
    QTest::addColumn<QByteArray>("coReply");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("errors");
    QTest::addColumn<bool>("proceeds");
    QTest::newRow("reset ':' then '^'")
        << true << QByteArray(":") << QByteArray("^") << QByteArray("\x7F{") << 0 << true;
    QTest::newRow("silent reset, low '^'")
        << false << QByteArray() << QByteArray("^") << QByteArray("\x7F|") << 0 << true;
    QTest::newRow("'^' and more") << true << QByteArray("^") << QByteArray("^XY")
                                  << QByteArray("\x7F{") << 0 << true;
    QTest::newRow("':' to coercivity")
        << true << QByteArray(":") << QByteArray(":") << QByteArray("\x7F{") << 0 << true;
    QTest::newRow("wrong reset") << true << QByteArray("X") << QByteArray("^") << QByteArray("\x7F")
                                 << 1 << false;
    QTest::newRow("no coercivity reply")
        << true << QByteArray(":") << QByteArray() << QByteArray("\x7F{") << 1 << false;
    QTest::newRow("wrong coercivity reply")
        << true << QByteArray(":") << QByteArray("X") << QByteArray("\x7F{") << 1 << true;
}

void TestCommSetup::kvt380aCheck() {
    QFETCH(bool, high);
    QFETCH(QByteArray, resetReply);
    QFETCH(QByteArray, coReply);
    SetupRig rig;
    rig.choose("KVT-380A", high);
    if (!resetReply.isEmpty())
        rig.port.onSend("\x7F", resetReply, 20ms);
    if (!coReply.isEmpty())
        rig.port.onSend(high ? "{" : "|", coReply, 30ms);
    rig.pressOk();

    QTEST(rig.port.sent(), "sent");
    QTEST(int(rig.errors.size()), "errors");
    QFETCH(bool, proceeds);
    QCOMPARE(rig.mainOpened, proceeds ? 1 : 0);
    QCOMPARE(storeIsEmpty(), !proceeds);
    QCOMPARE(rig.state.EmulationMode, QByteArray("KVT-380A"));
    QVERIFY(rig.child<QPushButton>("Command1")->isEnabled() || proceeds);
    if (proceeds)
        QCOMPARE(rig.state.HighCoercivity, high);
}

void TestCommSetup::lrq118Check_data() {
    QTest::addColumn<bool>("high");
    QTest::addColumn<QByteArray>("testReply");
    QTest::addColumn<QByteArray>("coReply");
    QTest::addColumn<QList<QByteArray>>("sends");
    QTest::addColumn<bool>("passes");
    const QByteArray a = Esc + "a", e = Esc + "e", x = Esc + "x", y = Esc + "y";
    QTest::newRow("high passes") << true << y << Esc + "0" << QList<QByteArray>{a, e, a, x} << true;
    QTest::newRow("low passes") << false << y << Esc + "0" << QList<QByteArray>{a, e, a, y} << true;
    QTest::newRow("extra byte after ESC y")
        << true << y + "0" << Esc + "0" << QList<QByteArray>{a, e} << false;
    QTest::newRow("no answer to ESC e")
        << true << QByteArray() << Esc + "0" << QList<QByteArray>{a, e} << false;
    QTest::newRow("wrong coercivity status")
        << true << y << Esc + "1" << QList<QByteArray>{a, e, a, x} << false;
    QTest::newRow("silent after coercivity")
        << true << y << QByteArray() << QList<QByteArray>{a, e, a, x} << false;
}

void TestCommSetup::lrq118Check() {
    QFETCH(bool, high);
    QFETCH(QByteArray, testReply);
    QFETCH(QByteArray, coReply);
    SetupRig rig;
    rig.choose("LRQ118", high);
    rig.port.onSend(Esc + "a", QByteArray("\x1B"), 5ms);
    if (!testReply.isEmpty())
        rig.port.onSend(Esc + "e", testReply, 10ms);
    if (!coReply.isEmpty())
        rig.port.onSend(Esc + (high ? "x" : "y"), coReply, 10ms);
    rig.pressOk();

    QTEST(rig.port.sends(), "sends");
    QFETCH(bool, passes);
    QCOMPARE(rig.mainOpened, passes ? 1 : 0);
    QCOMPARE(int(rig.errors.size()), passes ? 0 : 1);
    QCOMPARE(storeIsEmpty(), !passes);
    QCOMPARE(rig.state.EmulationMode, QByteArray("LRQ118"));
    QCOMPARE(rig.child<QPushButton>("Command1")->isEnabled(), !passes);
}

void TestCommSetup::successSavesAllSixSettings() {
    SetupRig rig;
    rig.child<QComboBox>("Combo1")->setEditText(QStringLiteral("7"));
    rig.child<QComboBox>("Combo2")->setCurrentText(QStringLiteral("4800"));
    rig.child<QComboBox>("Combo3")->setCurrentText(QStringLiteral("Even"));
    rig.child<QComboBox>("Combo4")->setCurrentText(QStringLiteral("8"));
    rig.choose("LRQ118", false);
    rig.port.onSend(Esc + "e", Esc + "y");
    rig.port.onSend(Esc + "y", Esc + "0");
    rig.pressOk();

    QCOMPARE(rig.mainOpened, 1);
    QCOMPARE(rig.state.CommSettings, QByteArray("4800,e,8,1"));
    QCOMPARE(rig.port.commPort(), 7);
    QCOMPARE(rig.port.settings(), QByteArray("4800,e,8,1"));
    QVERIFY(!rig.port.isOpen());
    const QSettings s(SettingsStore::fileName(), QSettings::IniFormat);
    QCOMPARE(s.value("Comm/Port").toString(), QStringLiteral("7"));
    QCOMPARE(s.value("Comm/Baud").toString(), QStringLiteral("4800"));
    QCOMPARE(s.value("Comm/Parity").toString(), QStringLiteral("Even"));
    QCOMPARE(s.value("Comm/DataBit").toString(), QStringLiteral("8"));
    QCOMPARE(s.value("Globe/Coercivity").toString(), QStringLiteral("Low"));
    QCOMPARE(s.value("Globe/Mode").toString(), QStringLiteral("LRQ118"));
}

void TestCommSetup::portFailures_data() {
    QTest::addColumn<QString>("portText");
    QTest::addColumn<QString>("openFailure");
    QTest::addColumn<QString>("reason");
    QTest::newRow("not a number") << "COM1" << QString() << "is not a port number";
    QTest::newRow("no device") << "5"
                               << "No device /dev/ttyS4 for port 5."
                               << "No device /dev/ttyS4 for port 5.";
}

void TestCommSetup::portFailures() {
    QFETCH(QString, portText);
    QFETCH(QString, openFailure);
    QFETCH(QString, reason);
    SetupRig rig;
    rig.child<QComboBox>("Combo1")->setEditText(portText);
    if (!openFailure.isEmpty())
        rig.port.failOpen(openFailure);
    rig.pressOk();
    QCOMPARE(rig.errors.size(), 1);
    QVERIFY2(rig.errors[0].contains(reason), qPrintable(rig.errors[0]));
    QCOMPARE(rig.port.opens(), 0);
    QVERIFY(rig.port.sent().isEmpty());
    QVERIFY(rig.child<QPushButton>("Command1")->isEnabled());
    QVERIFY(storeIsEmpty());
}

void TestCommSetup::secondOkReopensThePort() {
    SetupRig rig;
    rig.choose("LRQ118");
    rig.pressOk(); // silent encoder
    QCOMPARE(rig.errors.size(), 1);
    QCOMPARE(rig.port.opens(), 1);
    QVERIFY(rig.port.isOpen());

    rig.port.onSend(Esc + "e", Esc + "y");
    rig.port.onSend(Esc + "x", Esc + "0");
    rig.pressOk();
    QCOMPARE(rig.port.opens(), 2);
    QCOMPARE(rig.port.closes(), 2);
    QCOMPARE(rig.mainOpened, 1);
}

void TestCommSetup::cancelDuringCheckEndsWithoutSaving() {
    SetupRig rig;
    rig.choose("KVT-380A");
    rig.pump.after(300ms, [&rig] { rig.child<QPushButton>("Command2")->click(); });
    rig.pressOk();
    QCOMPARE(rig.ended, 1);
    QCOMPARE(rig.mainOpened, 0);
    QVERIFY(rig.errors.isEmpty());
    QVERIFY(storeIsEmpty());
    // The check stopped at the first poll after Cancel, not after its own time-outs.
    QVERIFY(rig.clock.now() < std::chrono::hours(1) + 400ms);
}

void TestCommSetup::portNumberResolvesToDevice() {
    SettingsStore store;
    store.setPortOverride(3, QStringLiteral("/dev/ttyUSB0"));
    SetupRig rig;
    auto *device = rig.child<QLabel>("PortDevice");
    rig.child<QComboBox>("Combo1")->setEditText(QStringLiteral("3"));
#ifdef Q_OS_WIN
    QCOMPARE(device->text(), QStringLiteral("COM3"));
#else
    QCOMPARE(device->text(), QStringLiteral("/dev/ttyUSB0"));
    rig.child<QComboBox>("Combo1")->setEditText(QStringLiteral("5"));
    QCOMPARE(device->text(), QStringLiteral("/dev/ttyS4"));
#endif
}

QTEST_MAIN(TestCommSetup)
#include "tst_commsetup.moc"
