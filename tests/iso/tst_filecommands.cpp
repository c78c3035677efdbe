#include "PromptRig.h"

#include "app/MainModule.h"
#include "iso/FileCommands.h"
#include "iso/cfrmEncodeRF.h"
#include "iso/cfrmEncodeWF.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

bool putFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The in-process LRQ118 encoder with the three cards, each swiped 0.3 s after it is asked for.
ModelPort *deckPort(FakeClock &clock, QObject *owner) {
    auto *port = new ModelPort(clock, EncoderModel::CommandSet::Lrq118);
    port->setParent(owner);
    port->model().setDeck(ThreeCards);
    port->model().setAutoSwipe(300ms);
    return port;
}

// A save run whose encoder stops swiping after three cards, for the test to kill this program
// in the middle of it. It returns only when it was not killed.
int saveUntilKilled(const QString &recoveryFolder) {
    FakeLink link("LRQ118");
    ModelPort *port = nullptr;
    QWidget parent;
    FileCommands commands(
        link.context([&](QObject *owner) { return port = deckPort(link.clock, owner); }), &parent,
        recoveryFolder);
    commands.setFileDialogs({}, [](QWidget *, const QString &, const QString &, const QString &) {
        return u"/never/written.txt"_s;
    });
    std::function<void()> watch = [&] {
        if (link.state.SaveCardNumber != 4)
            return link.pump.after(5ms, watch);
        port->model().setAutoSwipe(std::nullopt);
        std::printf("saved 3\n");
        std::fflush(stdout);
    };
    link.pump.after(5ms, watch);
    commands.saveToFile();
    return 1;
}

// The file commands with fake dialogs and the in-process LRQ118 encoder, on the fake clock.
struct Rig : FakeLink {
    QTemporaryDir files;
    QTemporaryDir recoveryFolder;
    QWidget parent;
    ModalWatcher watcher;
    ModelPort *port = nullptr;
    FileCommands commands;
    // What the operator saw: "(Save)" and "(Open)" for the dialogs, "[title]" for the rest.
    QStringList seen;
    // What the file dialogs answer in turn, as names in `files`; "" cancels.
    QStringList choices;
    // The names the save dialog proposed.
    QStringList proposed;
    // What the Yes/No boxes are answered in turn: Y or N.
    QString answers;
    // The second line of a format or save error window.
    QStringList details;
    // Cards the save window reads before the operator presses Cancel; -1: never.
    int cards = -1;

    Rig()
        : FakeLink("LRQ118"),
          commands(context([this](QObject *owner) { return port = deckPort(clock, owner); }),
                   &parent, recoveryFolder.path()) {
        const FileChooser choose = [this](QWidget *, const QString &title, const QString &filter,
                                          const QString &name) {
            seen << u'(' + title.section(u' ', 0, 0) + u')';
            if (filter != u"Encode Data Files (*.txt)")
                seen << u"wrong filter"_s;
            if (title.startsWith(u"Save"))
                proposed << name;
            const QString choice = choices.isEmpty() ? QString() : choices.takeFirst();
            return choice.isEmpty() ? choice : path(choice);
        };
        commands.setFileDialogs(choose, choose);
        watcher.leavePromptWindows = true;
        watcher.inspect = [this](QWidget *window) {
            seen << u'[' + window->windowTitle() + u']';
            if (auto *detail = window->findChild<QLabel *>(u"Label2"_s);
                detail && detail->isVisible())
                details << detail->text();
        };
        watcher.answer = [this](const ModalWatcher::Seen &) {
            const QChar answer = answers.isEmpty() ? u'N' : answers.front();
            answers.remove(0, 1);
            return answer == u'Y' ? QMessageBox::Yes : QMessageBox::No;
        };
        watchPromptWindows();
    }

    QString path(const QString &name) const { return files.filePath(name); }

    // Presses Cancel in the save window once it has read `cards` cards and waits for more, and
    // in the first encode window that waits for a card when cancelEncode is set.
    bool cancelEncode = false;
    void watchPromptWindows() {
        pump.after(5ms, [this] {
            auto *save = parent.findChild<cfrmEncodeWF *>();
            auto *encode = parent.findChild<cfrmEncodeRF *>();
            const bool waiting = port != nullptr && port->model().waitingForSwipe();
            if (save != nullptr && save->isVisible() && cards >= 0 &&
                state.SaveCardNumber == cards + 1 && waiting)
                save->findChild<QPushButton *>(u"Command1_0"_s)->click();
            if (encode != nullptr && cancelEncode && waiting) {
                encode->findChild<QPushButton *>(u"Command1_0"_s)->click();
                cancelEncode = false;
            }
            watchPromptWindows();
        });
    }

