#include "EndToEnd.h"
#include "SimLines.h"
#include "SimProgramTests.h"

#include "app/SettingsStore.h"
#include "iso/FileCommands.h"
#include "iso/cfrmCopyCard.h"
#include "iso/cfrmEncodeWF.h"
#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"
#include "iso/cfrmWriteIncr.h"
#include "iso/frmEraseCard.h"
#include "link/QtCommControl.h"
#include "link/SerialPorts.h"
#include "ui/frmCommSetup.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace std::chrono_literals;

void when(QObject *context, std::function<bool()> done, std::function<void()> action) {
    auto *timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, done, action] {
        if (!done())
            return;
        timer->stop();
        action();
    });
    timer->start(10ms);
}

bool Program::setUp(const QByteArray &mode) {
    SettingsStore store;
    const SystemSerialPorts serialPorts;
    QtCommControl port;
    bool opened = false;
    const auto why = [](const QString &reason) {
        qWarning() << reason;
    };
    frmCommSetup setup(state, runtime.port, port, runtime.waiter, store, serialPorts,
                       {[&opened] { opened = true; }, [] {}, why, why});
    setup.findChild<QComboBox *>("Combo1")->setEditText(QStringLiteral("1"));
    setup.findChild<QRadioButton *>(mode == "LRQ118" ? "Option2_1" : "Option2_0")->setChecked(true);
    setup.findChild<QPushButton *>("Command1")->click();
    return opened && state.EmulationMode == mode;
}

PromptWindow::Context Program::context() {
    return {state, runtime.waiter, records, runtime.port, [](QObject *parent) {
                return new QtCommControl(parent);
            }};
}

void Program::oneCard(PromptWindow &window) {
    watcher.leaveAlone = &window;
    when(
        &window, [&window] { return window.cardNumber() == 2; },
        [&window] { window.findChild<QPushButton *>("Command1_0")->click(); });
    window.run();
}

void TestEndToEnd::initTestCase() {
    QVERIFY(config_.isValid());
    // The program and the simulator share this store, as they share the user's own.
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    QVERIFY(SettingsStore::fileName().startsWith(config_.path()));
}

void TestEndToEnd::cleanup() {
    program_.reset();
    if (sim_.state() != QProcess::NotRunning) {
        sim_.closeWriteChannel();
        sim_.terminate();
        sim_.waitForFinished(5000);
    }
    seen_.clear();
}

QString TestEndToEnd::waitForLine(const QString &prefix) {
    const QString line = ::waitForLine(sim_, prefix, &seen_);
    if (line.isEmpty())
        qWarning() << "simulator said:" << seen_;
    return line;
}

void TestEndToEnd::readAndWrite_data() {
    QTest::addColumn<QString>("simMode");
    QTest::addColumn<QByteArray>("mode");
    QTest::newRow("LRQ118") << "lrq118" << QByteArray("LRQ118");
    QTest::newRow("KVT-380A") << "kvt380a" << QByteArray("KVT-380A");
}

void TestEndToEnd::start(const QByteArray &card, const QStringList &simArgs) {
    QFETCH(QString, simMode);
    QFETCH(QByteArray, mode);
    sim_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim_.start(QStringLiteral(KVT_SIM_PROGRAM),
               QStringList{"--port", "1", "--mode", simMode, "--auto-swipe", "1200"} + simArgs);
    QVERIFY(!waitForLine(QStringLiteral("registered as port 1")).isEmpty());
    if (!card.isEmpty()) {
        sim_.write("card " + card + "\n");
        QVERIFY(!waitForLine(QStringLiteral("card in the slot")).isEmpty());
    }
    program_ = std::make_unique<Program>();
    QVERIFY(program_->setUp(mode));
}

