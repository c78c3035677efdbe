#pragma once

#include "app/PortRegistrationRecord.h"

#include <QString>

#include <optional>

// Makes a device the operator's program's port N while it lives: the settings store's
// group "Ports", key "COM<N>" names the device; the earlier value comes back afterwards.
// A record of the earlier value stays in the store meanwhile (see PortRegistrationRecord),
// so that the next simulator can put it back if this one is killed.
class PortRegistration {
public:
    PortRegistration(int port, const QString &device);
    PortRegistration(const PortRegistration &) = delete;
    PortRegistration &operator=(const PortRegistration &) = delete;
    ~PortRegistration() { restore(); }

    // Puts back the earlier value (or removes the key), unless someone else has set the
    // key in the meantime.
    void restore();
    [[nodiscard]] QString key() const;
    [[nodiscard]] static QString storeFile();
    // Puts back the operator's mappings that killed simulators left registered; returns
    // the records of the ports put back.
    [[nodiscard]] static QList<PortRegistrationRecord> restoreStale();

private:
    int port_;
    QString device_;
    std::optional<QString> previous_;
    // The record of a simulator still running on the same port, which comes back with the
    // mapping to its device.
    std::optional<PortRegistrationRecord> replaced_;
    bool active_ = true;
};
