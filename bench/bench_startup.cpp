// Start-up figure: from the process start to the setup window painted on screen.
#include "app/SettingsStore.h"
#include "link/LinkRuntime.h"
#include "link/QtCommControl.h"
#include "link/SerialPorts.h"
#include "ui/frmCommSetup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// Seconds since the process was started, from the kernel's record of it.
double sinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double uptime = double(now.tv_sec) + double(now.tv_nsec) / 1e9;
    return uptime - startTicks / double(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    LinkRuntime runtime;
    QtCommControl port;
    SettingsStore store;
    // The system's device list, as the program reads it at start.
    const SystemSerialPorts serialPorts;
    frmCommSetup setup(runtime.state, runtime.port, port, runtime.waiter, store, serialPorts,
                       {[] {}, [] {}, [](const QString &) {},
                        [](const QString &) {
                        }});
    setup.show();
    setup.repaint();
    QApplication::processEvents();
    std::printf("start-up to setup window shown: %.3f s (target < 0.5 s; the process start is "
                "known to 1/%ld s)\n",
                sinceProcessStart(), sysconf(_SC_CLK_TCK));
    return 0;
}
