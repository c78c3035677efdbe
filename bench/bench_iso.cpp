// Time the protocol spends on one card against the in-process encoder, beyond the waits
// the command sets mandate and the operator's swipe. Two figures per card:
// - cpu: the waits run on a fake clock and cost no real time, so the wall time measured is
//   the work of the protocol, the pump and the encoder model;
// - real time: the fake clock follows the steady clock and every poll really sleeps as the
//   program's pump does; the wall time minus the mandated time (the same card timed on a
//   fine fake clock) is what an operator waits for in addition.
#include "FakeTime.h"
#include "ModelPort.h"

#include "app/MainModule.h"
#include "link/IsoProtocol.h"
#include "link/Waiter.h"

#include "link/EventPump.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The real event pump sleeps about this long per poll when nothing is pending.
constexpr Duration PollTick = 4ms;
constexpr Duration FineTick = 10us;
constexpr Duration SwipeDelay = 300ms;
constexpr double TargetMs = 10.0;

class NoPrompt final : public SwipePrompt {
public:
    void showSwipePrompt(bool) override {}
    void portFailed(const QString &) override {}
};

// Moves the fake clock with the steady clock, sleeping as the program's pump does.
class RealTimePump final : public EventPump {
public:
    explicit RealTimePump(FakeClock &clock) : clock_(clock) {}
    void yield() override {
        const auto start = std::chrono::steady_clock::now();
        qt_.yield();
        clock_.advance(std::chrono::steady_clock::now() - start);
    }
    void processPending() override {
        const auto start = std::chrono::steady_clock::now();
        qt_.processPending();
        clock_.advance(std::chrono::steady_clock::now() - start);
    }
    void idle(CommControl *, Duration max) override {
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::min<Duration>(max, 5ms));
        clock_.advance(std::chrono::steady_clock::now() - start);
    }

private:
    FakeClock &clock_;
    QtEventPump qt_;
};

class SwitchPump final : public EventPump {
public:
    void yield() override { current->yield(); }
    void processPending() override { current->processPending(); }
    void idle(CommControl *port, Duration max) override { current->idle(port, max); }
    EventPump *current = nullptr;
};

std::map<std::string, double> figures;

double perCardMs(Duration total, benchmark::IterationCount n) {
    return std::chrono::duration<double, std::milli>(total).count() / static_cast<double>(n);
}

struct Bench {
    Bench(EncoderModel::CommandSet set, const IsoProtocol::Options &options)
        : port(clock, set), session(state, port, waiter, prompt, config),
          protocol(session, options) {
        pump.current = &polling;
        state.EmulationMode = set == EncoderModel::CommandSet::Kvt380a ? "KVT-380A" : "LRQ118";
        port.model().setAutoSwipe(SwipeDelay);
        port.model().insertCard(Card::fromTexts("B4111111111111111^CARD/TEST^2912",
                                                "4111111111111111=2912", "011234567890"));
        port.open();
    }

    MainModule state;
    FakeClock clock;
    FakePump polling{clock, PollTick};
    FakePump fine{clock, FineTick};
    RealTimePump realTime{clock};
    SwitchPump pump;
    ModelPort port;
    Waiter waiter{clock, pump};
    NoPrompt prompt;
    PortConfig config;
    LinkSession session;
    IsoProtocol protocol;
};

using CardRun = std::function<SwipeResult(Bench &)>;

bool runCard(benchmark::State &st, Bench &bench, const CardRun &card) {
    if (card(bench) == SwipeResult::Done)
        return true;
    st.SkipWithError("the card failed");
    return false;
}

void cpu(benchmark::State &st, const std::string &name, Bench &bench, const CardRun &card) {
    Duration real{};
    for (auto _ : st) {
        const auto start = std::chrono::steady_clock::now();
        if (!runCard(st, bench, card))
            return;
        real += std::chrono::steady_clock::now() - start;
    }
    figures[name + ", cpu"] = st.counters["overhead_ms"] = perCardMs(real, st.iterations());
}

void realTime(benchmark::State &st, const std::string &name, Bench &bench, const CardRun &card) {
    bench.pump.current = &bench.fine;
    const Duration fineStart = bench.clock.now();
    if (!runCard(st, bench, card))
        return;
    const Duration mandated = bench.clock.now() - fineStart;
    bench.pump.current = &bench.realTime;
    Duration real{};
    for (auto _ : st) {
        const auto start = std::chrono::steady_clock::now();
        if (!runCard(st, bench, card))
            return;
        real += std::chrono::steady_clock::now() - start;
    }
    st.counters["mandated_ms"] = perCardMs(mandated, 1);
    figures[name + ", real time"] = st.counters["overhead_ms"] =
        perCardMs(real, st.iterations()) - perCardMs(mandated, 1);
}

SwipeResult read(Bench &bench) {
    return bench.protocol.ReadTracks();
}

SwipeResult write(Bench &bench) {
    return bench.protocol.WriteTracks("B4111111111111111^CARD/TEST^2912", "4111111111111111=2912",
                                      "011234567890");
}

void Lrq118ReadCpu(benchmark::State &st) {
    Bench bench(EncoderModel::CommandSet::Lrq118, IsoProtocol::Options{});
    cpu(st, "LRQ118 read", bench, read);
}

void Kvt380aWriteCpu(benchmark::State &st) {
    Bench bench(EncoderModel::CommandSet::Kvt380a, IsoProtocol::Options{});
    cpu(st, "KVT-380A write", bench, write);
}

void Lrq118ReadRealTime(benchmark::State &st) {
    Bench bench(EncoderModel::CommandSet::Lrq118, IsoProtocol::Options{});
    realTime(st, "LRQ118 read", bench, read);
}

void Kvt380aWriteRealTime(benchmark::State &st) {
    Bench bench(EncoderModel::CommandSet::Kvt380a, IsoProtocol::Options{});
    realTime(st, "KVT-380A write", bench, write);
}

} // namespace

BENCHMARK(Lrq118ReadCpu)->Unit(benchmark::kMillisecond);
BENCHMARK(Kvt380aWriteCpu)->Unit(benchmark::kMillisecond);
BENCHMARK(Lrq118ReadRealTime)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(Kvt380aWriteRealTime)->Unit(benchmark::kMillisecond)->Iterations(4);

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nPer card, against the in-process encoder (swipe %lld ms after the command):\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(SwipeDelay).count()));
    for (const auto &[name, ms] : figures)
        std::printf("  %-26s overhead %7.3f ms (target < %.0f ms: %s)\n", name.c_str(), ms,
                    TargetMs, ms < TargetMs ? "met" : "MISSED");
    return 0;
}
