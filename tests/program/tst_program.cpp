#include <QIcon>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The expected exit code of a program that is still waiting for the operator.
constexpr int StillRunning = -1;
constexpr int StartWaitMs = 1500;

} // namespace

// kvt450 as it is started from a console or from the desktop's menu.
class TestProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandLine_data();
    void commandLine();
    void applicationIcon_data();
    void applicationIcon();
};

void TestProgram::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");

    // "xcb" without a display: anything that reaches the window system fails.
    const QString version = QStringLiteral("kvt450 (KVT-450 Series Utility) " KVT_VERSION "\n");
    QTest::newRow("version without a display")
        << QStringList{"--version"} << "xcb" << 0 << version << "";
    QTest::newRow("help without a display")
        << QStringList{"--help"} << "xcb" << 0 << "Usage: kvt450 [--help | --version]\n"
        << "";
    QTest::newRow("short help") << QStringList{"-h"} << "xcb" << 0
                                << "Usage: kvt450 [--help | --version]\n"
                                << "";
    QTest::newRow("version after a Qt option")
        << QStringList{"-style", "fusion", "--version"} << "xcb" << 0 << version << "";
    QTest::newRow("misspelt option")
        << QStringList{"--verison"} << "offscreen" << 2 << ""
        << "kvt450: unknown argument '--verison'\nTry 'kvt450 --help'.\n";
    QTest::newRow("file name") << QStringList{"cards.txt"} << "offscreen" << 2 << ""
                               << "kvt450: unknown argument 'cards.txt'\n";
    QTest::newRow("no arguments") << QStringList{} << "offscreen" << StillRunning << ""
                                  << "";
    QTest::newRow("Qt's platform option")
        << QStringList{"-platform", "offscreen"} << "xcb" << StillRunning << ""
        << "";
}

// The help is compared by its first line; a complaint may follow Qt's own notes.
void TestProgram::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);

    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("QT_QPA_PLATFORM", platform);
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(KVT_PROGRAM, arguments);
    QVERIFY(program.waitForStarted());
    if (exitCode == StillRunning) {
        QVERIFY2(!program.waitForFinished(StartWaitMs), program.readAllStandardError());
        program.kill();
        program.waitForFinished();
        return;
    }
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString printed = QString::fromLocal8Bit(program.readAllStandardOutput());
    QCOMPARE(printed.left(output.size()), output);
    QCOMPARE(printed.isEmpty(), output.isEmpty());
    const QString complaint = QString::fromLocal8Bit(program.readAllStandardError());
    if (error.isEmpty())
        QCOMPARE(complaint, QString());
    else
        QVERIFY2(complaint.contains(error), qPrintable(complaint));
}

void TestProgram::applicationIcon_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("menu") << 16;
    QTest::newRow("title bar") << 32;
    QTest::newRow("launcher") << 48;
    QTest::newRow("software centre") << 256;
}

// The window icon and the installed icon are one SVG: it needs Qt's SVG icon engine at run
// time, and must draw a card on a clear background at every size a desktop asks for.
void TestProgram::applicationIcon() {
    QFETCH(int, size);
    const QImage image = QIcon(":/icons/kvt450.svg").pixmap(size, size).toImage();
    QVERIFY2(!image.isNull(), "the SVG icon engine (libqt6svg6) is missing");
    QCOMPARE(image.size(), QSize(size, size));
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(size / 2, size / 2).alpha(), 255);
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
