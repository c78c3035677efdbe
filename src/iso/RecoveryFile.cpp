#include "iso/RecoveryFile.h"

#include "iso/CardDataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

namespace {

const QString RecoveryFileName = QStringLiteral("unsaved-cards.txt");

} // namespace

RecoveryFile::RecoveryFile() : RecoveryFile(defaultPath()) {}

RecoveryFile::RecoveryFile(QString path) : path_(std::move(path)) {}

QString RecoveryFile::defaultPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        return {};
    return QDir(folder).filePath(RecoveryFileName);
}

bool RecoveryFile::start() {
    file_.close();
    if (path_.isEmpty() || !QDir().mkpath(QFileInfo(path_).absolutePath()))
        return false;
    // Track data holds account numbers: other users of the machine have no business there.
    constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    file_.setFileName(path_);
    return file_.open(QIODevice::WriteOnly | QIODevice::Truncate, OwnerOnly);
}

bool RecoveryFile::append(const QByteArray &record) {
    if (!file_.isOpen())
        return false;
    return file_.write(record) == record.size() && file_.flush();
}

bool RecoveryFile::discard() {
    file_.close();
    if (path_.isEmpty() || !QFileInfo::exists(path_))
        return true;
    return QFile::remove(path_);
}

std::optional<QByteArray> RecoveryFile::pendingText() const {
    const QFileInfo info(path_);
    if (path_.isEmpty() || !info.isFile() || info.size() > MaxRecordFileSize)
        return std::nullopt;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray text = file.readAll();
    // A record cut off by a crash in the middle of its write is no card.
    text.truncate(text.lastIndexOf('\n') + 1);
    if (file.error() != QFileDevice::NoError || text.isEmpty())
        return std::nullopt;
    return text;
}
