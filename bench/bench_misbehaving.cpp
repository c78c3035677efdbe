// CPU the program uses while the read window deals with an encoder that misbehaves, against
// kvt450-sim on a pseudo-terminal: silent, answering with garbage, or answering every read
// request with "^^" (a retry storm). The error windows a failed read brings are answered at
// once, as the busiest operator would.
#include "CpuTime.h"
#include "SimulatorRun.h"

#include "iso/cfrmReadCard.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int WarmUpMs = 2000;
constexpr int MeasuredMs = 6000;
// How soon the operator closes an error window; looking more often would cost the
// benchmark itself more than the program under test uses.
constexpr int AnswerEveryMs = 100;

struct Misbehaviour {
    const char *name;
    const char *mode;
    const char *simMode;
    int swipeMs;       // -1: no swipe
    const char *fault; // a kvt450-sim command
    int faultAtMs;     // after the read window opened
};

const Misbehaviour Cases[] = {
    {"silent, LRQ118", "LRQ118", "lrq118", -1, "fault silent", 0},
    // After the opening exchange, which a silent KVT-380A encoder would fail.
    {"silent, KVT-380A", "KVT-380A", "kvt380a", -1, "fault silent", 1000},
    {"garbage for every swipe, LRQ118", "LRQ118", "lrq118", 0,
     "fault wrong 1b72 2a1b0155aa00ff1b always", 0},
    {"garbage to every P, KVT-380A", "KVT-380A", "kvt380a", -1, "fault wrong 50 2a4a00ff always",
     0},
    {"retry storm, ^^ to every P, KVT-380A", "KVT-380A", "kvt380a", -1,
     "fault wrong 50 5e5e always", 0},
};

void measure(const Misbehaviour &how) {
    QProcess sim;
    if (!startSimulator(sim, QString::fromLatin1(how.simMode), how.swipeMs, {}, true)) {
        std::printf("%s: the simulator did not start\n", how.name);
        return;
    }
    int faults = 0;
    QObject::connect(&sim, &QProcess::readyReadStandardOutput, &sim, [&sim, &faults] {
        while (sim.canReadLine())
            faults += sim.readLine().startsWith("fault: ") ? 1 : 0;
    });
    Program program(how.mode);
    cfrmReadCard read(program.context);
    int errorWindows = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, &read, [&read, &errorWindows] {
        auto *error = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (error != nullptr && error != &read) {
            ++errorWindows;
            error->close();
        }
    });
    answer.start(AnswerEveryMs);
    QTimer::singleShot(how.faultAtMs, &read,
                       [&sim, &how] { sim.write(QByteArray(how.fault) + "\n"); });
    double cpu = 0;
    double wall = 0;
    int faultsMeasured = 0;
    QTimer::singleShot(WarmUpMs, &read, [&] {
        const double cpuStart = cpuSeconds();
        const int faultsStart = faults;
        QElapsedTimer elapsed;
        elapsed.start();
        QTimer::singleShot(MeasuredMs, &read, [&, cpuStart, faultsStart, elapsed] {
            cpu = cpuSeconds() - cpuStart;
            wall = double(elapsed.nsecsElapsed()) / 1e9;
            faultsMeasured = faults - faultsStart;
            read.findChild<QPushButton *>("Command1_0")->click();
        });
    });
    read.run();
    stop(sim);
    std::printf("%-38s %5.2f %% of one core (target < 2 %%), %6.1f faulty exchanges a second, "
                "%d error windows\n",
                how.name, 100.0 * cpu / wall, faultsMeasured / wall, errorWindows);
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchEnvironment environment;
    QApplication app(argc, argv);
    std::printf("The read window for %.0f s with an encoder that misbehaves:\n",
                MeasuredMs / 1000.0);
    for (const Misbehaviour &how : Cases)
        measure(how);
    return 0;
}
