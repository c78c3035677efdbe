#include "iso/CardDataFile.h"
#include "iso/RecoveryFile.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using CheckOutcome = RecordFileCheckResult::Outcome;
using WriteOutcome = RecordFileWriteResult::Outcome;

namespace {

QString outcomeName(CheckOutcome outcome) {
    return QStringList{u"Accepted"_s, u"Rejected"_s, u"Unreadable"_s}.at(int(outcome));
}

QString outcomeName(WriteOutcome outcome) {
    return QStringList{u"Written"_s, u"Exists"_s, u"Failed"_s}.at(int(outcome));
}

// Every record the reader yields, each track in brackets, records apart by a space.
QByteArray readAll(const QByteArray &text) {
    QByteArrayList records;
    RecordReader reader(text);
    while (const auto tracks = reader.next())
        records << "[" + (*tracks)[0] + "][" + (*tracks)[1] + "][" + (*tracks)[2] + "]";
    return records.join(' ');
}

QByteArray fixture(const QString &name) {
    QFile file(QStringLiteral(KVT_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing fixture");
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

// What a folder holds, so that no temporary file is left behind unnoticed.
QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

bool putFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestCardDataFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir home_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toLocal8Bit());
        QCoreApplication::setOrganizationName(QStringLiteral("KVT450"));
        QCoreApplication::setApplicationName(QStringLiteral("KVT450"));
    }

    // The record of a card, or "" when it cannot be stored; a stored one reads back alike.
    void records_data() {
        QTest::addColumn<IsoFrames::Tracks>("tracks");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("blank track 3") << IsoFrames::Tracks{"AB 1", "123", "+"}
                                       << QByteArray("41 42 20 31 7c 31 32 33 7c 2b 0d 0a");
        QTest::newRow("all empty") << IsoFrames::Tracks{"", "", ""} << QByteArray("7c 7c 0d 0a");
        QTest::newRow("star inside")
            << IsoFrames::Tracks{"A*", "1", ""} << QByteArray("41 2a 7c 31 7c 0d 0a");
        // What the check before an encode run would refuse is not stored either.
        QTest::newRow("8-bit byte") << IsoFrames::Tracks{"\xE9", "", ""} << QByteArray();
        QTest::newRow("lower case") << IsoFrames::Tracks{"ab", "", ""} << QByteArray();
        QTest::newRow("letter on track 3") << IsoFrames::Tracks{"", "", "12A"} << QByteArray();
        QTest::newRow("track 2 too long")
            << IsoFrames::Tracks{"", QByteArray(38, '1'), ""} << QByteArray();
        QTest::newRow("failed track 2") << IsoFrames::Tracks{"A", "*", ""} << QByteArray();
        QTest::newRow("separator") << IsoFrames::Tracks{"A|B", "1", "2"} << QByteArray();
        QTest::newRow("CR") << IsoFrames::Tracks{"A", "1", "1\r2"} << QByteArray();
        QTest::newRow("LF") << IsoFrames::Tracks{"A", "1\n", "2"} << QByteArray();
    }

    void records() {
        QFETCH(IsoFrames::Tracks, tracks);
        QFETCH(QByteArray, record);
        QCOMPARE(IsStorableCard(tracks), !record.isEmpty());
        QCOMPARE(CardRecord(tracks).value_or(QByteArray()).toHex(' '), record);
        const QByteArray before = "X|1|2\r\n";
        QByteArray text = before;
        QCOMPARE(AppendCardRecord(text, tracks), !record.isEmpty());
        QCOMPARE(text.toHex(' '), (before + QByteArray::fromHex(record)).toHex(' '));
        RecordReader reader(text);
        QVERIFY(reader.next());
        if (!record.isEmpty())
            QCOMPARE(reader.next(), std::optional(tracks));
        QCOMPARE(reader.next(), std::nullopt);
    }

    void checkFixtures_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<qsizetype>("line");
        QTest::addColumn<qsizetype>("records");
        QTest::addColumn<qsizetype>("unendedLine");
        QTest::addColumn<QString>("problem");
        const auto row = [](const char *file, const char *outcome, qsizetype line,
                            qsizetype records, qsizetype unended, const char *problem) {
            QTest::newRow(file) << QString::fromLatin1(file) << QString::fromLatin1(outcome) << line
                                << records << unended << QString::fromUtf8(problem);
        };
        row("crlf.txt", "Accepted", 0, 3, 0, "");
        row("lf-only.txt", "Accepted", 0, 3, 0, "");
        row("no-final-line-end.txt", "Accepted", 0, 1, 2, "");
        row("empty.txt", "Rejected", 0, 0, 0, "The file is empty.");
        row("first-field-empty.txt", "Accepted", 0, 2, 0, "");
        row("one-separator.txt", "Rejected", 1, 0, 0,
            "Line 1 holds one \"|\" separator instead of two.");
        row("four-fields.txt", "Rejected", 1, 0, 0,
            "Line 1 holds 3 \"|\" separators instead of two.");
        row("lower-case-first-field.txt", "Rejected", 1, 0, 0,
            "Line 1: track 1 holds \"b\", which this track cannot carry.");
        row("query-first-field.txt", "Rejected", 1, 0, 0,
            "Line 1: track 1 holds \"?\", which this track cannot carry.");
    }

