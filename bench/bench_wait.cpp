// Figures for the waits on a real serial device (a pseudo-terminal): CPU used while a
// wait sees nothing, and the delay from a byte arriving to the wait ending.
#include "CpuTime.h"

#include "app/SettingsStore.h"
#include "link/LinkRuntime.h"
#include "link/QtCommControl.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    SettingsStore store;
    store.setPortOverride(1, QString::fromLocal8Bit(ptsname(master)));

    LinkRuntime runtime;
    const SteadyClock &clock = runtime.clock;
    Waiter &waiter = runtime.waiter;
    QString why;
    QtCommControl port;
    port.setConfig(makePortConfig("1", "9600,n,8,1", store, why).value());
    if (!port.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(port.openError()));
        return 1;
    }

    const double cpuBefore = cpuSeconds();
    const auto wallBefore = clock.now();
    waiter.waitForBytes(port, 1, WaitRule{2s, true, {}});
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = toSeconds(clock.now() - wallBefore);
    std::printf("idle 2 s wait (yielding): %.2f %% of one core (target < 2 %%)\n",
                100.0 * cpu / wall);

    const double cpuBefore2 = cpuSeconds();
    const auto wallBefore2 = clock.now();
    waiter.waitForBytes(port, 1, WaitRule{2s, false, {}});
    std::printf("idle 2 s wait (not yielding): %.2f %% of one core\n",
                100.0 * (cpuSeconds() - cpuBefore2) / toSeconds(clock.now() - wallBefore2));

    for (const bool yields : {true, false}) {
        std::vector<double> latencies;
        for (int i = 0; i < 40; ++i) {
            port.input();
            Duration sentAt{};
            std::thread writer([&] {
                std::this_thread::sleep_for(20ms + std::chrono::milliseconds(i % 7));
                sentAt = clock.now();
                const char byte = 'x';
                if (write(master, &byte, 1) != 1)
                    std::perror("write");
            });
            waiter.waitForBytes(port, 1, WaitRule{1s, yields, {}});
            const Duration endedAt = clock.now();
            writer.join();
            latencies.push_back(toSeconds(endedAt - sentAt) * 1000.0);
        }
        std::sort(latencies.begin(), latencies.end());
        std::printf("byte to end of wait (%s): median %.2f ms, worst %.2f ms (target median < 5 "
                    "ms)\n",
                    yields ? "yielding" : "not yielding", latencies[latencies.size() / 2],
                    latencies.back());
    }

    port.close();
    store.removePortOverride(1);
    close(master);
    return 0;
}
