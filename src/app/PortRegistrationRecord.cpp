#include "app/PortRegistrationRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace {

const QString RecordGroup = QStringLiteral("Simulator");

QString recordKey(int port, const char *field) {
    return QStringLiteral("%1/COM%2/%3").arg(RecordGroup).arg(port).arg(QLatin1String(field));
}

std::optional<QString> mapping(const QSettings &store, int port) {
    const QString key = PortRegistrationRecord::mappingKey(port);
    return store.contains(key) ? std::optional<QString>(store.value(key).toString()) : std::nullopt;
}

} // namespace

std::optional<PortRegistrationRecord> PortRegistrationRecord::load(QSettings &store, int port) {
    const QString device = store.value(recordKey(port, "Device")).toString();
    if (device.isEmpty())
        return std::nullopt;
    PortRegistrationRecord record;
    record.port = port;
    record.device = device;
    if (store.contains(recordKey(port, "Earlier")))
        record.earlier = store.value(recordKey(port, "Earlier")).toString();
    record.process = store.value(recordKey(port, "Process")).toLongLong();
    return record;
}

QList<PortRegistrationRecord> PortRegistrationRecord::loadAll(QSettings &store) {
    static const QRegularExpression portGroup(QStringLiteral("^COM([1-9][0-9]{0,4})$"));
    store.beginGroup(RecordGroup);
    const QStringList groups = store.childGroups();
    store.endGroup();
    QList<PortRegistrationRecord> records;
    for (const QString &group : groups) {
        const QRegularExpressionMatch match = portGroup.match(group);
        if (!match.hasMatch())
            continue;
        if (auto record = load(store, match.captured(1).toInt()))
            records << *record;
    }
    return records;
}

void PortRegistrationRecord::save(QSettings &store) const {
    remove(store, port);
    store.setValue(recordKey(port, "Device"), device);
    if (earlier)
        store.setValue(recordKey(port, "Earlier"), *earlier);
    store.setValue(recordKey(port, "Process"), process);
}

void PortRegistrationRecord::remove(QSettings &store, int port) {
    store.remove(QStringLiteral("%1/COM%2").arg(RecordGroup).arg(port));
    store.beginGroup(RecordGroup);
    const bool empty = store.childKeys().isEmpty() && store.childGroups().isEmpty();
    store.endGroup();
    if (empty)
        store.remove(RecordGroup);
}

QString PortRegistrationRecord::mappingKey(int port) {
    return QStringLiteral("Ports/COM%1").arg(port);
}

bool PortRegistrationRecord::isStale(const std::optional<QString> &mapping, bool deviceExists,
                                     bool processRunning) const {
    return mapping == device && (!deviceExists || !processRunning);
}

RegistrationChecks RegistrationChecks::system() {
    return {[](const QString &device) { return QFileInfo::exists(device); },
            [](qint64 process) {
                // Where there is no /proc to ask, a process is taken to run.
                return process <= 0 || !QDir(QStringLiteral("/proc")).exists() ||
                       QFileInfo::exists(QStringLiteral("/proc/%1").arg(process));
            }};
}

QList<PortRegistrationRecord> restoreStaleRegistrations(QSettings &store,
                                                        const RegistrationChecks &checks) {
    QList<PortRegistrationRecord> restored;
    for (const PortRegistrationRecord &record : PortRegistrationRecord::loadAll(store)) {
        const std::optional<QString> current = mapping(store, record.port);
        const bool deviceExists = checks.deviceExists(record.device);
        const bool running = checks.processRunning(record.process);
        if (record.isStale(current, deviceExists, running)) {
            const QString key = PortRegistrationRecord::mappingKey(record.port);
            if (record.earlier)
                store.setValue(key, *record.earlier);
            else
                store.remove(key);
            PortRegistrationRecord::remove(store, record.port);
            restored << record;
        } else if (current != record.device && !(deviceExists && running)) {
            PortRegistrationRecord::remove(store, record.port);
        }
    }
    store.sync();
    return restored;
}
