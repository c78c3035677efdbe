#include "link/EventPump.h"

#include "link/CommControl.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <thread>

using namespace std::chrono_literals;

namespace {
// Short enough for the waits' own resolution, long enough to keep a core idle.
constexpr auto YieldSleep = 4ms;
// A wait that knows when it must look next sleeps up to this long: bytes and clicks wake it
// sooner, and its time-based ends are seen within this.
constexpr auto LongestYieldSleep = 25ms;
constexpr auto IdleSlice = 5ms;
} // namespace

QtEventPump::QtEventPump() {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
}

void QtEventPump::yield() {
    sleepUnlessPending(YieldSleep);
}

void QtEventPump::yieldFor(Duration longest) {
    const Duration bounded = std::clamp<Duration>(longest, Duration::zero(), LongestYieldSleep);
    sleepUnlessPending(std::chrono::ceil<std::chrono::milliseconds>(bounded));
}

void QtEventPump::sleepUnlessPending(std::chrono::milliseconds longest) {
    // The timer bounds the sleep; serial data and clicks wake the dispatcher sooner.
    wake_.start(longest);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    wake_.stop();
}

void QtEventPump::processPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::idle(CommControl *port, Duration max) {
    const Duration slice = std::min<Duration>(max, IdleSlice);
    if (slice <= Duration::zero())
        return;
    if (port && port->isOpen()) {
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(slice).count();
        port->waitForBytes(static_cast<int>(ms));
    } else {
        std::this_thread::sleep_for(slice);
    }
}
