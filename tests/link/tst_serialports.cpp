#include "link/PortList.h"
#include "link/QtCommControl.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// Devices as a test says the computer has them; names under /dev/serial/by-id lead to
// the device they end in.
class FakeSerialPorts final : public SerialPortSource {
public:
    explicit FakeSerialPorts(const QStringList &ports) {
        for (const QString &port : ports)
            ports_ << DetectedPort{port.section(u'|', 0, 0), port.section(u'|', 1, 1),
                                   port.section(u'|', 2, 2) == QLatin1String("adapter")};
    }
    [[nodiscard]] QList<DetectedPort> detect() const override { return ports_; }
    [[nodiscard]] QString canonicalName(const QString &device) const override {
        if (!device.startsWith(QLatin1String("/dev/serial/by-id/")))
            return device;
        return QStringLiteral("/dev/") + device.section(u'-', -1);
    }

private:
    QList<DetectedPort> ports_;
};

QMap<int, QString> mappingsOf(const QStringList &pairs) {
    QMap<int, QString> mappings;
    for (const QString &pair : pairs)
        mappings.insert(pair.section(u'=', 0, 0).toInt(), pair.section(u'=', 1));
    return mappings;
}

// "n=device" for every entry that is not just a listed number with its default device;
// "+" marks an offered number, "*" a detected device.
QStringList describe(const PortList &ports) {
    QStringList lines;
    for (const PortEntry &entry : ports.entries()) {
        if (entry.number <= ListedPorts && !entry.detected &&
            entry.device == defaultPortDevice(entry.number))
            continue;
        lines << QStringLiteral("%1%2=%3%4")
                     .arg(entry.number)
                     .arg(entry.offered ? QStringLiteral("+") : QString())
                     .arg(entry.deviceText())
                     .arg(entry.detected ? QStringLiteral(" *") : QString());
    }
    return lines;
}

} // namespace

class TestSerialPorts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Mappings of the settings store ("n=device"), devices detected ("device|description|
    // adapter"), the saved port no offer may take (0: none): the entries and the adapter
    // proposed on a first run (0: none).
    void numbering_data() {
        QTest::addColumn<QStringList>("mappings");
        QTest::addColumn<QStringList>("detected");
        QTest::addColumn<int>("saved");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("proposal");
        const QString ftdi = QStringLiteral("/dev/ttyUSB0|FT232R USB UART|adapter");
        const QString ftdiEntry = QStringLiteral("/dev/ttyUSB0 - FT232R USB UART *");
        QTest::newRow("nothing") << QStringList() << QStringList() << 0 << QStringList() << 0;
        QTest::newRow("one adapter")
            << QStringList() << QStringList{ftdi} << 0 << QStringList{"13+=" + ftdiEntry} << 13;
        QTest::newRow("built-in port beside its number")
            << QStringList() << QStringList{"/dev/ttyS0||", ftdi} << 0
            << QStringList{"1=/dev/ttyS0 *", "13+=" + ftdiEntry} << 13;
        QTest::newRow("built-in port past 12")
            << QStringList() << QStringList{"/dev/ttyS20|16550A|"} << 0
            << QStringList{"21=/dev/ttyS20 - 16550A *"} << 0;
        QTest::newRow("mapped adapter keeps its number")
            << QStringList{"3=/dev/ttyUSB0"} << QStringList{ftdi} << 0
            << QStringList{"3=" + ftdiEntry} << 3;
        QTest::newRow("mapped through a link")
            << QStringList{"5=/dev/serial/by-id/usb-FTDI-ttyUSB0"} << QStringList{ftdi} << 0
            << QStringList{"5=/dev/serial/by-id/usb-FTDI-ttyUSB0 - FT232R USB UART *"} << 5;
        QTest::newRow("two numbers for one device: the lower")
            << QStringList{"16=/dev/ttyUSB0", "4=/dev/ttyUSB0"} << QStringList{ftdi} << 0
            << QStringList{"4=" + ftdiEntry, "16=" + ftdiEntry} << 4;
        QTest::newRow("taken numbers skipped, system order, two adapters")
            << QStringList{"13=/dev/pts/4"}
            << QStringList{"/dev/ttyUSB10|B|adapter", "/dev/ttyUSB2|A|adapter"} << 14
            << QStringList{"13=/dev/pts/4", "15+=/dev/ttyUSB2 - A *", "16+=/dev/ttyUSB10 - B *"}
            << 0;
        QTest::newRow("default number mapped elsewhere")
            << QStringList{"1=/dev/pts/3"} << QStringList{"/dev/ttyS0||"} << 0
            << QStringList{"1=/dev/pts/3", "13+=/dev/ttyS0 *"} << 0;
        QTest::newRow("reported twice") << QStringList() << QStringList{ftdi, ftdi} << 0
                                        << QStringList{"13+=" + ftdiEntry} << 13;
        QTest::newRow("mapping out of range, empty description")
            << QStringList{"40000=/dev/ttyUSB0"} << QStringList{"/dev/ttyACM0||adapter"} << 0
            << QStringList{"13+=/dev/ttyACM0 *"} << 13;
    }

    void numbering() {
        QFETCH(QStringList, mappings);
        QFETCH(QStringList, detected);
        QFETCH(int, saved);
        const PortList ports(mappingsOf(mappings), FakeSerialPorts(detected),
                             saved > 0 ? std::optional<int>(saved) : std::nullopt);
        QTEST(describe(ports), "entries");
        QTEST(ports.adapterProposal().value_or(0), "proposal");
        for (int n = 1; n <= ListedPorts; ++n)
            QCOMPARE(ports.entries().at(n - 1).number, n);
        // An entry is what its number stands for, listed or not.
        for (const PortEntry &entry : ports.entries())
            QCOMPARE(ports.entry(entry.number).deviceText(), entry.deviceText());
    }

    // A number not in the list stands for its default device, also without detection.
    void unlistedNumbers() {
        const PortList ports(mappingsOf({"3=/dev/ttyUSB0"}));
        QCOMPARE(ports.entry(3).device, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(ports.entry(99).device, QStringLiteral("/dev/ttyS98"));
        QVERIFY(!ports.entry(99).detected);
        QVERIFY(!ports.adapterProposal());
    }

    // Opening what is no serial port says so in the operator's words.
    void notASerialPort_data() {
        QTest::addColumn<QString>("device"); // "FILE" and "DIR": made for the test
        QTest::newRow("null device") << "/dev/null";
        QTest::newRow("plain file") << "FILE";
        QTest::newRow("directory") << "DIR";
    }

    void notASerialPort() {
        QFETCH(QString, device);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        if (device == QLatin1String("DIR")) {
            device = dir.path();
        } else if (device == QLatin1String("FILE")) {
            device = dir.filePath(QStringLiteral("encoder"));
            QFile file(device);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtCommControl port;
        port.setConfig(PortConfig{2, device, "9600,n,8,1", {}});
        QVERIFY(!port.open());
        QCOMPARE(port.openError(), device + QStringLiteral(" is not a serial port."));
    }
};

QTEST_MAIN(TestSerialPorts)
#include "tst_serialports.moc"