void TestEndToEnd::readAndWrite() {
    start("B1234567890123456^END/TO END^3012|1234567890123456=3012|+");
    if (QTest::currentTestFailed())
        return;
    Program &program = *program_;
    FakeRecords &records = program.records;
    ModalWatcher &watcher = program.watcher;
    cfrmReadCard read(program.context());
    program.oneCard(read);
    const QByteArrayList shown{records.track(3), records.track(4), records.track(5),
                               records.length(5)};
    QCOMPARE(shown, (QByteArrayList{"B1234567890123456^END/TO END^3012", "1234567890123456=3012",
                                    "+", "0"}));

    records.setTrack(0, "KEYED 42");
    records.setTrack(1, "4242=2412");
    records.setTrack(2, QByteArray());
    program.state.CancelRequested = false; // as the main window does before every command
    cfrmWriteCard write(program.context());
    program.oneCard(write);
    QVERIFY(watcher.seen.isEmpty());
    QCOMPARE(
        waitForLine(QStringLiteral("card written")),
        QStringLiteral(R"(card written: track 1 "KEYED 42", track 2 "4242=2412", track 3 blank)"));

    // The encoder vanishes while a read waits for a card.
    cfrmReadCard lost(program.context());
    watcher.leaveAlone = &lost;
    // Waiting for the swipe, past the encoder's answer to the read command.
    QElapsedTimer prompted;
    when(
        &lost,
        [&lost, &prompted] {
            if (!lost.findChild<QLabel *>("Label2")->isVisible())
                prompted.invalidate();
            else if (!prompted.isValid())
                prompted.start();
            return prompted.isValid() && prompted.elapsed() > 800;
        },
        [this] { sim_.kill(); });
    lost.run(); // ends by itself
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].icon, QMessageBox::Warning);
    QVERIFY2(QRegularExpression(
                 QStringLiteral(
                     "^The encoder on /dev/pts/\\d+ was disconnected, so this window closes\\.$"))
                 .match(watcher.seen[0].text)
                 .hasMatch(),
             qPrintable(watcher.seen[0].text));
    QVERIFY(!lost.isVisible());
}

void TestEndToEnd::saveAndEncodeFiles_data() {
    readAndWrite_data();
}

// Three cards of the simulator's deck saved to a file, then the file encoded back.
void TestEndToEnd::saveAndEncodeFiles() {
    QTemporaryDir dir;
    const QByteArray deck = "SAVED ONE|1111=01|1\r\nSAVED TWO|2222=02|22\r\n"
                            "SAVED THREE|3333=03|333\r\n";
    const QString deckPath = dir.filePath(QStringLiteral("deck.txt"));
    QFile deckFile(deckPath);
    QVERIFY(deckFile.open(QIODevice::WriteOnly) && deckFile.write(deck) == deck.size());
    deckFile.close();
    start({}, {"--deck", deckPath, "--background"});
    if (QTest::currentTestFailed())
        return;
    Program &program = *program_;
    program.watcher.leavePromptWindows = true;
    QWidget parent;
    FileCommands commands(program.context(), &parent, dir.filePath(QStringLiteral("recovery")));
    const QString cards = dir.filePath(QStringLiteral("cards.txt"));
    const FileChooser choose = [&cards](QWidget *, const QString &, const QString &,
                                        const QString &) {
        return cards;
    };
    commands.setFileDialogs(choose, choose);
    when(
        &parent, [&program] { return program.state.SaveCardNumber == 4; },
        [&parent] {
            parent.findChild<cfrmEncodeWF *>()->findChild<QPushButton *>("Command1_0")->click();
        });
    commands.saveToFile();
    QFile saved(cards);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), deck);
    QCOMPARE(program.records.message(),
             "\r\n3 records successfully saved to file " + cards.toLatin1());

    commands.encodeFromFile();
    QStringList written;
    for (int i = 0; i < 3; ++i)
        written << waitForLine(QStringLiteral("card written"));
    QCOMPARE(
        written,
        (QStringList{R"(card written: track 1 "SAVED ONE", track 2 "1111=01", track 3 "1")",
                     R"(card written: track 1 "SAVED TWO", track 2 "2222=02", track 3 "22")",
                     R"(card written: track 1 "SAVED THREE", track 2 "3333=03", track 3 "333")"}));
    QCOMPARE(program.watcher.seen.size(), 1);
    QCOMPARE(program.watcher.seen[0].title, QStringLiteral("File Encode Complete (EOF)"));
}

