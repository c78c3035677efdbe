#pragma once

#include <QByteArray>
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

    // The device configured for port number n in group "Ports", or an empty string.
    [[nodiscard]] QString portOverride(int n) const;
    void setPortOverride(int n, const QString &device);
    void removePortOverride(int n);

    [[nodiscard]] static QString fileName();
};
