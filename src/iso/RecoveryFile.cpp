#include "iso/RecoveryFile.h"

#include "iso/CardDataFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <utility>

namespace {

const QString FilePrefix = QStringLiteral("unsaved-cards-");
const QString FileSuffix = QStringLiteral(".txt");
const QString LockSuffix = QStringLiteral(".lock");
// Names made within the same millisecond get a number; more than this is no clock.
constexpr int MaxNamesPerMoment = 100;

std::unique_ptr<QLockFile> lockFor(const QString &path) {
    auto lock = std::make_unique<QLockFile>(path + LockSuffix);
    // Only a lock whose program has ended is stale, however long a run lasts.
    lock->setStaleLockTime(0);
    return lock;
}

} // namespace

RecoveryFile::RecoveryFile() : RecoveryFile(defaultFolder()) {}

RecoveryFile::RecoveryFile(QString folder) : folder_(std::move(folder)) {}

RecoveryFile::~RecoveryFile() {
    // The records stay on disk: a run that was not discarded is offered at the next start.
    file_.close();
}

QString RecoveryFile::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString RecoveryFile::path() const {
    return file_.isOpen() ? file_.fileName() : QString();
}

bool RecoveryFile::start() {
    file_.close();
    lock_.reset();
    if (folder_.isEmpty() || !QDir().mkpath(folder_))
        return false;
    const QDir folder(folder_);
    const QString moment = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz");
    // Track data holds account numbers: other users of the machine have no business there.
    constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    for (int n = 1; n <= MaxNamesPerMoment; ++n) {
        const QString name =
            FilePrefix + moment +
            (n > 1 ? QStringLiteral("-%1").arg(n, 2, 10, QLatin1Char('0')) : QString()) +
            FileSuffix;
        const QString path = folder.filePath(name);
        if (QFileInfo::exists(path))
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(path);
        if (!lock->tryLock(0))
            continue;
        file_.setFileName(path);
        if (!file_.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnly))
            return false;
        lock_ = std::move(lock);
        return true;
    }
    return false;
}

bool RecoveryFile::append(const QByteArray &record) {
    if (!file_.isOpen())
        return false;
    return file_.write(record) == record.size() && file_.flush();
}

bool RecoveryFile::discard() {
    if (!file_.isOpen())
        return true;
    const QString path = file_.fileName();
    file_.close();
    const bool removed = QFile::remove(path);
    lock_.reset();
    return removed;
}

QStringList RecoveryFile::leftBehind() const {
    if (folder_.isEmpty())
        return {};
    const QDir folder(folder_);
    QStringList paths;
    // The names begin with the moment the run started, so they sort oldest first.
    const QStringList names =
        folder.entryList({FilePrefix + u'*' + FileSuffix}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString path = folder.filePath(name);
        if (path == this->path())
            continue;
        const std::unique_ptr<QLockFile> lock = lockFor(path);
        if (lock->tryLock(0))
            paths << path;
    }
    return paths;
}

std::optional<QByteArray> RecoveryFile::pendingText(const QString &path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > MaxRecordFileSize)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    // A record cut off by a crash in the middle of its write is no card.
    text.truncate(text.lastIndexOf('\n') + 1);
    return text;
}

bool RecoveryFile::remove(const QString &path) {
    const bool removed = !QFileInfo::exists(path) || QFile::remove(path);
    QFile::remove(path + LockSuffix);
    return removed;
}
