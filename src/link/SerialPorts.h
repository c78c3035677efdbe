#pragma once

#include <QList>
#include <QString>

// A serial device the computer reports now.
struct DetectedPort {
    QString device;      // "/dev/ttyUSB0", "COM3"
    QString description; // what the adapter calls itself, "FT232R USB UART"; may be empty
    // A USB serial adapter or a USB modem-class (ACM) device, rather than a built-in port.
    bool adapter = false;
};

// Where the setup window learns which serial devices exist: the program asks the system,
// tests give a list.
class SerialPortSource {
public:
    virtual ~SerialPortSource() = default;

    [[nodiscard]] virtual QList<DetectedPort> detect() const = 0;
    // The name under which a device path is compared with the detected ones: a link such
    // as /dev/serial/by-id/... stands for the device it points to.
    [[nodiscard]] virtual QString canonicalName(const QString &device) const { return device; }
};

// The system's list, over QSerialPortInfo.
class SystemSerialPorts final : public SerialPortSource {
public:
    [[nodiscard]] QList<DetectedPort> detect() const override;
    [[nodiscard]] QString canonicalName(const QString &device) const override;
};
