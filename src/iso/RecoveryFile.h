#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

// Keeps the records of a save run on disk while the run collects them, so that cards
// already swiped survive a crash or a save that failed, and can be offered at the next
// start. Nothing here throws; every step reports whether it worked.
class RecoveryFile {
public:
    // In the per-user application data folder.
    RecoveryFile();
    explicit RecoveryFile(QString path);

    [[nodiscard]] static QString defaultPath();
    [[nodiscard]] const QString &path() const { return path_; }

    // Begins a run with an empty file, creating the folder when needed.
    [[nodiscard]] bool start();
    // Adds one record and hands it to the system at once; only during a run.
    [[nodiscard]] bool append(const QByteArray &record);
    // Ends the run and removes the file, once its records are saved or given up.
    bool discard();
    // The complete records a run left behind; nothing when there are none.
    [[nodiscard]] std::optional<QByteArray> pendingText() const;

private:
    QString path_;
    QFile file_;
};
