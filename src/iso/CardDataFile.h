#pragma once

#include "link/IsoFrames.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

class QDate;
class QLocale;

// A card data file holds one card per line: track 1 "|" track 2 "|" track 3, then CR LF.
// The texts are 8-bit and are stored as the read delivered them.

// Far more than any operator's file; a larger one is refused rather than read into memory.
inline constexpr qint64 MaxRecordFileSize = qint64(256) * 1024 * 1024;

// False for a card with a failed track ("*"), and for one whose record would not pass the
// check before an encode run: a track holding a character it cannot carry (among them "|",
// CR and LF, which would split or merge records) or more than its box holds.
[[nodiscard]] bool IsStorableCard(const IsoFrames::Tracks &tracks);

// The card's record with its CR LF; nothing when the card cannot be stored.
[[nodiscard]] std::optional<QByteArray> CardRecord(const IsoFrames::Tracks &tracks);

// Adds the card's record to a file text; false, with the text unchanged, when the card
// cannot be stored.
[[nodiscard]] bool AppendCardRecord(QByteArray &fileText, const IsoFrames::Tracks &tracks);

struct RecordFileCheckResult {
    enum class Outcome {
        Accepted,
        Rejected,   // not a card data file, or a line that cannot be encoded
        Unreadable, // the file could not be read at all
    };
    Outcome outcome = Outcome::Unreadable;
    qsizetype line = 0;        // 1-based line of the first fault; 0 for the file as a whole
    QString problem;           // one sentence for the operator; empty when accepted
    QByteArray text;           // the whole file as read, for EncodeFileText
    qsizetype records = 0;     // complete records, when accepted
    qsizetype unendedLine = 0; // a last line without a line end, which is no card; 0 if none
};

// Reads the whole file and examines every line before an encode run.
[[nodiscard]] RecordFileCheckResult CheckRecordFile(const QString &path);
// The same examination of a text already in memory.
[[nodiscard]] RecordFileCheckResult CheckRecordText(const QByteArray &text);

// Walks a card data file's text one record at a time, without copying or cutting the
// text. Lines end in CR LF or LF; a last line without a line end is no record. A line
// is split at its first two "|": missing fields are empty, further "|" stay in track 3.
class RecordReader {
public:
    explicit RecordReader(QByteArray text) : text_(std::move(text)) {}

    [[nodiscard]] std::optional<IsoFrames::Tracks> next();

private:
    QByteArray text_;
    qsizetype position_ = 0;
};

enum class WriteMode { CreateOnly, Replace };

struct RecordFileWriteResult {
    enum class Outcome {
        Written,
        Exists, // create-only and a file of that name is there: the operator decides
        Failed,
    };
    Outcome outcome = Outcome::Failed;
    QString problem; // one sentence for the operator when it failed
};

// Writes the text unchanged through a temporary file that replaces the target only once
// it is complete, so a failed save leaves no partial file and an existing one intact.
[[nodiscard]] RecordFileWriteResult WriteRecordFile(const QString &path, const QByteArray &text,
                                                    WriteMode mode);

// "E", the date's digits in the locale's short-date order less the first two, then the
// first four characters of the seconds since midnight.
[[nodiscard]] QString DefaultSaveFileName(const QDate &date, double secondsSinceMidnight,
                                          const QLocale &locale);

// A chosen save name with ".txt" added when it has no suffix of its own, so that the file
// shows in the open dialog; a name ending in "." (the default name can) gets "txt" alone.
[[nodiscard]] QString WithTextSuffix(const QString &path);
