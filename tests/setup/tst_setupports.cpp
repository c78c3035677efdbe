#include "SetupRig.h"

#include "link/PortList.h"
#include "ui/PortComboBox.h"

#include <QLabel>
#include <QStandardPaths>
#include <QTest>

namespace {

const DetectedPort Ftdi{"/dev/ttyUSB0", "FT232R USB UART", true};
const DetectedPort Acm{"/dev/ttyACM0", "USB Serial", true};

} // namespace

// The setup window's port box: the list of numbers with their devices, the label beside
// the box, and what the check then opens and saves.
class TestSetupPorts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(SettingsStore::fileName().contains(QLatin1String(".qttest")));
    }

    void init() { stored().clear(); }

    // The grey label beside the port box and the check that follows agree: the check opens
    // the device the label names, or fails with a sentence that states the accepted range, or
    // with the port's own reason when the device cannot be opened; nothing is saved then.
    // Port 3 is mapped to a detected adapter; a second adapter is offered under 13.
    void deviceLabelAgreesWithCheck_data() {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("reason"); // empty: the check opens the label's device
        QTest::addColumn<QString>("openFailure");
        const auto row = [](const char *name, const QString &portText, const QString &label,
                            const QString &reason = {}, const QString &openFailure = {}) {
            QTest::newRow(name) << portText << label << reason << openFailure;
        };
        const QString none = QStringLiteral("No device: ports are 1 to 32767");
        const QString range =
            QStringLiteral("choose 1 to 12 or type another number from 1 to 32767.");
        const QString noDevice = QStringLiteral("No device /dev/ttyS4 for port 5.");
        row("listed number", "5", "/dev/ttyS4");
        row("mapped adapter", "3", "/dev/ttyUSB0 - FT232R USB UART");
        row("offered adapter", "13", "/dev/ttyACM0 - USB Serial");
        row("blanks around", " 7 ", "/dev/ttyS6");
        row("typed, unlisted", "200", "/dev/ttyS199");
        row("highest", "32767", "/dev/ttyS32766");
        row("above the range", "99999", none, "There is no serial port 99999: " + range);
        row("zero", "0", none, "There is no serial port 0: " + range);
        row("letters", "COM1", none, "The serial port \"COM1\" is not a port number: " + range);
        row("empty", "", none, "No serial port is chosen: " + range);
        row("device cannot be opened", "5", "/dev/ttyS4", noDevice, noDevice);
    }

    void deviceLabelAgreesWithCheck() {
        QFETCH(QString, portText);
        QFETCH(QString, reason);
        QFETCH(QString, openFailure);
        SettingsStore().setPortOverride(3, Ftdi.device);
        SetupRig rig({Ftdi, Acm});
        rig.box(1)->setEditText(portText);
        const QString label = rig.child<QLabel>("PortDevice")->text();
        QTEST(label, "label");
        rig.port.failOpen(openFailure);
        rig.encoderAnswers();
        rig.pressOk();
        if (reason.isEmpty()) {
            QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join(u'\n')));
            QCOMPARE(rig.chosen.device, label.section(QStringLiteral(" - "), 0, 0));
            QCOMPARE(rig.port.config().device, rig.chosen.device);
        } else {
            QCOMPARE(rig.errors, QStringList{reason});
            QCOMPARE(rig.port.opens(), 0);
            QVERIFY(rig.port.sent().isEmpty());
            QVERIFY(rig.child<QPushButton>("Command1")->isEnabled());
            QCOMPARE(stored().allKeys(), QStringList{"Ports/COM3"});
        }
    }

    // The port list with the devices the computer reports ("device|description|adapter"):
    // the items past 12 or not naming their default device, as "number device", and the
    // port the box shows when the window opens. A built-in port is no adapter.
    void portList_data() {
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<QStringList>("detected");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("shown");
        const QString ftdi = QStringLiteral("/dev/ttyUSB0|FT232R USB UART|adapter");
        const QString acm = QStringLiteral("/dev/ttyACM0|USB Serial|adapter");
        const QString builtIn = QStringLiteral("/dev/ttyS0||");
        const QString ftdiItem = QStringLiteral("/dev/ttyUSB0 - FT232R USB UART");
        QTest::newRow("first run, one adapter")
            << QStringList() << QStringList{ftdi} << QStringList{"13 " + ftdiItem} << "13";
        QTest::newRow("first run, two adapters")
            << QStringList() << QStringList{ftdi, acm}
            << QStringList{"13 /dev/ttyACM0 - USB Serial", "14 " + ftdiItem} << "1";
        QTest::newRow("saved port 13 keeps its meaning")
            << QStringList{"Comm/Port=13"} << QStringList{builtIn, ftdi}
            << QStringList{"14 " + ftdiItem} << "13";
        QTest::newRow("virtual encoder's mapping, nothing detected")
            << QStringList{"Ports/COM20=/dev/pts/7"} << QStringList()
            << QStringList{"20 /dev/pts/7"} << "1";
    }

    void portList() {
        QFETCH(QStringList, pairs);
        QFETCH(QStringList, detected);
        storePairs(pairs);
        QList<DetectedPort> ports;
        for (const QString &port : detected)
            ports << DetectedPort{port.section(u'|', 0, 0), port.section(u'|', 1, 1),
                                  !port.section(u'|', 2, 2).isEmpty()};
        SetupRig rig(ports);
        QComboBox *box = rig.box(1);
        QStringList items;
        for (int row = 0; row < box->count(); ++row) {
            const int number = box->itemText(row).toInt();
            QCOMPARE(box->itemText(row), QString::number(row < ListedPorts ? row + 1 : number));
            const QString device = box->itemData(row, PortComboBox::DeviceRole).toString();
            if (number > ListedPorts || device != defaultPortDevice(number))
                items << QStringLiteral("%1 %2").arg(number).arg(device);
        }
        QTEST(items, "items");
        QTEST(box->currentText(), "shown");
    }

    // The list is read again each time it opens: an adapter plugged in after the window
    // opened appears, one pulled out goes, and what the box shows stays.
    void listReadAgainWhenOpened() {
        stored().setValue("Comm/Port", "5");
        SetupRig rig;
        rig.window->show();
        auto *box = rig.box(1);
        auto *label = rig.child<QLabel>("PortDevice");
        QCOMPARE(box->count(), ListedPorts);
        box->setEditText(QStringLiteral("13"));
        QCOMPARE(label->text(), QStringLiteral("/dev/ttyS12"));

        rig.serialPorts.ports = {Ftdi};
        box->showPopup();
        QCOMPARE(box->count(), ListedPorts + 1);
        QCOMPARE(box->itemData(ListedPorts, PortComboBox::DeviceRole).toString(),
                 QStringLiteral("/dev/ttyUSB0 - FT232R USB UART"));
        QCOMPARE(box->currentText(), QStringLiteral("13"));
        QCOMPARE(label->text(), QStringLiteral("/dev/ttyUSB0 - FT232R USB UART"));
        box->hidePopup();

        rig.serialPorts.ports.clear();
        box->showPopup();
        box->hidePopup();
        QCOMPARE(box->count(), ListedPorts);
        QCOMPARE(box->currentText(), QStringLiteral("13"));
        QCOMPARE(label->text(), QStringLiteral("/dev/ttyS12"));
    }

    // An adapter chosen under the number offered for it: the mapping is saved with the other
    // settings when the check passes, and not at all while it fails.
    void offeredAdapterSavedOnSuccess() {
        SetupRig rig({Acm, Ftdi});
        QComboBox *box = rig.box(1);
        box->setCurrentIndex(box->findText(QStringLiteral("14")));
        QCOMPARE(rig.child<QLabel>("PortDevice")->text(),
                 QStringLiteral("/dev/ttyUSB0 - FT232R USB UART"));
        rig.port.onSend(Del, ":");
        rig.pressOk(); // silent to the coercivity command
        QCOMPARE(rig.errors.size(), 1);
        QCOMPARE(rig.port.config().device, Ftdi.device);
        QCOMPARE(stored().allKeys(), QStringList());

        rig.encoderAnswers();
        rig.pressOk();
        QCOMPARE(rig.mainOpened, 1);
        QCOMPARE(stored().value("Comm/Port").toString(), QStringLiteral("14"));
        QCOMPARE(stored().value("Ports/COM14").toString(), Ftdi.device);
        QVERIFY(!stored().contains("Ports/COM13"));
    }

    // A virtual encoder killed while registered as port 4 left its pseudo-terminal there:
    // the window puts the operator's own device back when it opens.
    void staleRegistrationRestored() {
        {
            QSettings settings = stored();
            settings.setValue("Ports/COM4", "/dev/pts/no-such-terminal");
            PortRegistrationRecord{4, "/dev/pts/no-such-terminal", QStringLiteral("/dev/ttyUSB3"),
                                   0}
                .save(settings);
        }
        SetupRig rig;
        QCOMPARE(stored().value("Ports/COM4").toString(), QStringLiteral("/dev/ttyUSB3"));
        QVERIFY(stored().childGroups().contains("Ports"));
        QVERIFY(!stored().childGroups().contains("Simulator"));
        rig.box(1)->setEditText(QStringLiteral("4"));
        QCOMPARE(rig.child<QLabel>("PortDevice")->text(), QStringLiteral("/dev/ttyUSB3"));
    }
};

QTEST_MAIN(TestSetupPorts)
#include "tst_setupports.moc"
