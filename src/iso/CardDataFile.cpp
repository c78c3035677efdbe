#include "iso/CardDataFile.h"

#include "app/TrackFault.h"

#include <QByteArrayView>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr char Separator = '|';
const QByteArray LineEnd = QByteArrayLiteral("\r\n");
const QByteArray FailedTrack = QByteArrayLiteral("*");

// The next line that has a line end, without it; nothing once only an unended part is left.
std::optional<QByteArrayView> takeLine(QByteArrayView text, qsizetype &position) {
    if (position >= text.size())
        return std::nullopt;
    const char *begin = text.data() + position;
    const auto *newline =
        static_cast<const char *>(std::memchr(begin, '\n', size_t(text.size() - position)));
    if (newline == nullptr)
        return std::nullopt;
    qsizetype length = newline - begin;
    position += length + 1;
    if (length > 0 && begin[length - 1] == '\r')
        --length;
    return QByteArrayView(begin, length);
}

std::array<QByteArrayView, 3> splitFields(QByteArrayView line) {
    std::array<QByteArrayView, 3> fields;
    const char *const end = line.end();
    const char *const first = std::find(line.begin(), end, Separator);
    if (first == end) {
        fields[0] = line;
        return fields;
    }
    fields[0] = QByteArrayView(line.begin(), first);
    const char *const second = std::find(first + 1, end, Separator);
    fields[1] = QByteArrayView(first + 1, second);
    if (second != end)
        fields[2] = QByteArrayView(second + 1, end);
    return fields;
}

std::optional<QString> fieldProblem(qsizetype lineNumber, int track, QByteArrayView field) {
    const std::optional<TrackFault> fault =
        FindTrackFault(track, QByteArray::fromRawData(field.data(), field.size()));
    if (!fault)
        return std::nullopt;
    return QStringLiteral("Line %1: track %2 %3.")
        .arg(lineNumber)
        .arg(track)
        .arg(DescribeTrackFault(*fault));
}

std::optional<QString> lineProblem(qsizetype lineNumber, QByteArrayView line) {
    if (line.isEmpty())
        return QStringLiteral("Line %1 is empty.").arg(lineNumber);
    const auto separators = std::count(line.begin(), line.end(), Separator);
    if (separators != 2) {
        const QString count = separators == 0 ? QStringLiteral("no \"|\" separators")
                              : separators == 1
                                  ? QStringLiteral("one \"|\" separator")
                                  : QStringLiteral("%1 \"|\" separators").arg(separators);
        return QStringLiteral("Line %1 holds %2 instead of two.").arg(lineNumber).arg(count);
    }
    const std::array<QByteArrayView, 3> fields = splitFields(line);
    for (int track = 1; track <= 3; ++track) {
        if (auto problem = fieldProblem(lineNumber, track, fields.at(track - 1)))
            return problem;
    }
    return std::nullopt;
}

RecordFileCheckResult rejected(RecordFileCheckResult result, qsizetype line, QString problem) {
    result.outcome = RecordFileCheckResult::Outcome::Rejected;
    result.line = line;
    result.problem = std::move(problem);
    result.records = 0;
    return result;
}

RecordFileCheckResult unreadable(QString problem) {
    RecordFileCheckResult result;
    result.problem = std::move(problem);
    return result;
}

RecordFileWriteResult writeFailed(QString problem) {
    return {RecordFileWriteResult::Outcome::Failed, std::move(problem)};
}

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

bool IsStorableCard(const IsoFrames::Tracks &tracks) {
    // "|", CR and LF lie outside every track's characters, so the check covers them too.
    for (int track = 1; track <= 3; ++track) {
        const QByteArray &text = tracks.at(track - 1);
        if (text == FailedTrack || FindTrackFault(track, text))
            return false;
    }
    return true;
}

std::optional<QByteArray> CardRecord(const IsoFrames::Tracks &tracks) {
    if (!IsStorableCard(tracks))
        return std::nullopt;
    QByteArray record;
    record.reserve(tracks[0].size() + tracks[1].size() + tracks[2].size() + 4);
    record.append(tracks[0]).append(Separator).append(tracks[1]).append(Separator);
    record.append(tracks[2]).append(LineEnd);
    return record;
}

bool AppendCardRecord(QByteArray &fileText, const IsoFrames::Tracks &tracks) {
    const std::optional<QByteArray> record = CardRecord(tracks);
    if (!record)
        return false;
    fileText.append(*record);
    return true;
}

