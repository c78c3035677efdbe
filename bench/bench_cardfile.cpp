// Figures for the card data file: checking and reading every record of large files, the
// memory that takes, and the recovery file's appends during a save run.
#include "iso/CardDataFile.h"
#include "iso/RecoveryFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int Runs = 3;
constexpr int AppendedRecords = 10'000;

IsoFrames::Tracks card(int number) {
    const QByteArray digits = QByteArray::number(number).rightJustified(7, '0');
    return {"%B" + digits + "^DOE/J^", digits + "=2512", "+"};
}

// Written in pieces, so that building the file does not set the peak memory.
bool writeFile(const QString &path, int records) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray piece;
    for (int i = 0; i < records; ++i) {
        if (!AppendCardRecord(piece, card(i)))
            return false;
        if (piece.size() > 1'000'000 || i + 1 == records) {
            if (file.write(piece) != piece.size())
                return false;
            piece.clear();
        }
    }
    return true;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Seconds for the check and the reading of every record, the best of a few runs.
double checkAndRead(const QString &path, int records) {
    double best = 1e9;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const RecordFileCheckResult result = CheckRecordFile(path);
        RecordReader reader(result.text);
        qsizetype read = 0;
        while (reader.next())
            ++read;
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (result.outcome != RecordFileCheckResult::Outcome::Accepted || read != records) {
            std::fprintf(stderr, "%s: not read whole\n", qPrintable(path));
            return -1;
        }
        best = std::min(best, seconds);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    double oneMillion = 0;
    for (const int records : {1'000'000, 2'000'000}) {
        const QString path = dir.filePath(QStringLiteral("cards-%1.txt").arg(records));
        if (!writeFile(path, records)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        const double seconds = checkAndRead(path, records);
        if (seconds < 0)
            return 1;
        const QString comparison = records == 1'000'000
                                       ? QStringLiteral("target < 1 s")
                                       : QStringLiteral("%1 x the time for 1,000,000")
                                             .arg(seconds / oneMillion, 0, 'f', 2);
        if (records == 1'000'000)
            oneMillion = seconds;
        std::printf("check + read %d records (%.1f MB): %.3f s (%s)\n", records,
                    double(QFile(path).size()) / 1e6, seconds, qPrintable(comparison));
        std::printf("peak memory so far: %.1f MB\n", peakMegabytes());
        QFile::remove(path);
    }

    RecoveryFile recovery(dir.path());
    if (!recovery.start())
        return 1;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < AppendedRecords; ++i) {
        if (!recovery.append(CardRecord(card(i)).value_or(QByteArray()))) {
            std::fprintf(stderr, "append failed\n");
            return 1;
        }
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("recovery file: %d appends in %.3f s (%.1f us each)\n", AppendedRecords, seconds,
                seconds * 1e6 / AppendedRecords);
    recovery.discard();
    return 0;
}
