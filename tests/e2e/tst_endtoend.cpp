#include "FakeRecords.h"
#include "ModalWatcher.h"

#include "app/MainModule.h"
#include "app/SettingsStore.h"
#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"
#include "link/EventPump.h"
#include "link/QtCommControl.h"
#include "link/Waiter.h"
#include "ui/frmCommSetup.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QByteArray DeckCard("B1234567890123456^END/TO END^3012|1234567890123456=3012|+\r\n");

// The program's parts as Main puts them together, with the real serial port, talking to
// kvt450-sim on a pseudo-terminal registered as port 1.
struct Program {
    MainModule state;
    SteadyClock clock;
    QtEventPump pump;
    Waiter waiter{state, clock, pump};
    SettingsStore store;
    FakeRecords records;
    ModalWatcher watcher;
    PromptWindow::Context context{state, waiter, records, [](QObject *parent) {
                                      return new QtCommControl(parent);
                                  }};

    Program() { state.initialise(); }

    bool setup(const char *mode) {
        QtCommControl port;
        QStringList errors;
        bool opened = false;
        frmCommSetup window(state, port, waiter, store,
                            {[&opened] { opened = true; }, [] {},
                             [&errors](const QString &why) {
                                 errors << why;
                             }});
        window.findChild<QComboBox *>("Combo1")->setEditText(QStringLiteral("1"));
        window.findChild<QRadioButton *>(QByteArray(mode) == "LRQ118" ? "Option2_1" : "Option2_0")
            ->setChecked(true);
        window.findChild<QPushButton *>("Command1")->click();
        if (!errors.isEmpty())
            qWarning() << errors;
        return opened;
    }

    // Runs action once done() holds, checking as the window's waits let events through.
    static void when(QObject *context, std::function<bool()> done, std::function<void()> action) {
        auto *timer = new QTimer(context);
        QObject::connect(timer, &QTimer::timeout, context, [timer, done, action] {
            if (!done())
                return;
            timer->stop();
            timer->deleteLater();
            action();
        });
        timer->start(10ms);
    }
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void readAndWrite_data();
    void readAndWrite();
    void encoderVanishesDuringRead();

private:
    void startSimulator(const QStringList &arguments);
    QString waitForLine(const QString &prefix, int ms = 15000);

    QTemporaryDir config_;
    QProcess sim_;
    QStringList seen_;
};

void TestEndToEnd::initTestCase() {
    QVERIFY(config_.isValid());
    // The program and the simulator share this store, as they share the user's own.
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    QVERIFY(SettingsStore::fileName().startsWith(config_.path()));
}

void TestEndToEnd::init() {
    seen_.clear();
    QFile::remove(SettingsStore::fileName());
}

void TestEndToEnd::cleanup() {
    if (sim_.state() != QProcess::NotRunning) {
        sim_.closeWriteChannel();
        sim_.terminate();
        sim_.waitForFinished(5000);
    }
}

void TestEndToEnd::startSimulator(const QStringList &arguments) {
    QFile deck(config_.filePath(QStringLiteral("deck.txt")));
    QVERIFY(deck.open(QIODevice::WriteOnly));
    deck.write(DeckCard);
    deck.close();
    sim_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim_.start(QStringLiteral(KVT_SIM_PROGRAM),
               QStringList{"--port", "1", "--deck", deck.fileName()} + arguments);
    QVERIFY(sim_.waitForStarted());
    QVERIFY(!waitForLine(QStringLiteral("registered as port 1")).isEmpty());
}

QString TestEndToEnd::waitForLine(const QString &prefix, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        while (sim_.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim_.readLine()).trimmed();
            seen_ << line;
            if (line.startsWith(prefix))
                return line;
        }
        sim_.waitForReadyRead(50);
    }
    qWarning() << "simulator said:" << seen_;
    return {};
}

void TestEndToEnd::readAndWrite_data() {
    QTest::addColumn<QString>("simMode");
    QTest::addColumn<QByteArray>("mode");
    QTest::newRow("LRQ118") << "lrq118" << QByteArray("LRQ118");
    QTest::newRow("KVT-380A") << "kvt380a" << QByteArray("KVT-380A");
}

void TestEndToEnd::readAndWrite() {
    QFETCH(QString, simMode);
    QFETCH(QByteArray, mode);
    const QString written = config_.filePath(QStringLiteral("written-%1.txt").arg(simMode));
    startSimulator({"--mode", simMode, "--auto-swipe", "1200", "--written", written});

    Program program;
    QVERIFY(program.setup(mode.constData()));
    QCOMPARE(program.state.EmulationMode, mode);

    {
        cfrmReadCard read(program.context);
        program.watcher.leaveAlone = &read;
        Program::when(
            &read, [&read] { return read.cardNumber() == 2; },
            [&read] { read.findChild<QPushButton *>("Command1_0")->click(); });
        read.run();
        QVERIFY(program.watcher.seen.isEmpty());
        QCOMPARE(program.records.track(3), QByteArray("B1234567890123456^END/TO END^3012"));
        QCOMPARE(program.records.track(4), QByteArray("1234567890123456=3012"));
        QCOMPARE(program.records.track(5), QByteArray("+"));
        QCOMPARE(program.records.length(5), QByteArray("0"));
    }
    {
        program.records.setTrack(0, "KEYED 42");
        program.records.setTrack(1, "4242=2412");
        program.records.setTrack(2, QByteArray());
        program.state.CancelRequested = false; // as the main window does before every command
        cfrmWriteCard write(program.context);
        program.watcher.leaveAlone = &write;
        Program::when(
            &write, [&write] { return write.cardNumber() == 2; },
            [&write] { write.findChild<QPushButton *>("Command1_0")->click(); });
        write.run();
        QVERIFY(program.watcher.seen.isEmpty());
        QCOMPARE(program.records.message(), QByteArray());
        QCOMPARE(program.records.track(3), QByteArray("KEYED 42"));
    }
    QVERIFY(!waitForLine(QStringLiteral("card written")).isEmpty());
    QFile record(written);
    QVERIFY(record.open(QIODevice::ReadOnly));
    QCOMPARE(record.readAll(), QByteArray("KEYED 42|4242=2412|+\r\n"));
}

void TestEndToEnd::encoderVanishesDuringRead() {
    startSimulator({"--mode", "lrq118"});
    Program program;
    QVERIFY(program.setup("LRQ118"));

    cfrmReadCard read(program.context);
    program.watcher.leaveAlone = &read;
    Program::when(
        &read,
        [this, said = std::make_shared<QByteArray>()] {
            *said += sim_.readAll();
            return said->contains("waiting for a swipe");
        },
        [this] { sim_.kill(); });
    read.run(); // ends by itself

    QCOMPARE(program.watcher.seen.size(), 1);
    QCOMPARE(program.watcher.seen[0].icon, QMessageBox::Warning);
    QVERIFY2(program.watcher.seen[0].text.contains(QLatin1String("/dev/pts/")),
             qPrintable(program.watcher.seen[0].text));
    QVERIFY(!read.isVisible());
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
