// Figures for the read, write and incremental-encode windows against kvt450-sim on a
// pseudo-terminal: the program's CPU while the read window waits for a swipe, and cards per
// minute for repeated writes and for a numbered batch, next to the most the command sets' own
// pauses allow.
#include "CpuTime.h"
#include "SimulatorRun.h"

#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"
#include "iso/cfrmWriteIncr.h"
#include "link/LinkRuntime.h"
#include "link/QtCommControl.h"

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

// A batch of CardsWritten + 1 numbered cards; the figure is taken from the first card
// written to the last, so the opening handshake does not count.
void incrementalBatch(const char *mode, const QString &simMode, int swipeMs,
                      double minimumSeconds) {
    QProcess sim;
    if (!startSimulator(sim, simMode, swipeMs)) {
        std::printf("%s batch: the simulator did not start\n", mode);
        return;
    }
    Program program(mode);
    MainModule &state = program.runtime.state;
    state.IncrTrack = 1;
    state.Track1Data = "BENCH ";
    state.Track2Data = "1234567890=2412";
    state.IncrNumber = 1;
    state.IncrStep = 1;
    state.IncrCount = CardsWritten + 1;
    cfrmWriteIncr batch(program.context);
    QElapsedTimer elapsed;
    qint64 firstCard = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &batch, [&] {
        if (state.IncrCount == CardsWritten && firstCard == 0)
            firstCard = elapsed.nsecsElapsed();
    });
    watch.start(1);
    elapsed.start();
    batch.run();
    // The window closes as soon as the last card is written.
    const qint64 lastCard = elapsed.nsecsElapsed();
    stop(sim);
    if (firstCard == 0 || state.IncrCount != 0) {
        std::printf("%s batch: ended early\n", mode);
        return;
    }
    const double perCard = double(lastCard - firstCard) / 1e9 / CardsWritten;
    std::printf("%s incremental batch: %.1f cards per minute with the swipe %d ms after the "
                "encoder asks (the mandated waits allow at most %.0f)\n",
                mode, 60.0 / perCard, swipeMs, 60.0 / minimumSeconds);
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchEnvironment environment;
    QApplication app(argc, argv);

    readWindowIdle();
    // LRQ118: a 0.5 s pause before each write frame. KVT-380A: a 0.3 s pause after each card.
    // The LRQ118 window empties the receive buffer right after the frame: an answer within
    // that moment would be lost with it, and no hand swipes that fast.
    repeatedWrites("LRQ118", QStringLiteral("lrq118"), 5, 0.5);
    repeatedWrites("KVT-380A", QStringLiteral("kvt380a"), 50, 0.3);
    // A batch card: LRQ118 the 0.5 s before the write frame and the 0.5 s after the card;
    // KVT-380A the 0.5 s after the card.
    const double writePause = std::chrono::duration<double>(IsoProtocol::WritePause).count();
    const double cardPause = std::chrono::duration<double>(cfrmWriteIncr::CardPause).count();
    incrementalBatch("LRQ118", QStringLiteral("lrq118"), 0, writePause + cardPause);
    incrementalBatch("KVT-380A", QStringLiteral("kvt380a"), 50, cardPause);
    return 0;
}
