#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QSettings;

// A program that makes a device the utility's port n for a while (the virtual encoder)
// notes in the settings, beside the mapping "Ports/COMn", what the mapping was before:
// group "Simulator", "COMn/Device" the device it registered, "COMn/Earlier" the operator's
// own mapping (absent when there was none) and "COMn/Process" its process id. When that
// program dies without putting the mapping back, this record lets whoever comes next do it.
struct PortRegistrationRecord {
    int port = 0;
    QString device;
    std::optional<QString> earlier;
    qint64 process = 0;

    [[nodiscard]] static std::optional<PortRegistrationRecord> load(QSettings &store, int port);
    [[nodiscard]] static QList<PortRegistrationRecord> loadAll(QSettings &store);
    void save(QSettings &store) const;
    static void remove(QSettings &store, int port);
    [[nodiscard]] static QString mappingKey(int port);

    // Stale: the mapping still names the registered device, but the device is gone or the
    // program that registered it no longer runs, so nobody is left to put the mapping back.
    [[nodiscard]] bool isStale(const std::optional<QString> &mapping, bool deviceExists,
                               bool processRunning) const;
};

// How to find out whether a device exists and whether a process runs; by default the
// file system is asked.
struct RegistrationChecks {
    std::function<bool(const QString &)> deviceExists;
    std::function<bool(qint64)> processRunning;

    [[nodiscard]] static RegistrationChecks system();
};

// Puts the operator's own mapping back for every stale record and drops records whose
// mapping someone else has changed since and whose program is gone; returns the records
// whose mapping was put back.
QList<PortRegistrationRecord>
restoreStaleRegistrations(QSettings &store,
                          const RegistrationChecks &checks = RegistrationChecks::system());
