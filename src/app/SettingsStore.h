#pragma once

#include "app/PortRegistrationRecord.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

// The six setup values as they are kept between runs.
struct CommSetupValues {
    QByteArray Port = "1";
    QByteArray Baud = "9600";
    QByteArray Parity = "Odd";
    QByteArray DataBit = "7";
    QByteArray Coercivity = "High";
    QByteArray Mode = "KVT-380A";
};

// The per-user store of organisation and application "KVT450".
class SettingsStore {
public:
    [[nodiscard]] CommSetupValues load() const;
    // Nothing when the values reached the store; otherwise one sentence for the operator
    // saying where and why they could not be kept.
    [[nodiscard]] std::optional<QString> save(const CommSetupValues &values);
    // False on a first run: no port has been saved yet.
    [[nodiscard]] bool hasPort() const;

    // The device configured for port number n in group "Ports", or an empty string.
    [[nodiscard]] QString portOverride(int n) const;
    void setPortOverride(int n, const QString &device);
    void removePortOverride(int n);
    // Every port number of group "Ports" with its device, empty ones left out.
    [[nodiscard]] QMap<int, QString> portOverrides() const;

    // Puts back the operator's own mappings that a virtual encoder which ended without
    // cleaning up left registered; returns what was put back.
    QList<PortRegistrationRecord>
    restoreStaleRegistrations(const RegistrationChecks &checks = RegistrationChecks::system());

    [[nodiscard]] static QString fileName();
};
