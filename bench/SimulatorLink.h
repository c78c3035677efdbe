#pragma once

// kvt450-sim on a pseudo-terminal registered as port 1, and the program's link to it, as the
// benchmarks that run real windows against it share them.
#include "FakeRecords.h"

#include "app/SettingsStore.h"
#include "link/LinkRuntime.h"
#include "link/QtCommControl.h"
#include "ui/PromptWindow.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

// Made before the application: the settings, where the simulator registers its port, are
// kept apart from the operator's, and no window is shown.
class SimulatorHome {
public:
    SimulatorHome() {
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

private:
    QTemporaryDir config_;
};

// Starts the simulator in the command set mode ("lrq118" or "kvt380a"), swiping swipeMs after
// each request (none when negative). With takesCommands it reads fault commands from its
// standard input.
inline bool startSimulator(QProcess &sim, const QString &mode, int swipeMs,
                           bool takesCommands = false) {
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{"--port", "1", "--mode", mode};
    if (!takesCommands)
        arguments << "--background";
    if (swipeMs >= 0)
        arguments << "--auto-swipe" << QString::number(swipeMs);
    sim.start(QStringLiteral(KVT_SIM_PROGRAM), arguments);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && sim.waitForReadyRead(int(deadline.remainingTime())))
        if (sim.readAll().contains("registered as port 1"))
            return true;
    return false;
}

inline void stopSimulator(QProcess &sim) {
    sim.terminate();
    sim.waitForFinished(5000);
}

// The running program's state, waits and records, with port 1 at 9600 baud.
struct Program {
    LinkRuntime runtime;
    FakeRecords records;
    PromptWindow::Context context{runtime.state, runtime.waiter, records, runtime.port,
                                  [](QObject *parent) {
                                      return new QtCommControl(parent);
                                  }};

    explicit Program(const char *mode) {
        runtime.state.EmulationMode = mode;
        QString why;
        runtime.port = makePortConfig("1", "9600,n,8,1", SettingsStore(), why).value();
    }
};
