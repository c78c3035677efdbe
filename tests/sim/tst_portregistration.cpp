#include "PortRegistration.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString None = QStringLiteral("<none>");

QSettings store() {
    return QSettings(QStringLiteral("KVT450"), QStringLiteral("KVT450"));
}

QString mapping(int port) {
    return store().value(QStringLiteral("Ports/COM%1").arg(port), None).toString();
}

std::optional<QString> given(const QString &value) {
    return value == None ? std::nullopt : std::optional<QString>(value);
}

} // namespace

// The record that lets the next simulator, or the utility's setup, put back the operator's
// port mapping after a simulator that was killed; kept in the utility's own settings file.
class TestPortRegistration : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void initTestCase() {
        QVERIFY(config_.isValid());
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        QCOMPARE(PortRegistration::storeFile(), config_.filePath("KVT450/KVT450.conf"));
    }

    void init() {
        QSettings settings = store();
        settings.clear();
        settings.setValue("Comm/Port", "3");
    }

    void staleRecords_data() {
        QTest::addColumn<QString>("mapped");
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<bool>("deviceExists");
        QTest::addColumn<bool>("processRunning");
        QTest::addColumn<QString>("mappedAfter");
        QTest::addColumn<bool>("recordKept");
        const QString sim = "/dev/pts/9";
        QTest::newRow("device gone: the earlier mapping comes back")
            << sim << "/dev/ttyUSB9" << false << true << "/dev/ttyUSB9" << false;
        QTest::newRow("device gone, there was no mapping: none again")
            << sim << None << false << true << None << false;
        QTest::newRow("process gone, its device number taken by another")
            << sim << "/dev/ttyS0" << true << false << "/dev/ttyS0" << false;
        QTest::newRow("simulator still running")
            << sim << "/dev/ttyS0" << true << true << sim << true;
        QTest::newRow("mapped anew since, simulator gone")
            << "/dev/ttyUSB1"
            << "/dev/ttyS0" << false << false << "/dev/ttyUSB1" << false;
        QTest::newRow("mapped anew since, simulator still running")
            << "/dev/ttyUSB1"
            << "/dev/ttyS0" << true << true << "/dev/ttyUSB1" << true;
        QTest::newRow("mapping removed since, simulator gone")
            << None << "/dev/ttyS0" << false << true << None << false;
    }

    void staleRecords() {
        QFETCH(QString, mapped);
        QFETCH(QString, earlier);
        QFETCH(bool, deviceExists);
        QFETCH(bool, processRunning);
        QFETCH(QString, mappedAfter);
        QFETCH(bool, recordKept);
        QSettings settings = store();
        if (mapped != None)
            settings.setValue("Ports/COM4", mapped);
        const PortRegistrationRecord record{4, "/dev/pts/9", given(earlier), 4242};
        record.save(settings);
        settings.setValue("Ports/COM5", "/dev/ttyUSB5");
        const RegistrationChecks checks{
            [&](const QString &device) { return device == record.device && deviceExists; },
            [&](qint64 process) {
                return process == record.process && processRunning;
            }};

        const QList<PortRegistrationRecord> restored = restoreStaleRegistrations(settings, checks);
        QCOMPARE(mapping(4), mappedAfter);
        QCOMPARE(restored.size(), mapped == record.device && mappedAfter != mapped ? 1 : 0);
        const std::optional<PortRegistrationRecord> left =
            PortRegistrationRecord::load(settings, 4);
        QCOMPARE(left.has_value(), recordKept);
        if (left)
            QCOMPARE(left->earlier, given(earlier));
        QCOMPARE(settings.childGroups().contains("Simulator"), recordKept);
        QCOMPARE(mapping(5), QString("/dev/ttyUSB5"));
        QCOMPARE(settings.value("Comm/Port").toString(), QString("3"));
    }

    // A second simulator on the same port keeps the operator's mapping on record; each one
    // ending puts back what it found.
    void registrationsOverEachOther() {
        QFile first(config_.filePath("first")), second(config_.filePath("second"));
        QVERIFY(first.open(QIODevice::WriteOnly) && second.open(QIODevice::WriteOnly));
        store().setValue("Ports/COM3", "/dev/ttyUSB9");
        {
            PortRegistration outer(3, first.fileName());
            QCOMPARE(mapping(3), first.fileName());
            {
                PortRegistration inner(3, second.fileName());
                QSettings settings = store();
                const auto record = PortRegistrationRecord::load(settings, 3);
                QVERIFY(record);
                QCOMPARE(record->device, second.fileName());
                QCOMPARE(record->earlier, std::optional<QString>("/dev/ttyUSB9"));
                QCOMPARE(record->process, QCoreApplication::applicationPid());
                QVERIFY(PortRegistration::restoreStale().isEmpty());
            }
            QCOMPARE(mapping(3), first.fileName());
            QSettings settings = store();
            QCOMPARE(PortRegistrationRecord::load(settings, 3)->device, first.fileName());
            // The first simulator's device vanishes under it: it is stale now.
            QVERIFY(first.remove());
            const QList<PortRegistrationRecord> restored = PortRegistration::restoreStale();
            QCOMPARE(restored.size(), 1);
            QCOMPARE(mapping(3), QString("/dev/ttyUSB9"));
        }
        // Ending after its registration was put back leaves the mapping alone.
        QCOMPARE(mapping(3), QString("/dev/ttyUSB9"));
        QVERIFY(!store().childGroups().contains("Simulator"));
    }

private:
    QTemporaryDir config_;
};

QTEST_GUILESS_MAIN(TestPortRegistration)
#include "tst_portregistration.moc"
