#include "link/SerialPorts.h"

#include <QFileInfo>
#include <QSerialPortInfo>

QList<DetectedPort> SystemSerialPorts::detect() const {
    QList<DetectedPort> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString name = info.portName();
        const bool adapter = info.hasVendorIdentifier() ||
                             name.startsWith(QLatin1String("ttyUSB")) ||
                             name.startsWith(QLatin1String("ttyACM"));
        ports << DetectedPort{info.systemLocation(), info.description(), adapter};
    }
    return ports;
}

QString SystemSerialPorts::canonicalName(const QString &device) const {
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
}
