#include "SimProgramTests.h"
#include "SimLines.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Sends bytes on the port and waits for count bytes of reply.
QByteArray exchange(QSerialPort &port, const QByteArray &bytes, qsizetype count) {
    port.write(bytes);
    port.waitForBytesWritten(1000);
    QByteArray reply;
    const QDeadlineTimer deadline(10000);
    while (reply.size() < count && !deadline.hasExpired()) {
        if (port.bytesAvailable() > 0 || port.waitForReadyRead(100))
            reply += port.readAll();
    }
    return reply;
}

} // namespace

void TestSimProgram::pacedCustomWriteReportedAndRecorded() {
    QTemporaryDir dir;
    const QString written = dir.filePath("written.txt");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(KVT_SIM_PROGRAM, {"--mode", "kvt380a", "--auto-swipe", "300", "--written", written,
                                "--background", "--line-speed", "--baud", "1200"});
    const QString device = waitForLine(sim, "device: ").mid(8);
    QVERIFY(waitForLine(sim, "KVT-380A encoder")
                .endsWith("answers paced at 1200 baud (10 bits, 8.3 ms a byte)"));
    QSerialPort port(device);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    // Reset, density 75 BPI, then track 3's value 0B in 5 bits.
    const std::pair<QByteArray, QByteArray> steps[] = {{"\x7f", ":"},
                                                       {";30", "^"},
                                                       {"G5", "^"},
                                                       {QByteArray(6, '\0'), ""},
                                                       {QByteArray::fromHex("0b04"), "^"},
                                                       {"@", "^^"}};
    for (const auto &[bytes, answer] : steps)
        QCOMPARE(exchange(port, bytes, answer.size()), answer);
    QCOMPARE(waitForLine(sim, "wrote track"), QString("wrote track 3: 0B (custom 5-bit, 75 BPI)"));
    QVERIFY(!waitForLine(sim, "card written").isEmpty());
    QFile file(written);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("+|+|{5@75}0B\r\n"));
    sim.terminate();
    QVERIFY(sim.waitForFinished());
}

void TestSimProgram::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::newRow("unknown option")
        << QStringList{"--bogus", "1"} << 2
        << "kvt450-sim: unknown option: --bogus (see kvt450-sim --help)";
    QTest::newRow("unknown last option")
        << QStringList{"--mode", "lrq118", "--bogus"} << 2 << "unknown option: --bogus";
    QTest::newRow("stray word") << QStringList{"lrq118"} << 2 << "unknown option: lrq118";
    QTest::newRow("option without its value")
        << QStringList{"--deck"} << 2 << "--deck needs a value";
    QTest::newRow("help: every command on its own line")
        << QStringList{"--help"} << 0
        << "\n  blank                  put a blank card in the slot\n";
    QTest::newRow("help: the track notation") << QStringList{"-h"} << 0 << "{6@75}0B 3F";
}

void TestSimProgram::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QProcess sim;
    sim.start(KVT_SIM_PROGRAM, args);
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), exitCode);
    const QString output = QString::fromLocal8Bit(exitCode == 0 ? sim.readAllStandardOutput()
                                                                : sim.readAllStandardError());
    QVERIFY2(output.contains(said), qPrintable(output));
}

// A person at the simulator: a deck with LF line ends, help, and a card that cannot be.
void TestSimProgram::operatorCommands() {
    QTemporaryDir dir;
    QFile deck(dir.filePath("deck.txt"));
    QVERIFY(deck.open(QIODevice::WriteOnly));
    deck.write("ONE|1|+\nTWO|{t1}X|{6}3F\n");
    deck.close();
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(KVT_SIM_PROGRAM, {"--mode", "lrq118", "--deck", deck.fileName()});
    QCOMPARE(waitForLine(sim, "Speaking"), QString("Speaking the LRQ118 command set."));
    QVERIFY(waitForLine(sim, "LRQ118 encoder").startsWith("LRQ118 encoder, deck of 2 cards"));
    sim.write("help\ncard AB|12A|+\ncard AB|{7}41 05|{t1}C\nshow\nquit\n");
    QVERIFY(!waitForLine(sim, "swipe ").isEmpty());
    QVERIFY(!waitForLine(sim, "card T1|T2|T3 ").isEmpty());
    QVERIFY(!waitForLine(sim, "quit ").isEmpty());
    // The problems and the card are told as the simulator's card tests show them.
    QVERIFY(waitForLine(sim, "card ").startsWith("card not put in the slot: track 2: character 3"));
    QVERIFY(
        waitForLine(sim, "card ").startsWith(R"(card in the slot: track 1 "AB", track 2 41 05)"));
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitCode(), 0);
}

// The simulator registers its port under a number, so the program finds it like any
// encoder. Killed with SIGKILL it cannot put the operator's mapping back; the next one does,
// and gives its own number's mapping back when it ends.
void TestSimProgram::killedSimulatorsRegistrationPutBack() {
    QTemporaryDir config;
    const QString settingsFile = config.filePath("KVT450/KVT450.conf");
    const auto value = [&settingsFile](const QString &key) {
        return QSettings(settingsFile, QSettings::IniFormat).value(key, "<none>").toString();
    };
    QSettings(settingsFile, QSettings::IniFormat).setValue("Ports/COM7", "/dev/ttyUSB9");
    QSettings(settingsFile, QSettings::IniFormat).setValue("Ports/COM8", "/dev/ttyUSB8");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    QProcess killed;
    killed.setProcessEnvironment(env);
    killed.start(KVT_SIM_PROGRAM, {"--port", "7", "--background"});
    const QString device = waitForLine(killed, "device: ").mid(8);
    QVERIFY(!waitForLine(killed, "registered as port 7").isEmpty());
    killed.kill();
    QVERIFY(killed.waitForFinished());
    QCOMPARE(value("Ports/COM7"), device);
    QCOMPARE(value("Simulator/COM7/Device"), device);
    QCOMPARE(value("Simulator/COM7/Earlier"), QString("/dev/ttyUSB9"));

    QProcess next;
    next.setProcessEnvironment(env);
    next.start(KVT_SIM_PROGRAM, {"--port", "8", "--background"});
    QCOMPARE(waitForLine(next, "port 7 "),
             QString("port 7 was left registered to %1 by a simulator that did not end cleanly; "
                     "it is back to /dev/ttyUSB9")
                 .arg(device));
    const QString nextDevice = waitForLine(next, "device: ").mid(8);
    QVERIFY(!waitForLine(next, "registered as port 8").isEmpty());
    QCOMPARE(value("Ports/COM7"), QString("/dev/ttyUSB9"));
    QCOMPARE(value("Simulator/COM7/Device"), QString("<none>"));
    QCOMPARE(value("Ports/COM8"), nextDevice);
    next.terminate();
    QVERIFY(next.waitForFinished());
    QCOMPARE(next.exitStatus(), QProcess::NormalExit);
    QCOMPARE(value("Ports/COM8"), QString("/dev/ttyUSB8"));
    QVERIFY(!QSettings(settingsFile, QSettings::IniFormat).childGroups().contains("Simulator"));
}
