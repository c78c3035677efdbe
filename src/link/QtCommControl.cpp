#include "link/QtCommControl.h"

#include <QFileInfo>

namespace {

QSerialPort::Parity toParity(char letter) {
    switch (letter) {
    case 'e':
        return QSerialPort::EvenParity;
    case 'o':
        return QSerialPort::OddParity;
    case 'm':
        return QSerialPort::MarkParity;
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QString describeOpenFailure(QSerialPort::SerialPortError error, const QString &device, int number,
                            const QString &detail) {
    switch (error) {
    case QSerialPort::PermissionError:
        // Qt reports a device held by another program the same way as one the user may
        // not open; only the latter is fixed by the dialout group.
        if (QFileInfo(device).isReadable() && QFileInfo(device).isWritable())
            return QStringLiteral("Cannot open %1: it is in use by another program.").arg(device);
        return QStringLiteral("Cannot open %1: permission denied (add your user to the dialout "
                              "group, then log in again).")
            .arg(device);
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("No device %1 for port %2.").arg(device).arg(number);
    case QSerialPort::OpenError:
        return QStringLiteral("Cannot open %1: it is already open.").arg(device);
    case QSerialPort::UnsupportedOperationError:
        // What the system says of a device without line settings ("Inappropriate ioctl
        // for device") means nothing to an operator who chose /dev/null or a file.
        return QStringLiteral("%1 is not a serial port.").arg(device);
    default:
        if (QFileInfo(device).isDir())
            return QStringLiteral("%1 is not a serial port.").arg(device);
        return QStringLiteral("Cannot open %1: %2.").arg(device, detail);
    }
}

// The virtual encoder's port: it carries bytes only and refuses 7 data bits, which would
// otherwise keep the default settings from working with it.
bool isPseudoTerminal(const QString &device) {
    return QFileInfo(device).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
}

} // namespace

QtCommControl::QtCommControl(QObject *parent) : CommControl(parent) {
    connect(&port_, &QSerialPort::errorOccurred, this, &QtCommControl::onError);
}

bool QtCommControl::open() {
    openError_.clear();
    if (port_.isOpen())
        return true;
    const PortConfig &port = config();
    const QString &device = port.device;
    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite)) {
        openError_ = describeOpenFailure(port_.error(), device, port.number, port_.errorString());
        return false;
    }
    const LineSettings &line = port.line;
    const bool applied =
        port_.setBaudRate(line.baud) &&
        port_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)) &&
        port_.setParity(toParity(line.parity)) &&
        port_.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    if (!applied && !isPseudoTerminal(device)) {
        openError_ = QStringLiteral("%1 does not accept the line settings \"%2\".")
                         .arg(device, QString::fromLatin1(port.settingsText));
        port_.close();
        return false;
    }
    // A port starts empty: bytes left over from before it was opened answer nothing the
    // program has asked yet.
    port_.clear(QSerialPort::AllDirections);
    return true;
}

void QtCommControl::close() {
    if (port_.isOpen())
        port_.close();
}

void QtCommControl::output(const QByteArray &bytes) {
    if (!port_.isOpen())
        return;
    port_.write(bytes);
    // The encoder is slow and frames are short: hand them to the driver now so that the
    // timing of every wait starts when the bytes are on their way.
    port_.flush();
}

void QtCommControl::drainDriver() {
    // QSerialPort only fills its buffer when notified; pull what the driver holds so that
    // waits that do not process events still see every byte.
    while (port_.isOpen() && port_.waitForReadyRead(0)) {
    }
}

QByteArray QtCommControl::input() {
    drainDriver();
    return port_.isOpen() ? port_.readAll() : QByteArray();
}

int QtCommControl::inBufferCount() {
    drainDriver();
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

void QtCommControl::waitForBytes(int ms) {
    // Waits for new bytes, not for the ones already counted, so a wait for two bytes
    // with one waiting sleeps instead of spinning.
    if (port_.isOpen())
        port_.waitForReadyRead(ms);
}

void QtCommControl::onError(QSerialPort::SerialPortError error) {
    // An unplugged adapter shows as a resource error or, on some drivers and on the virtual
    // encoder's pseudo-terminal, as a read error that repeats for as long as the port stays
    // open: either way the port is gone.
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
    if (!lost || !port_.isOpen())
        return;
    port_.close();
    Q_EMIT connectionLost(
        QStringLiteral("The encoder on %1 was disconnected.").arg(config().device));
}
