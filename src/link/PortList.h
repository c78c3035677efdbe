#pragma once

#include "link/SerialPorts.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The numbers the port list always shows; higher ones show when they stand for something.
inline constexpr int ListedPorts = 12;

// One line of the setup window's port list: a number and the device it stands for here.
struct PortEntry {
    int number = 0;
    QString device;
    // What the adapter calls itself, for a device the computer reports.
    QString description;
    bool detected = false;
    // A detected device that no number stood for, offered under this one: choosing it
    // adds the mapping.
    bool offered = false;

    // "/dev/ttyUSB0 - FT232R USB UART", or the device alone.
    [[nodiscard]] QString deviceText() const;
};

// The device every port number stands for, from the mappings kept in the settings store
// and the devices the computer reports now.
class PortList {
public:
    // Mappings alone, nothing detected.
    explicit PortList(const QMap<int, QString> &mappings = {});
    // reserved: a number no detected device is offered under, the port the operator saved,
    // so that it keeps meaning what it meant.
    PortList(const QMap<int, QString> &mappings, const SerialPortSource &source,
             std::optional<int> reserved);

    // 1 to 12, then in order every higher number that is mapped, that a detected device
    // stands for or that is offered.
    [[nodiscard]] const QList<PortEntry> &entries() const { return entries_; }
    // What a number stands for, listed or not.
    [[nodiscard]] PortEntry entry(int number) const;
    // The number of the only detected adapter, when there is exactly one.
    [[nodiscard]] std::optional<int> adapterProposal() const { return proposal_; }

private:
    struct Mapping {
        QString device;
        QString canonical;
    };

    void listEntries();

    QMap<int, Mapping> mappings_;
    // Detected devices by their canonical names.
    QMap<QString, DetectedPort> detected_;
    // Offered numbers with the canonical names of their devices.
    QMap<int, QString> offers_;
    QList<PortEntry> entries_;
    std::optional<int> proposal_;
};

// The device port n stands for when no mapping says otherwise: COMn on Windows,
// /dev/ttyS<n-1> elsewhere.
[[nodiscard]] QString defaultPortDevice(int number);
