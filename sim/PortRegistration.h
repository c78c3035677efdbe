#pragma once

#include <QString>

#include <optional>

// Makes a device the operator's program's port N while it lives: the settings store's
// group "Ports", key "COM<N>" names the device; the earlier value comes back afterwards.
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

private:
    int port_;
    QString device_;
    std::optional<QString> previous_;
    bool active_ = true;
};
