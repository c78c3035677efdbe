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

namespace {

QString outcomeName(RecordFileCheckResult::Outcome outcome) {
    return QStringList{u"Accepted"_s, u"Rejected"_s, u"Unreadable"_s}.at(int(outcome));
}

QString outcomeName(RecordFileWriteResult::Outcome outcome) {
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

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

bool putFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What a folder holds besides the file named, so that no temporary file is left unnoticed.
QStringList othersIn(const QString &folder, const QString &name = {}) {
    QStringList others =
        QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    others.removeAll(name);
    return others;
}

} // namespace

class TestCardDataFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir home_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("XDG_DATA_HOME", home_.filePath(u"data"_s).toLocal8Bit());
        QCoreApplication::setOrganizationName(u"KVT450"_s);
        QCoreApplication::setApplicationName(u"KVT450"_s);
    }

    // The record of a card, or "" when it cannot be stored; a stored one reads back alike.
    void records_data() {
        QTest::addColumn<IsoFrames::Tracks>("tracks");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("blank track 3") << IsoFrames::Tracks{"AB 1", "123", "+"}
                                       << QByteArray("41 42 20 31 7c 31 32 33 7c 2b 0d 0a");
        QTest::newRow("star inside")
            << IsoFrames::Tracks{"A*", "1", ""} << QByteArray("41 2a 7c 31 7c 0d 0a");
        // What the check before an encode run would refuse is not stored either.
        QTest::newRow("lower case") << IsoFrames::Tracks{"ab", "", ""} << QByteArray();
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

    // A name ending in .txt is a fixture file under data/, one in brackets a file made for
    // the row; anything else is the text itself.
    void check_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<qsizetype>("line");
        QTest::addColumn<QString>("problem"); // empty: accepted
        QTest::addColumn<qsizetype>("records");
        QTest::addColumn<qsizetype>("unendedLine");
        const auto row = [](const char *name, const QByteArray &input, qsizetype line,
                            const char *problem, qsizetype records = 0, qsizetype unended = 0) {
            QTest::newRow(name) << input << line << QString::fromUtf8(problem) << records
                                << unended;
        };
        for (const char *file : {"crlf.txt", "lf-only.txt"})
            row(file, file, 0, "", 3);
        row("no-final-line-end.txt", "no-final-line-end.txt", 0, "", 1, 2);
        row("empty.txt", "empty.txt", 0, "The file is empty.");
        row("first-field-empty.txt", "first-field-empty.txt", 0, "", 2);
        row("one-separator.txt", "one-separator.txt", 1,
            "Line 1 holds one \"|\" separator instead of two.");
        row("four-fields.txt", "four-fields.txt", 1,
            "Line 1 holds 3 \"|\" separators instead of two.");
        row("lower-case-first-field.txt", "lower-case-first-field.txt", 1,
            "Line 1: track 1 holds \"b\", which this track cannot carry.");
        row("query-first-field.txt", "query-first-field.txt", 1,
            "Line 1: track 1 holds \"?\", which this track cannot carry.");
        row("mixed line ends", "A|1|2\nB|3|4\r\nC|5|6\n", 0, "", 3);
        row("NUL", QByteArray("A\0|1|\r\n", 7), 1,
            "Line 1: track 1 holds the character with code 0, which this track cannot carry.");
        row("{", "{A|1|2\r\n", 1, "Line 1: track 1 holds \"{\", which this track cannot carry.");
        row("8-bit", "\xC9|1|2\r\n", 1,
            "Line 1: track 1 holds the character with code 201, which this track cannot carry.");
        row("a later first field", "|1|2\r\nab|1|2\r\n", 2,
            "Line 2: track 1 holds \"a\", which this track cannot carry.");
        row("blank line", "A|1|2\r\n\r\nB|3|4\r\n", 2, "Line 2 is empty.");
        row("no separator", "HELLO\r\n", 1, "Line 1 holds no \"|\" separators instead of two.");
        row("one unended line", "A|1|2", 1, "Line 1 has no line end, so it holds no card.");
        row("CR line ends", "A|1|2\rB|3|4\r", 1, "Line 1 has no line end, so it holds no card.");
        // Files not read at all, and one refused by its size before it is read.
        const char *notRegular = "The name is not that of a regular file.";
        row("missing", "(missing)", 0, "The file does not exist.");
        row("folder", "(folder)", 0, notRegular);
        row("pipe", "(pipe)", 0, notRegular);
        row("huge", "(huge)", 0, "The file is larger than 256 MB, too large for card data.");
    }

    void check() {
        QFETCH(QByteArray, input);
        QFETCH(QString, problem);
        const bool fixture = input.endsWith(".txt");
        const bool special = input.startsWith('(');
        QTemporaryDir dir;
        const QString path = special
                                 ? dir.filePath(QString::fromLatin1(input))
                                 : QStringLiteral(KVT_TEST_DATA "/") + QString::fromLatin1(input);
        QFile huge(path);
        if (input == "(folder)")
            QVERIFY(QDir().mkdir(path));
        if (input == "(pipe)")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (input == "(huge)")
            QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(MaxRecordFileSize + 1));
        const RecordFileCheckResult result =
            fixture || special ? CheckRecordFile(path) : CheckRecordText(input);
        const bool unread = special && input != "(huge)";
        QCOMPARE(outcomeName(result.outcome), unread              ? "Unreadable"
                                              : problem.isEmpty() ? "Accepted"
                                                                  : "Rejected");
        QTEST(result.line, "line");
        QCOMPARE(result.problem, problem);
        if (problem.isEmpty()) {
            QTEST(result.records, "records");
            QTEST(result.unendedLine, "unendedLine");
        }
        QCOMPARE(result.text.toHex(' '), (fixture   ? fileBytes(path)
                                          : special ? ""
                                                    : input)
                                             .toHex(' '));
    }

    void reader_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("records");
        QTest::newRow("LF") << QByteArray("A|1|2\nB|3|\n") << QByteArray("[A][1][2] [B][3][]");
        QTest::newRow("unended last") << QByteArray("A|1|2\r\nB|3|4") << QByteArray("[A][1][2]");
        QTest::newRow("a|b|c|d") << QByteArray("a|b|c|d\r\n") << QByteArray("[a][b][c|d]");
        QTest::newRow("one separator")
            << QByteArray("a|b\r\nc|d|e\r\n") << QByteArray("[a][b][] [c][d][e]");
        QTest::newRow("only a line end") << QByteArray("\n") << QByteArray("[][][]");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("CR only") << QByteArray("A|1|2\r") << QByteArray();
    }

    void reader() {
        QFETCH(QByteArray, text);
        QTEST(readAll(text), "records");
    }

    // Existing files are replaced only when asked. A write cut short, as on a full disk where
    // the file may hold at most 4096 bytes (a text of 10,000 fails while the file is flushed,
    // one of 200,000 while it is written), leaves the folder as it was.
    void write_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<WriteMode>("mode");
        QTest::addColumn<int>("size"); // of the text; 0: a short one
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QByteArray>("contentAfter");
        const QByteArray old = "OLD|1|2\r\n";
        const QByteArray fresh = "A|1|2\r\n";
        const QByteArray none = "(none)";
        const QString tooLarge = u"The file could not be written: File too large."_s;
        const auto row = [](const char *name, const char *situation, WriteMode mode, int size,
                            const char *outcome, const QString &problem, const QByteArray &after) {
            QTest::newRow(name) << QString::fromLatin1(situation) << mode << size
                                << QString::fromLatin1(outcome) << problem << after;
        };
        const auto create = WriteMode::CreateOnly;
        const auto replace = WriteMode::Replace;
        row("new", "new", create, 0, "Written", {}, fresh);
        row("existing, create only", "existing", create, 0, "Exists", {}, old);
        row("existing, replace", "existing", replace, 0, "Written", {}, fresh);
        row("missing folder", "gone/", create, 0, "Failed", u"does not exist."_s, none);
        row("a folder", "folder", replace, 0, "Failed", u"A folder has that name."_s, none);
        row("existing, fails in flush", "existing", replace, 10'000, "Failed", tooLarge, old);
        row("existing, fails in write", "existing", replace, 200'000, "Failed", tooLarge, old);
        row("new, fails in flush", "new", replace, 10'000, "Failed", tooLarge, none);
    }

    void write() {
        QFETCH(QString, situation);
        QFETCH(WriteMode, mode);
        QFETCH(int, size);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path =
            dir.filePath(situation == u"gone/" ? u"gone/cards.txt"_s : u"cards.txt"_s);
        if (situation == u"existing")
            QVERIFY(putFile(path, "OLD|1|2\r\n"));
        if (situation == u"folder")
            QVERIFY(QDir().mkdir(path));
        const QByteArray text = size == 0 ? QByteArray("A|1|2\r\n")
                                          : QByteArray(size, '1').replace(0, 2, "||") + "\r\n";
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = size == 0 ? saved.rlim_cur : 4096;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const RecordFileWriteResult result = WriteRecordFile(path, text, mode);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QTEST(outcomeName(result.outcome), "outcome");
        QCOMPARE(result.problem.right(problem.size()), problem);
        QTEST(fileBytes(path), "contentAfter");
        QCOMPARE(othersIn(dir.path(), u"cards.txt"_s), QStringList());
    }

    void defaultName_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("name");
        const QDate date(2026, 12, 5);
        QTest::newRow("month first") << date << 812.75 << u"en_US"_s << u"E052026812."_s;
        QTest::newRow("day first") << date << 812.75 << u"de_DE"_s << u"E122026812."_s;
        QTest::newRow("year first") << date << 812.75 << u"ja_JP"_s << u"E261205812."_s;
        QTest::newRow("midnight") << date << 0.0 << u"en_US"_s << u"E0520260"_s;
        QTest::newRow("late") << date << 86399.99 << u"en_US"_s << u"E0520268639"_s;
        QTest::newRow("single-digit month")
            << QDate(2026, 1, 9) << 43200.0 << u"en_US"_s << u"E0920264320"_s;
    }

    void defaultName() {
        QFETCH(QDate, date);
        QFETCH(double, seconds);
        QFETCH(QString, locale);
        QTEST(DefaultSaveFileName(date, seconds, QLocale(locale)), "name");
    }

    void textSuffix_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("saved");
        QTest::newRow("default name") << u"/home/op/E052026812."_s << u"/home/op/E052026812.txt"_s;
        QTest::newRow("no suffix") << u"/home/op/E0520260"_s << u"/home/op/E0520260.txt"_s;
        QTest::newRow("dotted folder") << u"/home/op/v1.2/cards"_s << u"/home/op/v1.2/cards.txt"_s;
        QTest::newRow("own suffix kept") << u"/home/op/cards.csv"_s << u"/home/op/cards.csv"_s;
        QTest::newRow("txt kept") << u"/home/op/cards.txt"_s << u"/home/op/cards.txt"_s;
    }

    void textSuffix() {
        QFETCH(QString, chosen);
        QTEST(WithTextSuffix(chosen), "saved");
    }

    // A run's records stay on disk, complete ones only, until they are saved or given up.
    void recoveryRuns() {
        const QString folder = home_.filePath(u"data/KVT450/KVT450"_s);
        QString first;
        {
            RecoveryFile crashed;
            QCOMPARE(crashed.folder(), folder);
            QVERIFY(!crashed.append("A|1|2\r\n"));
            QVERIFY(crashed.start());
            first = crashed.path();
            QVERIFY(QFileInfo(first).fileName().startsWith(u"unsaved-cards-"));
            QVERIFY(!(QFile::permissions(first) & (QFile::ReadGroup | QFile::ReadOther)));
            for (const char *record : {"A|1|2\r\n", "B|3|+\r\n", "C|"})
                QVERIFY(crashed.append(record));
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
        QVERIFY(recovery.append("D|4|5\r\n"));
        QCOMPARE(RecoveryFile::pendingText(first), QByteArray("A|1|2\r\nB|3|+\r\n"));
        QCOMPARE(recovery.leftBehind(), QStringList{first});
        const QString second = recovery.path();
        QVERIFY(recovery.discard());
        QVERIFY(!QFile::exists(second));
        QVERIFY(!recovery.append("E|6|7\r\n"));
        QVERIFY(RecoveryFile::remove(first));
        QCOMPARE(RecoveryFile::pendingText(first), std::nullopt);
        QCOMPARE(recovery.leftBehind(), QStringList());
        QCOMPARE(othersIn(folder), QStringList());
    }

    void recoveryWithoutUsableFolder() {
        const QString file = home_.filePath(u"plain-file"_s);
        QVERIFY(putFile(file, "x"));
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(file));
        RecoveryFile recovery;
        qputenv("XDG_DATA_HOME", saved);
        QVERIFY(!recovery.start());
        QVERIFY(!recovery.append("A|1|2\r\n"));
        QCOMPARE(recovery.leftBehind(), QStringList());
        QVERIFY(recovery.discard());
        QCOMPARE(fileBytes(file), "x");
    }
};

QTEST_GUILESS_MAIN(TestCardDataFile)
#include "tst_carddatafile.moc"