    // The recovery files left in the folder.
    QStringList unsaved() const {
        return QDir(recoveryFolder.path()).entryList({u"unsaved-cards-*.txt"_s});
    }
};

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:

    // The save dialog answers `choices`, the Yes/No boxes `answers`. card.txt may exist
    // beforehand; "none/" is a folder that does not exist.
    void save_data() {
        QTest::addColumn<int>("cards");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("seen");
        QTest::addColumn<QString>("savedIn"); // "" for nowhere
        const auto row = [](const char *name, int cards, bool existing, const QStringList &choices,
                            const char *answers, const QString &seen, const char *savedIn) {
            QTest::newRow(name) << cards << existing << choices << QString::fromLatin1(answers)
                                << seen << QString::fromLatin1(savedIn);
        };
        const QStringList card{u"card.txt"_s};
        const QString abort = u"[File Overwrite Abort]"_s;
        row("dialog cancelled", 3, false, {}, "", u"(Save)"_s, "");
        row("Cancel before any card", 0, false, card, "", u"(Save)"_s, "");
        row("three cards", 3, false, card, "", u"(Save)"_s, "card.txt");
        row("overwrite declined, another file", 3, true, {u"card.txt"_s, u"other.txt"_s}, "N",
            "(Save) [File Overwrite Prompt] " + abort + " (Save)", "other.txt");
        row("overwrite accepted", 3, true, card, "Y", u"(Save) [File Overwrite Prompt]"_s,
            "card.txt");
        row("no such folder, then given up", 3, false, {u"none/card.txt"_s, u""_s}, "Y",
            "(Save) " + abort + " (Save) [Save to File]", "");
        row("no such folder, not given up", 3, false, {u"none/card.txt"_s, u""_s, u"card.txt"_s},
            "N", "(Save) " + abort + " (Save) [Save to File] (Save)", "card.txt");
    }

    void save() {
        QFETCH(int, cards);
        QFETCH(bool, existing);
        QFETCH(QStringList, choices);
        QFETCH(QString, answers);
        QFETCH(QString, savedIn);
        Rig rig;
        rig.cards = cards;
        rig.choices = choices;
        rig.answers = answers;
        if (existing)
            QVERIFY(putFile(rig.path(u"card.txt"_s), "OLD\r\n"));
        rig.commands.saveToFile();

        QTEST(rig.seen.join(u' '), "seen");
        QVERIFY(rig.proposed.first().startsWith(u'E'));
        const QByteArray message =
            "\r\n3 records successfully saved to file " + rig.path(savedIn).toLatin1();
        QCOMPARE(rig.records.message(), savedIn.isEmpty() ? QByteArray() : message);
        for (const QString &name : {u"card.txt"_s, u"other.txt"_s}) {
            const QByteArray before = existing && name == u"card.txt" ? "OLD\r\n" : "(none)";
            QCOMPARE(fileBytes(rig.path(name)), name == savedIn ? DeckRecords : before);
        }
        // Each question names what it is about; after a failure the dialog proposes the file
        // that failed, and the save error says why.
        for (const ModalWatcher::Seen &seen : std::as_const(rig.watcher.seen)) {
            if (seen.title == u"File Overwrite Prompt")
                QCOMPARE(seen.text,
                         u"File '"_s + rig.path(u"card.txt"_s) + u"' exists. overwrite? "_s);
            if (seen.title == u"Save to File")
                QVERIFY(seen.text.startsWith(u"Discard the 3 card records collected"));
        }
        if (choices.value(0).startsWith(u"none/")) {
            QCOMPARE(rig.proposed.value(1), rig.path(choices[0]));
            QCOMPARE(rig.details,
                     QStringList{u"The folder %1 does not exist."_s.arg(rig.path(u"none"_s))});
        }
        QCOMPARE(rig.unsaved(), QStringList());
    }

    void encode_data() {
        QTest::addColumn<QByteArray>("content"); // of the file chosen; null: no such file
        QTest::addColumn<QString>("seen");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<int>("written");
        const QString complete = u"(Open) [File Encode Complete (EOF)]"_s;
        QTest::newRow("three records") << DeckRecords << complete << u""_s << 3;
        // A run the operator ends shows no end-of-file window; the next one does.
        QTest::newRow("a run cancelled, then one to the end")
            << DeckRecords << "(Open) " + complete << u""_s << 3;
        QTest::newRow("LF line ends")
            << QByteArray(DeckRecords).replace("\r\n", "\n") << complete << u""_s << 3;
        QTest::newRow("no such file") << QByteArray() << u"(Open) [File Encode]"_s << u""_s << 0;
        QTest::newRow("a line with one |")
            << QByteArray("A|1|2\r\nB|1\r\nC|3|4\r\n")
            << u"(Open) [File Encode - File Format Error]"_s
            << u"Line 2 holds one \"|\" separator instead of two."_s << 0;
    }

    void encode() {
        QFETCH(QByteArray, content);
        QFETCH(QString, detail);
        QFETCH(QString, seen);
        Rig rig;
        rig.choices = {u"cards.txt"_s};
        if (!content.isNull())
            QVERIFY(putFile(rig.path(u"cards.txt"_s), content));
        int writes = 0;
        rig.pump.after(1ms,
                       [&] { rig.port->model().setWrittenSink([&](const Card &) { ++writes; }); });
        if (seen.count(u"(Open)") == 2) {
            rig.choices << u"cards.txt"_s;
            rig.cancelEncode = true;
            rig.commands.encodeFromFile();
            QVERIFY(rig.state.EncodeFileCancelled);
        }
        rig.commands.encodeFromFile();

        QCOMPARE(rig.seen.join(u' '), seen);
        QTEST(writes, "written");
        QCOMPARE(rig.details, detail.isEmpty() ? QStringList() : QStringList{detail});
        const ModalWatcher::Seen last = rig.watcher.seen.value(0);
        if (last.title == u"File Encode") {
            QCOMPARE(last.text, u"File not exists. "_s);
            QCOMPARE(last.icon, QMessageBox::Warning);
        } else if (!detail.isEmpty()) {
            QCOMPARE(last.text, u"Incorrect file format. Select ASCII format only."_s);
            QVERIFY(rig.port == nullptr); // nothing reached the encoder
        }
        QVERIFY(rig.state.EncodeFileText.isEmpty());
    }

    // A save run left two records behind, and another none at all.
    void leftBehind_data() {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QString>("seen");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("written");
        QTest::newRow("saved") << u"Y"_s << QStringList{u"kept.txt"_s}
                               << u"[Unsaved Card Swipes] (Save)"_s << false << true;
        QTest::newRow("kept for the next start")
            << u"N"_s << QStringList() << u"[Unsaved Card Swipes]"_s << true << false;
        QTest::newRow("given up") << u"YY"_s << QStringList{u""_s}
                                  << u"[Unsaved Card Swipes] (Save) [Save to File]"_s << false
                                  << false;
    }

    void leftBehind() {
        QFETCH(QString, answers);
        QFETCH(QStringList, choices);
        QFETCH(bool, kept);
        QFETCH(bool, written);
        Rig rig;
        const QDir folder(rig.recoveryFolder.path());
        const QString records = folder.filePath(u"unsaved-cards-20261205-140312-123.txt"_s);
        QVERIFY(putFile(records, "A|1|2\r\nB|3|+\r\n"));
        QVERIFY(putFile(folder.filePath(u"unsaved-cards-20261205-090000-000.txt"_s), "B|3"));
        rig.answers = answers;
        rig.choices = choices;
        rig.commands.offerLeftBehind();

        QTEST(rig.seen.join(u' '), "seen");
        QVERIFY(rig.watcher.seen[0].text.contains(u" left 2 card records not saved to a file."));
        QCOMPARE(rig.unsaved(), kept ? QStringList{QFileInfo(records).fileName()} : QStringList());
        QCOMPARE(fileBytes(rig.path(u"kept.txt"_s)),
                 written ? QByteArray("A|1|2\r\nB|3|+\r\n") : QByteArray("(none)"));
        if (written)
            QCOMPARE(rig.records.message(), "\r\n2 records successfully saved to file " +
                                                rig.path(u"kept.txt"_s).toLatin1());
    }

    // The program is killed while a save run waits for its fourth card; at the next start the
    // three cards it read are offered and saved.
    void recordsOfAKilledRunOffered() {
        Rig rig;
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QCoreApplication::applicationFilePath(),
                      {u"--save-until-killed"_s, rig.recoveryFolder.path()});
        QByteArray said;
        const QDeadlineTimer deadline(30000);
        // A slow start (a sanitized build, a busy machine) is waited for, a program that ended
        // is not.
        while (!said.contains("saved 3") && !deadline.hasExpired() &&
               program.state() != QProcess::NotRunning) {
            program.waitForReadyRead(100);
            said += program.readAllStandardOutput();
        }
        QVERIFY2(said.contains("saved 3"), said.constData());
        program.kill();
        QVERIFY(program.waitForFinished());
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
        QCOMPARE(rig.unsaved().size(), 1); // its lock is left as well, held by no one

        rig.answers = u"Y"_s;
        rig.choices = {u"kept.txt"_s};
        rig.commands.offerLeftBehind();
        QCOMPARE(rig.seen.join(u' '), u"[Unsaved Card Swipes] (Save)"_s);
        QCOMPARE(fileBytes(rig.path(u"kept.txt"_s)), DeckRecords);
        QCOMPARE(QDir(rig.recoveryFolder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList());
    }
};

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--save-until-killed") == 0)
        return saveUntilKilled(QString::fromLocal8Bit(argv[2]));
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestFileCommands test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filecommands.moc"
