#include "app/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace {

// The platform's own per-user store: an INI file ~/.config/KVT450/KVT450.conf on Linux,
// the registry on Windows.
QSettings openStore() {
    return QSettings(QStringLiteral("KVT450"), QStringLiteral("KVT450"));
}

QByteArray text(const QSettings &store, const char *key, const QByteArray &fallback) {
    const QVariant value = store.value(QLatin1String(key), QString::fromLatin1(fallback));
    // A hand-written value with a comma reads back as a list; the text is what was meant.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", ")).toLatin1();
    return value.toString().toLatin1();
}

QString portKey(int n) {
    return QStringLiteral("Ports/COM%1").arg(n);
}

// Why a store file could not be written, as far as the file system tells.
QString saveFailure(const QString &file) {
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    if (folder.exists() && !folder.isDir())
        return QStringLiteral("a file has taken the name of its folder");
    if (!folder.exists())
        return QStringLiteral("its folder cannot be created");
    if (info.isDir())
        return QStringLiteral("a folder has that name");
    if (info.exists() && !info.isWritable())
        return QStringLiteral("the file is read-only");
    if (!folder.isWritable())
        return QStringLiteral("its folder is read-only");
    return QStringLiteral("the disk may be full");
}

} // namespace

CommSetupValues SettingsStore::load() const {
    const QSettings store = openStore();
    const CommSetupValues defaults;
    CommSetupValues values;
    values.Port = text(store, "Comm/Port", defaults.Port);
    values.Baud = text(store, "Comm/Baud", defaults.Baud);
    values.Parity = text(store, "Comm/Parity", defaults.Parity);
    values.DataBit = text(store, "Comm/DataBit", defaults.DataBit);
    values.Coercivity = text(store, "Globe/Coercivity", defaults.Coercivity);
    values.Mode = text(store, "Globe/Mode", defaults.Mode);
    return values;
}

std::optional<QString> SettingsStore::save(const CommSetupValues &values) {
    QSettings store = openStore();
    store.setValue(QStringLiteral("Globe/Mode"), QString::fromLatin1(values.Mode));
    store.setValue(QStringLiteral("Globe/Coercivity"), QString::fromLatin1(values.Coercivity));
    store.setValue(QStringLiteral("Comm/Port"), QString::fromLatin1(values.Port));
    store.setValue(QStringLiteral("Comm/Baud"), QString::fromLatin1(values.Baud));
    store.setValue(QStringLiteral("Comm/Parity"), QString::fromLatin1(values.Parity));
    store.setValue(QStringLiteral("Comm/DataBit"), QString::fromLatin1(values.DataBit));
    store.sync();
    // A format error is the old file's, read before it was written anew: the values are kept.
    if (store.status() != QSettings::AccessError)
        return std::nullopt;
    return QStringLiteral("The settings could not be saved in %1 (%2), so this choice holds only "
                          "until the program ends.")
        .arg(QDir::toNativeSeparators(store.fileName()), saveFailure(store.fileName()));
}

bool SettingsStore::hasPort() const {
    return openStore().contains(QStringLiteral("Comm/Port"));
}

QString SettingsStore::portOverride(int n) const {
    return openStore().value(portKey(n)).toString();
}

void SettingsStore::setPortOverride(int n, const QString &device) {
    QSettings store = openStore();
    store.setValue(portKey(n), device);
    store.sync();
}

void SettingsStore::removePortOverride(int n) {
    QSettings store = openStore();
    store.remove(portKey(n));
    store.sync();
}

QMap<int, QString> SettingsStore::portOverrides() const {
    static const QRegularExpression portNumberKey(QStringLiteral("^COM([1-9][0-9]{0,4})$"));
    QSettings store = openStore();
    store.beginGroup(QStringLiteral("Ports"));
    QMap<int, QString> overrides;
    for (const QString &key : store.childKeys()) {
        const QRegularExpressionMatch match = portNumberKey.match(key);
        const QString device = store.value(key).toString();
        if (match.hasMatch() && !device.isEmpty())
            overrides.insert(match.captured(1).toInt(), device);
    }
    return overrides;
}

QList<PortRegistrationRecord>
SettingsStore::restoreStaleRegistrations(const RegistrationChecks &checks) {
    QSettings store = openStore();
    return ::restoreStaleRegistrations(store, checks);
}

QString SettingsStore::fileName() {
    return openStore().fileName();
}