    void checkFixtures() {
        QFETCH(QString, file);
        const RecordFileCheckResult result =
            CheckRecordFile(QStringLiteral(KVT_TEST_DATA "/") + file);
        QTEST(outcomeName(result.outcome), "outcome");
        QTEST(result.line, "line");
        QTEST(result.records, "records");
        QTEST(result.unendedLine, "unendedLine");
        QTEST(result.problem, "problem");
        QCOMPARE(result.text.toHex(' '), fixture(file).toHex(' '));
    }

    void crlfAndLfReadAlike() {
        const QByteArray records = readAll(fixture(QStringLiteral("crlf.txt")));
        QCOMPARE(records.count("]["), 6);
        QCOMPARE(readAll(fixture(QStringLiteral("lf-only.txt"))), records);
    }

    void checkText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qsizetype>("line"); // 0: accepted
        QTest::addColumn<QString>("problem");
        const QByteArray full =
            QByteArray(76, 'A') + '|' + QByteArray(37, '1') + '|' + QByteArray(104, '2') + "\r\n";
        QTest::newRow("full boxes") << full << qsizetype(0) << "";
        QTest::newRow("track 1 too long")
            << "A" + full << qsizetype(1)
            << "Line 1: track 1 has 77 characters, more than the 76 it can hold.";
        QTest::newRow("track 2 too long")
            << QByteArray("|" + QByteArray(38, '1') + "|\r\n") << qsizetype(1)
            << "Line 1: track 2 has 38 characters, more than the 37 it can hold.";
        QTest::newRow("track 3 too long")
            << QByteArray("A|1|2\r\n||" + QByteArray(105, '3') + "\r\n") << qsizetype(2)
            << "Line 2: track 3 has 105 characters, more than the 104 it can hold.";
        QTest::newRow("markers") << QByteArray("+|*|+\r\n") << qsizetype(0) << "";
        QTest::newRow("less-than on 2") << QByteArray("|1<2|\r\n") << qsizetype(0) << "";
        QTest::newRow("mixed line ends")
            << QByteArray("A|1|2\nB|3|4\r\nC|5|6\n") << qsizetype(0) << "";
        QTest::newRow("letter on 2")
            << QByteArray("A|1|2\r\nB|1A|2\r\n") << qsizetype(2)
            << "Line 2: track 2 holds \"A\", which this track cannot carry.";
        QTest::newRow("space on 3") << QByteArray("A|1|2 3\r\n") << qsizetype(1)
                                    << "Line 1: track 3 holds the character with code 32, which "
                                       "this track cannot carry.";
        QTest::newRow("lone CR") << QByteArray("A\rB|1|2\r\n") << qsizetype(1)
                                 << "Line 1: track 1 holds the character with code 13, which this "
                                    "track cannot carry.";
        QTest::newRow("CR CR LF") << QByteArray("A|1|2\r\r\n") << qsizetype(1)
                                  << "Line 1: track 3 holds the character with code 13, which "
                                     "this track cannot carry.";
        QTest::newRow("NUL") << QByteArray("A|1|\0\r\n", 7) << qsizetype(1)
                             << "Line 1: track 3 holds the character with code 0, which this "
                                "track cannot carry.";
        QTest::newRow("8-bit") << QByteArray("\xC9|1|2\r\n") << qsizetype(1)
                               << "Line 1: track 1 holds the character with code 201, which this "
                                  "track cannot carry.";
        QTest::newRow("later first field")
            << QByteArray("|1|2\r\nab|1|2\r\n") << qsizetype(2)
            << "Line 2: track 1 holds \"a\", which this track cannot carry.";
        QTest::newRow("blank line")
            << QByteArray("A|1|2\r\n\r\nB|3|4\r\n") << qsizetype(2) << "Line 2 is empty.";
        QTest::newRow("no separator") << QByteArray("HELLO\r\n") << qsizetype(1)
                                      << "Line 1 holds no \"|\" separators instead of two.";
        QTest::newRow("one unended line") << QByteArray("A|1|2") << qsizetype(1)
                                          << "Line 1 has no line end, so it holds no card.";
        QTest::newRow("CR line ends") << QByteArray("A|1|2\rB|3|4\r") << qsizetype(1)
                                      << "Line 1 has no line end, so it holds no card.";
    }

    void checkText() {
        QFETCH(QByteArray, text);
        QFETCH(qsizetype, line);
        const RecordFileCheckResult result = CheckRecordText(text);
        QCOMPARE(outcomeName(result.outcome), line == 0 ? "Accepted" : "Rejected");
        QCOMPARE(result.line, line);
        QTEST(result.problem, "problem");
    }

    // Files that are not read at all, and one refused by its size before it is read.
    void checkUnusableFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("problem");
        QTest::newRow("missing") << "missing"
                                 << "Unreadable"
                                 << "The file does not exist.";
        QTest::newRow("folder") << "folder"
                                << "Unreadable"
                                << "The name is not that of a regular file.";
        QTest::newRow("pipe") << "pipe"
                              << "Unreadable"
                              << "The name is not that of a regular file.";
        QTest::newRow("huge") << "huge"
                              << "Rejected"
                              << "The file is larger than 256 MB, too large for card data.";
    }

    void checkUnusableFiles() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(kind);
        if (kind == u"folder")
            QVERIFY(QDir().mkdir(path));
        if (kind == u"pipe")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == u"huge") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(MaxRecordFileSize + 1));
        }
        const RecordFileCheckResult result = CheckRecordFile(path);
        QTEST(outcomeName(result.outcome), "outcome");
        QTEST(result.problem, "problem");
        QCOMPARE(result.line, 0);
        QVERIFY(result.text.isEmpty());
    }

    void reader_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("records");
        QTest::newRow("CR LF") << QByteArray("A|1|2\r\nB|3|\r\n")
                               << QByteArray("[A][1][2] [B][3][]");
        QTest::newRow("LF") << QByteArray("A|1|2\nB|3|\n") << QByteArray("[A][1][2] [B][3][]");
        QTest::newRow("unended last") << QByteArray("A|1|2\r\nB|3|4") << QByteArray("[A][1][2]");
        QTest::newRow("a|b|c|d") << QByteArray("a|b|c|d\r\n") << QByteArray("[a][b][c|d]");
        QTest::newRow("one separator")
            << QByteArray("a|b\r\nc|d|e\r\n") << QByteArray("[a][b][] [c][d][e]");
        QTest::newRow("markers") << QByteArray("*|+|\r\n") << QByteArray("[*][+][]");
        QTest::newRow("only a line end") << QByteArray("\n") << QByteArray("[][][]");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("CR only") << QByteArray("A|1|2\r") << QByteArray();
    }

    void reader() {
        QFETCH(QByteArray, text);
        QTEST(readAll(text), "records");
    }

    void millionRecords() {
        constexpr int Count = 1'000'000;
        QByteArray text;
        for (int i = 0; i < Count; ++i) {
            const QByteArray number = QByteArray::number(i);
            QVERIFY(AppendCardRecord(text, {"%B" + number + "^DOE/J^", number + "=2512", "+"}));
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("million.txt"));
        QCOMPARE(outcomeName(WriteRecordFile(path, text, WriteMode::CreateOnly).outcome),
                 "Written");
        text.clear();
        const RecordFileCheckResult result = CheckRecordFile(path);
        QCOMPARE(outcomeName(result.outcome), "Accepted");
        QCOMPARE(result.records, Count);
        RecordReader reader(result.text);
        IsoFrames::Tracks last;
        int read = 0;
        for (; const auto tracks = reader.next(); ++read)
            last = *tracks;
        QCOMPARE(read, Count);
        QCOMPARE(last[1], "999999=2512");
    }

    void write_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<WriteMode>("mode");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QByteArray>("contentAfter");
        const QByteArray fresh = "A|1|2\r\nB|3|+\r\n";
        QTest::newRow("new, create only") << "new" << WriteMode::CreateOnly << "Written"
                                          << "" << fresh;
        QTest::newRow("new, replace") << "new" << WriteMode::Replace << "Written"
                                      << "" << fresh;
        QTest::newRow("existing, create only") << "existing" << WriteMode::CreateOnly << "Exists"
                                               << "" << QByteArray("OLD|1|2\r\n");
        QTest::newRow("existing, replace") << "existing" << WriteMode::Replace << "Written"
                                           << "" << fresh;
        QTest::newRow("under a file") << "under a file" << WriteMode::Replace << "Failed"
                                      << "is not a folder." << QByteArray("(none)");
        QTest::newRow("missing folder") << "missing folder" << WriteMode::CreateOnly << "Failed"
                                        << "does not exist." << QByteArray("(none)");
        QTest::newRow("a folder") << "a folder" << WriteMode::Replace << "Failed"
                                  << "A folder has that name." << QByteArray("(none)");
    }

    void write() {
        QFETCH(QString, situation);
        QFETCH(WriteMode, mode);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("cards.txt"));
        if (situation == u"existing")
            QVERIFY(putFile(path, "OLD|1|2\r\n"));
        if (situation == u"under a file") {
            QVERIFY(putFile(path, "OLD|1|2\r\n"));
            path += QStringLiteral("/cards.txt");
        }
        if (situation == u"missing folder")
            path = dir.filePath(QStringLiteral("gone/cards.txt"));
        if (situation == u"a folder")
            QVERIFY(QDir().mkdir(path));
        const RecordFileWriteResult result = WriteRecordFile(path, "A|1|2\r\nB|3|+\r\n", mode);
        QTEST(outcomeName(result.outcome), "outcome");
        QCOMPARE(result.problem.right(problem.size()), problem);
        QTEST(fileBytes(path), "contentAfter");
        QCOMPARE(entries(dir.path()), situation == u"new" || situation == u"existing" ||
                                              situation == u"under a file" ||
                                              situation == u"a folder"
                                          ? QStringList{QStringLiteral("cards.txt")}
                                          : QStringList());
    }

    // A write cut short, as on a full disk, leaves the folder as it was. The file may hold
    // at most 4096 bytes: a text of 10,000 fails while the file is flushed, one of 200,000
    // while it is written.
    void failedWriteLeavesFolderAsItWas_data() {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("size");
        QTest::newRow("existing, fails in flush") << true << 10'000;
        QTest::newRow("existing, fails in write") << true << 200'000;
        QTest::newRow("new, fails in flush") << false << 10'000;
    }

    void failedWriteLeavesFolderAsItWas() {
        QFETCH(bool, existing);
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cards.txt"));
        if (existing)
            QVERIFY(putFile(path, "OLD|1|2\r\n"));
        const QByteArray text = QByteArray(size, '1').replace(0, 2, "||").append("\r\n");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 4096;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const RecordFileWriteResult result = WriteRecordFile(path, text, WriteMode::Replace);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(outcomeName(result.outcome), "Failed");
        QCOMPARE(result.problem, "The file could not be written: File too large.");
        QCOMPARE(fileBytes(path), existing ? QByteArray("OLD|1|2\r\n") : QByteArray("(none)"));
        QCOMPARE(entries(dir.path()),
                 existing ? QStringList{QStringLiteral("cards.txt")} : QStringList());
    }

    void defaultName_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("name");
        const QDate date(2026, 12, 5);
        QTest::newRow("month first") << date << 812.75 << "en_US"
                                     << "E052026812.";
        QTest::newRow("day first") << date << 812.75 << "de_DE"
                                   << "E122026812.";
        QTest::newRow("year first") << date << 812.75 << "ja_JP"
                                    << "E261205812.";
        QTest::newRow("early") << date << 5.5 << "en_US"
                               << "E0520265.5";
        QTest::newRow("midnight") << date << 0.0 << "en_US"
                                  << "E0520260";
        QTest::newRow("late") << date << 86399.99 << "en_US"
                              << "E0520268639";
        QTest::newRow("single-digit month") << QDate(2026, 1, 9) << 43200.0 << "en_US"
                                            << "E0920264320";
    }

    void defaultName() {
        QFETCH(QDate, date);
        QFETCH(double, seconds);
        QFETCH(QString, locale);
        QTEST(DefaultSaveFileName(date, seconds, QLocale(locale)), "name");
    }

    void recoveryRuns() {
        const QString folder = home_.filePath(QStringLiteral("data/KVT450/KVT450"));
        QString first;
        {
            RecoveryFile crashed;
            QCOMPARE(crashed.folder(), folder);
            QVERIFY(!crashed.append("A|1|2\r\n"));
            QVERIFY(crashed.start());
            first = crashed.path();
            QVERIFY(QFileInfo(first).fileName().startsWith(u"unsaved-cards-"));
            QVERIFY(!(QFile::permissions(first) & (QFile::ReadGroup | QFile::ReadOther)));
            QVERIFY(crashed.append("A|1|2\r\n"));
            QVERIFY(crashed.append("B|3|+\r\n"));
            // Seen from another copy of the program: the records are on disk, but a running
            // run is not left behind.
            QCOMPARE(RecoveryFile::pendingText(first), QByteArray("A|1|2\r\nB|3|+\r\n"));
            QCOMPARE(RecoveryFile().leftBehind(), QStringList());
        } // the program ends without saving or discarding

        RecoveryFile recovery;
        QCOMPARE(recovery.leftBehind(), QStringList{first});
        // The next run writes a file of its own: the records left behind stay untouched.
        QVERIFY(recovery.start());
        QVERIFY(recovery.path() != first);
        QVERIFY(recovery.append("C|4|5\r\n"));
        QCOMPARE(RecoveryFile::pendingText(first), QByteArray("A|1|2\r\nB|3|+\r\n"));
        QCOMPARE(recovery.leftBehind(), QStringList{first});
        const QString second = recovery.path();
        QVERIFY(recovery.discard());
        QVERIFY(!QFile::exists(second));
        QCOMPARE(recovery.path(), QString());
        QVERIFY(!recovery.append("D|6|7\r\n"));
        QVERIFY(recovery.discard());
        QVERIFY(RecoveryFile::remove(first));
        QCOMPARE(recovery.leftBehind(), QStringList());
        QCOMPARE(entries(folder), QStringList());
    }

    void recoveryKeepsCompleteRecords_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("pending");
        QTest::newRow("whole") << QByteArray("A|1|2\r\n") << QByteArray("A|1|2\r\n");
        QTest::newRow("cut in a record") << QByteArray("A|1|2\r\nB|") << QByteArray("A|1|2\r\n");
        QTest::newRow("only a cut record") << QByteArray("B|3") << QByteArray("");
        QTest::newRow("empty") << QByteArray() << QByteArray("");
    }

    void recoveryKeepsCompleteRecords() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("unsaved-cards-1.txt"));
        QVERIFY(putFile(path, content));
        QTEST(RecoveryFile::pendingText(path).value_or("(none)"), "pending");
        QCOMPARE(RecoveryFile::pendingText(dir.filePath(QStringLiteral("gone.txt"))), std::nullopt);
    }

    void recoveryWithoutUsableFolder() {
        const QString file = home_.filePath(QStringLiteral("plain-file"));
        QVERIFY(putFile(file, "x"));
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(file));
        RecoveryFile recovery;
        qputenv("XDG_DATA_HOME", saved);
        QVERIFY(recovery.folder().startsWith(file + u'/'));
        QVERIFY(!recovery.start());
        QVERIFY(!recovery.append("A|1|2\r\n"));
        QCOMPARE(recovery.leftBehind(), QStringList());
        QVERIFY(recovery.discard());
        QCOMPARE(fileBytes(file), "x");
    }
};

QTEST_GUILESS_MAIN(TestCardDataFile)
#include "tst_carddatafile.moc"