void TestEndToEnd::copyAndErase_data() {
    readAndWrite_data();
}

// A source card copied onto the card put in the slot for the write, whose blank track 3 is
// not written; then tracks 1 and 3 of it erased.
void TestEndToEnd::copyAndErase() {
    start("SOURCE CARD|1122334455=66|+");
    if (QTest::currentTestFailed())
        return;
    Program &program = *program_;
    FakeRecords &records = program.records;
    ModalWatcher &watcher = program.watcher;
    const auto press = [](PromptWindow &window) {
        window.findChild<QPushButton *>("Command1_0")->click();
    };

    cfrmCopyCard copy(program.context());
    watcher.leaveAlone = &copy;
    when(
        &copy, [&copy] { return copy.windowTitle() == cfrmCopyCard::WriteCaption; },
        [this] { sim_.write("card TARGET|99|777\n"); });
    when(
        &copy, [&records] { return records.message().startsWith("\r\nWrite complete."); },
        [&] { press(copy); });
    copy.run();
    QCOMPARE(waitForLine(QStringLiteral("card written")),
             QStringLiteral(
                 R"(card written: track 1 "SOURCE CARD", track 2 "1122334455=66", track 3 "777")"));

    program.state.CancelRequested = false;
    program.state.EraseTrackMask = 5;
    frmEraseCard erase(program.context());
    watcher.leaveAlone = &erase;
    when(
        &erase, [&records] { return records.message().startsWith("\r\nErase complete."); },
        [&] { press(erase); });
    erase.run();
    QCOMPARE(waitForLine(QStringLiteral("card erased")),
             QStringLiteral("card erased: tracks 1, 3"));
    sim_.write("show\n");
    QCOMPARE(waitForLine(QStringLiteral("card in the slot")),
             QStringLiteral(
                 R"(card in the slot: track 1 blank, track 2 "1122334455=66", track 3 blank)"));
    QVERIFY(watcher.seen.isEmpty());
}

void TestEndToEnd::incrementalBatch_data() {
    readAndWrite_data();
}

// The batch as the base-record window leaves it: track 1 ID, 98 up by 1, three cards, Z.
void TestEndToEnd::incrementalBatch() {
    start("+|+|+");
    if (QTest::currentTestFailed())
        return;
    Program &program = *program_;
    MainModule &state = program.state;
    state.IncrTrack = 1;
    state.Track1Data = "ID";
    state.Track2Data = "12";
    state.Track3Data.clear();
    state.IncrNumber = 98;
    state.IncrStep = 1;
    state.IncrCount = 3;
    state.IncrSuffix = "Z";
    state.CancelRequested = false;
    cfrmWriteIncr batch(program.context());
    program.watcher.leaveAlone = &batch;
    batch.run(); // ends by itself after the third card
    QVERIFY(program.watcher.seen.isEmpty());
    for (const char *number : {"98", "99", "100"})
        QCOMPARE(waitForLine(QStringLiteral("card written")),
                 QStringLiteral(R"(card written: track 1 "ID%1Z", track 2 "12", track 3 blank)")
                     .arg(QLatin1String(number)));
    QCOMPARE(state.IncrCount, 0);
}

void TestEndToEnd::portHeldByAnotherProgram() {
    sim_.start(QStringLiteral(KVT_SIM_PROGRAM), {"--port", "1", "--background"});
    QVERIFY(!waitForLine(QStringLiteral("registered as port 1")).isEmpty());
    const QString device = SettingsStore().portOverride(1);
    QSerialPort other(device);
    QVERIFY(other.open(QIODevice::ReadWrite));
    QtCommControl port;
    QString why;
    port.setConfig(makePortConfig("1", "9600,o,7,1", SettingsStore(), why).value());
    QVERIFY(!port.open());
    QCOMPARE(port.openError(),
             QStringLiteral("Cannot open %1: it is in use by another program.").arg(device));
}

// One program for everything that runs kvt450-sim on a pseudo-terminal.
int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    TestEndToEnd program;
    TestSimProgram simulator;
    const int failed = QTest::qExec(&program, argc, argv);
    return failed + QTest::qExec(&simulator, argc, argv);
}
