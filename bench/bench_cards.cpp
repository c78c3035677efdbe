// Figures for the read and write windows against kvt450-sim on a pseudo-terminal: the
// program's CPU while the read window waits for a swipe, and cards per minute for repeated
// writes, next to the most the command sets' own pauses allow.
#include "CpuTime.h"
#include "SimulatorRun.h"

#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int WaitSeconds = 5;
constexpr int CardsWritten = 12;

void readWindowIdle() {
    QProcess sim;
    if (!startSimulator(sim, QStringLiteral("lrq118"), -1)) {
        std::puts("read window: the simulator did not start");
        return;
    }
    Program program("LRQ118");
    cfrmReadCard read(program.context);
    double cpu = 0;
    double wall = 0;
    QTimer::singleShot(1000, &read, [&] {
        const double cpuStart = cpuSeconds();
        QElapsedTimer elapsed;
        elapsed.start();
        QTimer::singleShot(WaitSeconds * 1000, &read, [&, cpuStart, elapsed] {
            cpu = cpuSeconds() - cpuStart;
            wall = double(elapsed.nsecsElapsed()) / 1e9;
            read.findChild<QPushButton *>("Command1_0")->click();
        });
    });
    read.run();
    stop(sim);
    std::printf("read window waiting %d s for a swipe: %.2f %% of one core (target < 2 %%)\n",
                WaitSeconds, 100.0 * cpu / wall);
}

void repeatedWrites(const char *mode, const QString &simMode, int swipeMs, double minimumSeconds) {
    QProcess sim;
    if (!startSimulator(sim, simMode, swipeMs)) {
        std::printf("%s writes: the simulator did not start\n", mode);
        return;
    }
    Program program(mode);
    program.records.setTrack(0, "BENCH CARD");
    program.records.setTrack(1, "1234567890=2412");
    cfrmWriteCard write(program.context);
    const double perCard = secondsPerCard(
        write, [&write] { return write.cardNumber() - 1; }, CardsWritten);
    stop(sim);
    std::printf("%s: %.1f cards per minute with the swipe %d ms after the encoder asks "
                "(the command set's own pauses allow at most %.0f)\n",
                mode, 60.0 / perCard, swipeMs, 60.0 / minimumSeconds);
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchEnvironment environment;
    QApplication app(argc, argv);

    readWindowIdle();
    // LRQ118: a 0.5 s pause before each write frame. KVT-380A: a 0.3 s pause after each card.
    repeatedWrites("LRQ118", QStringLiteral("lrq118"), 0, 0.5);
    repeatedWrites("KVT-380A", QStringLiteral("kvt380a"), 50, 0.3);
    return 0;
}
