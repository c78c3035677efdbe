#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QLockFile;

// Keeps the records of a save run on disk while the run collects them, so that cards
// already swiped survive a crash or a save that failed, and can be offered at the next
// start. Every run writes a file of its own, so records an earlier run left behind (and the
// operator chose to keep) are never overwritten, and holds a lock on it, so that another
// copy of the program does not take a running file for one left behind. Nothing here
// throws; every step reports whether it worked.
class RecoveryFile {
public:
    // In the per-user application data folder.
    RecoveryFile();
    explicit RecoveryFile(QString folder);
    ~RecoveryFile();
    RecoveryFile(const RecoveryFile &) = delete;
    RecoveryFile &operator=(const RecoveryFile &) = delete;

    [[nodiscard]] static QString defaultFolder();
    [[nodiscard]] const QString &folder() const { return folder_; }
    // The file of the run in progress; empty when no run is.
    [[nodiscard]] QString path() const;

    // Begins a run in a new file, creating the folder when needed.
    [[nodiscard]] bool start();
    // Adds one record and hands it to the system at once; only during a run.
    [[nodiscard]] bool append(const QByteArray &record);
    // Ends the run and removes its file, once its records are saved or given up.
    bool discard();

    // The files of runs that are no longer running, oldest first.
    [[nodiscard]] QStringList leftBehind() const;
    // The complete records such a file holds ("" for none); nothing when it cannot be read.
    [[nodiscard]] static std::optional<QByteArray> pendingText(const QString &path);
    // Removes a file left behind once its records are saved or given up.
    static bool remove(const QString &path);

private:
    QString folder_;
    QFile file_;
    std::unique_ptr<QLockFile> lock_;
};
