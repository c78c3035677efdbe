#pragma once

#include "FakeRecords.h"

#include "app/SettingsStore.h"
#include "link/LinkRuntime.h"
#include "link/QtCommControl.h"
#include "ui/PromptWindow.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

// What the card benchmarks share: kvt450-sim on a pseudo-terminal as port 1, and the
// program's parts put together as Main does, with the records kept without a main window.

// Made before the application object: a settings store of the benchmark's own, shared with
// the simulator, and windows drawn off screen.
struct BenchEnvironment {
    BenchEnvironment() {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir config;
};

// swipeMs < 0: no automatic swipe.
inline bool startSimulator(QProcess &sim, const QString &mode, int swipeMs,
                           const QStringList &more = {}) {
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments = QStringList{"--port", "1", "--mode", mode, "--background"} + more;
    if (swipeMs >= 0)
        arguments << "--auto-swipe" << QString::number(swipeMs);
    sim.start(QStringLiteral(KVT_SIM_PROGRAM), arguments);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && sim.waitForReadyRead(int(deadline.remainingTime())))
        if (sim.readAll().contains("registered as port 1"))
            return true;
    return false;
}

inline void stop(QProcess &sim) {
    sim.terminate();
    sim.waitForFinished(5000);
}

// Presses the window's Cancel button once done() holds, checking every 10 ms.
inline void cancelWhen(PromptWindow &window, std::function<bool()> done) {
    auto *timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, timer, done] {
        if (done()) {
            timer->stop();
            window.findChild<QPushButton *>("Command1_0")->click();
        }
    });
    timer->start(10);
}

// Runs window until cardsDone() has counted `cards` more cards after the first one, then
// presses Cancel; returns the seconds per card.
inline double secondsPerCard(PromptWindow &window, const std::function<int()> &cardsDone,
                             int cards) {
    QElapsedTimer elapsed;
    qint64 firstCard = 0;
    cancelWhen(window, [&] {
        if (cardsDone() == 1 && firstCard == 0)
            firstCard = elapsed.nsecsElapsed();
        return cardsDone() > cards;
    });
    elapsed.start();
    window.run();
    return double(elapsed.nsecsElapsed() - firstCard) / 1e9 / cards;
}

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
