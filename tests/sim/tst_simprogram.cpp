#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// kvt450-sim as an operator starts it, on a real pseudo-terminal opened with QSerialPort.
class TestSimProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void lrq118Read();
    void kvt380aWriteWithPortRegistered();
    void signalPutsSettingsBack();
    void helpAndBadOptions_data();
    void helpAndBadOptions();

private:
    void start(QProcess &sim, const QStringList &arguments);
    // The first line of the simulator's output that starts with prefix, waiting for it.
    QString waitForLine(QProcess &sim, const QString &prefix);
    QByteArray readReply(QSerialPort &port, qsizetype count);
    static void send(QSerialPort &port, const QByteArray &bytes);
    static void tell(QProcess &sim, const QByteArray &line);
    bool openPort(QSerialPort &port, const QString &device);
    [[nodiscard]] QString settingsFile() const;

    std::unique_ptr<QTemporaryDir> config_;
    QStringList seen_;
};

void TestSimProgram::init() {
    config_ = std::make_unique<QTemporaryDir>();
    QVERIFY(config_->isValid());
    seen_.clear();
}

void TestSimProgram::start(QProcess &sim, const QStringList &arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_->path());
    sim.setProcessEnvironment(env);
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(KVT_SIM_PROGRAM), arguments);
    QVERIFY(sim.waitForStarted());
}

QString TestSimProgram::waitForLine(QProcess &sim, const QString &prefix) {
    const QDeadlineTimer deadline(10000);
    for (;;) {
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            seen_ << line;
            if (line.startsWith(prefix))
                return line;
        }
        if (deadline.hasExpired() || !sim.waitForReadyRead(int(deadline.remainingTime()))) {
            qWarning() << "output so far:" << seen_;
            return {};
        }
    }
}

QByteArray TestSimProgram::readReply(QSerialPort &port, qsizetype count) {
    QByteArray reply;
    const QDeadlineTimer deadline(10000);
    while (reply.size() < count && !deadline.hasExpired()) {
        if (port.bytesAvailable() > 0 || port.waitForReadyRead(100))
            reply += port.readAll();
    }
    return reply;
}

void TestSimProgram::send(QSerialPort &port, const QByteArray &bytes) {
    port.write(bytes);
    while (port.bytesToWrite() > 0 && port.waitForBytesWritten(1000)) {
    }
}

void TestSimProgram::tell(QProcess &sim, const QByteArray &line) {
    sim.write(line + '\n');
    while (sim.bytesToWrite() > 0 && sim.waitForBytesWritten(1000)) {
    }
}

bool TestSimProgram::openPort(QSerialPort &port, const QString &device) {
    port.setPortName(device);
    return port.open(QIODevice::ReadWrite) && port.setBaudRate(9600) &&
           port.setDataBits(QSerialPort::Data8) && port.setParity(QSerialPort::NoParity);
}

QString TestSimProgram::settingsFile() const {
    return config_->filePath(QStringLiteral("KVT450/KVT450.conf"));
}

void TestSimProgram::lrq118Read() {
    QProcess sim;
    start(sim, {"--mode", "lrq118"});
    const QString device = waitForLine(sim, "device: ").mid(8);
    QVERIFY(device.startsWith("/dev/"));
    tell(sim, "card ABC|123|+");
    QVERIFY(!waitForLine(sim, "card in the slot").isEmpty());

    QSerialPort port;
    QVERIFY2(openPort(port, device), qPrintable(port.errorString()));
    send(port, QByteArray::fromHex("1b65"));
    QCOMPARE(readReply(port, 2), QByteArray::fromHex("1b79"));
    send(port, QByteArray::fromHex("1b72"));
    QVERIFY(!waitForLine(sim, "waiting for a swipe to read").isEmpty());
    tell(sim, "swipe");
    const QByteArray expected =
        QByteArray::fromHex("1b73 1b01 254142433f 1b02 3b3132333f 1b03 3b2b3f 1c 1b30");
    QCOMPARE(readReply(port, expected.size()), expected);
    QCOMPARE(waitForLine(sim, "card read"),
             QString("card read: track 1 \"ABC\", track 2 \"123\", track 3 blank"));

    sim.closeWriteChannel();
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFile::exists(settingsFile()));
}

void TestSimProgram::kvt380aWriteWithPortRegistered() {
    {
        QSettings store(settingsFile(), QSettings::IniFormat);
        store.setValue("Ports/COM7", "/dev/ttyUSB9");
        store.setValue("Comm/Port", "7");
    }
    const QString written = config_->filePath("written.txt");
    QProcess sim;
    start(sim, {"--mode", "kvt380a", "--port", "7", "--written", written, "--auto-swipe", "300"});
    const QString device = waitForLine(sim, "device: ").mid(8);
    QVERIFY(!waitForLine(sim, "registered as port 7").isEmpty());
    QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value("Ports/COM7").toString(),
             device);

    QSerialPort port;
    QVERIFY2(openPort(port, device), qPrintable(port.errorString()));
    for (const QByteArray &bytes : {QByteArray("\x7f"), QByteArray("A"), QByteArray("NEW 1\x04"),
                                    QByteArray("C"), QByteArray("42\x04"), QByteArray("@")}) {
        send(port, bytes);
        QCOMPARE(readReply(port, 1), QByteArray(bytes == "\x7f" ? ":" : "^"));
    }
    QCOMPARE(readReply(port, 1), QByteArray("^"));
    QCOMPARE(waitForLine(sim, "card written"),
             QString("card written: track 1 \"NEW 1\", track 2 blank, track 3 \"42\""));
    port.close();

    sim.closeWriteChannel();
    QVERIFY(sim.waitForFinished());
    QFile file(written);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("NEW 1|+|42\r\n"));
    const QSettings store(settingsFile(), QSettings::IniFormat);
    QCOMPARE(store.value("Ports/COM7").toString(), QString("/dev/ttyUSB9"));
    QCOMPARE(store.value("Comm/Port").toString(), QString("7"));
}

void TestSimProgram::signalPutsSettingsBack() {
    QProcess sim;
    start(sim, {"--port", "3"});
    QVERIFY(!waitForLine(sim, "registered as port 3").isEmpty());
    QVERIFY(QSettings(settingsFile(), QSettings::IniFormat).contains("Ports/COM3"));
    sim.terminate();
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QVERIFY(!QSettings(settingsFile(), QSettings::IniFormat).contains("Ports/COM3"));
}

void TestSimProgram::helpAndBadOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("unknown mode") << QStringList{"--mode", "xyz"} << 2;
    QTest::newRow("port not a number") << QStringList{"--port", "COM1"} << 2;
    QTest::newRow("missing value") << QStringList{"--auto-swipe"} << 2;
    QTest::newRow("no such deck") << QStringList{"--deck", "/nonexistent/deck.txt"} << 2;
}

void TestSimProgram::helpAndBadOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QProcess sim;
    start(sim, arguments);
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitCode(), exitCode);
    if (exitCode != 0)
        return;
    const QList<QByteArray> lines = sim.readAllStandardOutput().split('\n');
    QVERIFY(lines.size() <= 40);
    for (const QByteArray &line : lines)
        QVERIFY2(line.size() < 80, line.constData());
    for (const char *word : {"--mode", "--port", "--deck", "--auto-swipe", "--written", "swipe",
                             "card T1|T2|T3", "blank", "fault", "show"})
        QVERIFY2(lines.join('\n').contains(word), word);
}

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_simprogram.moc"
