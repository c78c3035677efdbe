// Figures for the copy and erase windows against kvt450-sim on a pseudo-terminal: cards per
// minute for repeated copies and erases with the card swiped as soon as the encoder asks,
// next to the most the waits the command sets mandate allow.
#include "SimulatorRun.h"

#include "iso/cfrmCopyCard.h"
#include "iso/frmEraseCard.h"

#include <QApplication>

#include <chrono>
#include <cstdio>

namespace {

using Seconds = std::chrono::duration<double>;

constexpr int Cards = 10;

struct Line {
    const char *mode;
    QString simMode;
    // KVT-380A: the acknowledgement of P and the swipe's "^" must come as two answers.
    int swipeMs;
};

const Line Lrq118{"LRQ118", QStringLiteral("lrq118"), 0};
const Line Kvt380a{"KVT-380A", QStringLiteral("kvt380a"), 50};

void report(const char *what, const Line &line, double secondsPerCard, Duration minimum) {
    std::printf("%s, %s: %.1f cards per minute with the swipe %d ms after the encoder asks "
                "(the mandated waits allow at most %.1f)\n",
                what, line.mode, 60.0 / secondsPerCard, line.swipeMs,
                60.0 / Seconds(minimum).count());
}

void repeatedCopies(const Line &line, Duration minimum) {
    QProcess sim;
    if (!startSimulator(sim, line.simMode, line.swipeMs,
                        {"--deck", QStringLiteral(KVT_SAMPLE_DECK)})) {
        std::printf("%s copies: the simulator did not start\n", line.mode);
        return;
    }
    Program program(line.mode);
    cfrmCopyCard copy(program.context);
    // A copy is done when the write's message appears; it stays until the next read phase.
    int copies = 0;
    bool shown = false;
    const double perCard = secondsPerCard(
        copy,
        [&] {
            const bool written = program.records.message().startsWith("\r\nWrite complete.");
            if (written && !shown)
                ++copies;
            shown = written;
            return copies;
        },
        Cards);
    stop(sim);
    report("copies", line, perCard, minimum);
}

void repeatedErases(const Line &line, Duration minimum) {
    QProcess sim;
    if (!startSimulator(sim, line.simMode, line.swipeMs)) {
        std::printf("%s erases: the simulator did not start\n", line.mode);
        return;
    }
    Program program(line.mode);
    program.runtime.state.EraseTrackMask = frmEraseCard::AllTracks;
    frmEraseCard erase(program.context);
    const double perCard = secondsPerCard(
        erase, [&erase] { return erase.cardNumber() - 1; }, Cards);
    stop(sim);
    report("erases", line, perCard, minimum);
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchEnvironment environment;
    QApplication app(argc, argv);

    using P = IsoProtocol;
    // LRQ118 copy: the read's pause and settle, the write's pause. KVT-380A copy: the read's
    // pause and three tracks, each collected until 0.3 s of silence.
    repeatedCopies(Lrq118, CopyReadPause + CopyReadSettle + P::WritePause);
    repeatedCopies(Kvt380a, CopyReadPause + 3 * CollectSilence);
    // Erase: the 2 s before the next card, the settle after the command and, LRQ118, the
    // pause before it.
    repeatedErases(Lrq118, P::ErasePause + P::EraseSettle + frmEraseCard::NextCardPause);
    repeatedErases(Kvt380a, P::EraseSettle + frmEraseCard::NextCardPause);
    return 0;
}
