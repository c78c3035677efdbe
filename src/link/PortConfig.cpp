#include "link/PortConfig.h"

#include "app/SettingsStore.h"

std::optional<int> parsePortNumber(const QByteArray &text) {
    bool ok = false;
    const int number = QString::fromLatin1(text).trimmed().toInt(&ok);
    if (!ok || number < LowestPort || number > HighestPort)
        return std::nullopt;
    return number;
}

QString portDeviceName(int n, const SettingsStore &store) {
#ifdef Q_OS_WIN
    Q_UNUSED(store);
    return QStringLiteral("COM%1").arg(n);
#else
    const QString configured = store.portOverride(n);
    if (!configured.isEmpty())
        return configured;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

std::optional<PortConfig> makePortConfig(const QByteArray &portText, const QByteArray &settingsText,
                                         const SettingsStore &store, QString &why) {
    const std::optional<int> number = parsePortNumber(portText);
    if (!number) {
        why = QStringLiteral("The serial port \"%1\" is not a port number: choose 1 to 12 or "
                             "type another number from %2 to %3.")
                  .arg(QString::fromLatin1(portText))
                  .arg(LowestPort)
                  .arg(HighestPort);
        return std::nullopt;
    }
    const std::optional<LineSettings> line = parseLineSettings(settingsText);
    if (!line) {
        why = QStringLiteral("The line settings \"%1\" are not valid.")
                  .arg(QString::fromLatin1(settingsText));
        return std::nullopt;
    }
    return PortConfig{*number, portDeviceName(*number, store), settingsText, *line};
}