RecordFileCheckResult CheckRecordText(const QByteArray &text) {
    RecordFileCheckResult result;
    result.text = text;
    if (text.isEmpty())
        return rejected(std::move(result), 0, QStringLiteral("The file is empty."));
    qsizetype position = 0;
    qsizetype lineNumber = 0;
    while (const std::optional<QByteArrayView> line = takeLine(text, position)) {
        ++lineNumber;
        if (std::optional<QString> problem = lineProblem(lineNumber, *line))
            return rejected(std::move(result), lineNumber, std::move(*problem));
        ++result.records;
    }
    // An unended last line is never encoded; a file made only of one holds no card at all.
    if (result.records == 0) {
        return rejected(std::move(result), 1,
                        QStringLiteral("Line 1 has no line end, so it holds no card."));
    }
    if (position < text.size())
        result.unendedLine = lineNumber + 1;
    result.outcome = RecordFileCheckResult::Outcome::Accepted;
    return result;
}

RecordFileCheckResult CheckRecordFile(const QString &path) {
    const QFileInfo info(path);
    // Opening a pipe or a device could block or never end.
    if (!info.isFile()) {
        return unreadable(info.exists() ? QStringLiteral("The name is not that of a regular file.")
                                        : QStringLiteral("The file does not exist."));
    }
    const auto tooLarge = [] {
        return rejected({}, 0,
                        QStringLiteral("The file is larger than %1 MB, too large for card data.")
                            .arg(MaxRecordFileSize / (1024 * 1024)));
    };
    if (info.size() > MaxRecordFileSize)
        return tooLarge();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(
            QStringLiteral("The file could not be opened: %1.").arg(file.errorString()));
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable(
            QStringLiteral("The file could not be read: %1.").arg(file.errorString()));
    if (text.size() > MaxRecordFileSize)
        return tooLarge();
    return CheckRecordText(text);
}

std::optional<IsoFrames::Tracks> RecordReader::next() {
    const std::optional<QByteArrayView> line = takeLine(text_, position_);
    if (!line)
        return std::nullopt;
    const std::array<QByteArrayView, 3> fields = splitFields(*line);
    return IsoFrames::Tracks{fields[0].toByteArray(), fields[1].toByteArray(),
                             fields[2].toByteArray()};
}

RecordFileWriteResult WriteRecordFile(const QString &path, const QByteArray &text, WriteMode mode) {
    if (path.isEmpty())
        return writeFailed(QStringLiteral("No file name was given."));
    const QFileInfo target(path);
    if (target.isDir())
        return writeFailed(QStringLiteral("A folder has that name."));
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists())
        return writeFailed(QStringLiteral("The folder %1 does not exist.").arg(folder.filePath()));
    if (!folder.isDir())
        return writeFailed(QStringLiteral("%1 is not a folder.").arg(folder.filePath()));
    // A dangling link counts too: replacing it is the operator's decision as well.
    if (mode == WriteMode::CreateOnly && (target.exists() || target.isSymLink()))
        return {RecordFileWriteResult::Outcome::Exists, {}};

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return writeFailed(
            QStringLiteral("The file could not be created: %1.").arg(file.errorString()));
    }
    // A write that fails on its way to the disk must be seen before the commit: the commit
    // would otherwise put the cut-short file in place and still report success.
    errno = 0;
    if (file.write(text) != text.size() || !file.flush()) {
        const int error = errno;
        file.cancelWriting();
        return writeFailed(QStringLiteral("The file could not be written: %1.")
                               .arg(error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                               : file.errorString()));
    }
    if (!file.commit()) {
        return writeFailed(
            QStringLiteral("The file could not be written: %1.").arg(file.errorString()));
    }
    return {RecordFileWriteResult::Outcome::Written, {}};
}

QString WithTextSuffix(const QString &path) {
    const QFileInfo info(path);
    if (info.fileName().isEmpty() || !info.suffix().isEmpty())
        return path;
    return path + (path.endsWith(u'.') ? QStringLiteral("txt") : QStringLiteral(".txt"));
}

QString DefaultSaveFileName(const QDate &date, double secondsSinceMidnight, const QLocale &locale) {
    // The locale's short date pattern gives the order; every field is written in full so
    // the name keeps its length whatever the pattern abbreviates.
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    QString digits;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        qsizetype run = 1;
        if (c == u'\'') {
            const qsizetype close = pattern.indexOf(u'\'', i + 1);
            i = close < 0 ? pattern.size() : close + 1;
            continue;
        }
        while (i + run < pattern.size() && pattern.at(i + run) == c)
            ++run;
        if (c == u'd' && run <= 2)
            digits += twoDigits(date.day());
        else if (c == u'M' && run <= 2)
            digits += twoDigits(date.month());
        else if (c == u'y')
            digits += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        i += run;
    }
    // Seven significant digits, as the time of day in single precision is usually printed.
    const QString seconds =
        QString::number(static_cast<double>(static_cast<float>(secondsSinceMidnight)), 'g', 7);
    return QStringLiteral("E") + digits.mid(2) + seconds.left(4);
}
