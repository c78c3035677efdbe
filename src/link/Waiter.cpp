#include "link/Waiter.h"

#include "link/CommControl.h"
#include "link/EventPump.h"

Waiter::Waiter(const Clock &clock, EventPump &pump) : clock_(clock), pump_(pump) {}

WaitEnd Waiter::wait(const std::function<bool()> &condition, const WaitRule &rule,
                     CommControl *port) {
    const Duration start = clock_.now();
    for (;;) {
        if (condition && condition())
            return WaitEnd::Met;
        if (rule.yields) {
            pump_.yieldFor(rule.limit ? *rule.limit - (clock_.now() - start) : Duration::max());
        } else {
            const Duration left =
                rule.limit ? *rule.limit - (clock_.now() - start) : Duration::max();
            pump_.idle(port, std::max(left, Duration(1)));
        }
        if (rule.cancelled && rule.cancelled())
            return WaitEnd::Cancelled;
        if (rule.limit && clock_.now() - start > *rule.limit)
            return WaitEnd::TimedOut;
    }
}

WaitEnd Waiter::pause(Duration length, bool yields, const std::function<bool()> &cancelled) {
    return wait({}, WaitRule{length, yields, cancelled});
}

WaitEnd Waiter::waitForBytes(CommControl &port, int count, const WaitRule &rule) {
    return wait([&port, count] { return port.inBufferCount() >= count; }, rule, &port);
}

void Waiter::yieldOnce() {
    pump_.processPending();
}
