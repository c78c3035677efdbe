#include "link/EventPump.h"

#include "link/CommControl.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <thread>

using namespace std::chrono_literals;

namespace {
// Short enough for the waits' own resolution, long enough to keep a core idle.
constexpr auto YieldSleep = 4ms;
constexpr auto IdleSlice = 5ms;
} // namespace

QtEventPump::QtEventPump() {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
}

void QtEventPump::yield() {
    // The timer bounds the sleep; serial data and clicks wake the dispatcher sooner.
    wake_.start(YieldSleep);
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
