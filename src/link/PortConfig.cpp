#include "link/PortConfig.h"

#include "app/SettingsStore.h"
#include "link/PortList.h"

namespace {

// Why a port text names no port, in one sentence.
QString portTextProblem(const QByteArray &portText) {
    const QString text = QString::fromLatin1(portText).trimmed();
    const QString choices = QStringLiteral("choose 1 to %1 or type another number from %2 to %3.")
                                .arg(ListedPorts)
                                .arg(LowestPort)
                                .arg(HighestPort);
    if (text.isEmpty())
        return QStringLiteral("No serial port is chosen: ") + choices;
    bool number = false;
    text.toLongLong(&number);
    if (number)
        return QStringLiteral("There is no serial port %1: %2").arg(text, choices);
    return QStringLiteral("The serial port \"%1\" is not a port number: %2")
        .arg(QString::fromLatin1(portText), choices);
}

} // namespace

std::optional<int> parsePortNumber(const QByteArray &text) {
    bool ok = false;
    const int number = QString::fromLatin1(text).trimmed().toInt(&ok);
    if (!ok || number < LowestPort || number > HighestPort)
        return std::nullopt;
    return number;
}

QString portDeviceLabel(const QByteArray &portText, const PortList &ports) {
    if (const std::optional<int> number = parsePortNumber(portText))
        return ports.entry(*number).deviceText();
    return QStringLiteral("No device: ports are %1 to %2").arg(LowestPort).arg(HighestPort);
}

std::optional<PortConfig> makePortConfig(const QByteArray &portText, const QByteArray &settingsText,
                                         const PortList &ports, QString &why) {
    const std::optional<int> number = parsePortNumber(portText);
    if (!number) {
        why = portTextProblem(portText);
        return std::nullopt;
    }
    const std::optional<LineSettings> line = parseLineSettings(settingsText);
    if (!line) {
        why = QStringLiteral("The line settings \"%1\" are not valid.")
                  .arg(QString::fromLatin1(settingsText));
        return std::nullopt;
    }
    return PortConfig{*number, ports.entry(*number).device, settingsText, *line};
}

std::optional<PortConfig> makePortConfig(const QByteArray &portText, const QByteArray &settingsText,
                                         const SettingsStore &store, QString &why) {
    return makePortConfig(portText, settingsText, PortList(store.portOverrides()), why);
}
