#pragma once

#include "link/Clock.h"

#include <functional>
#include <optional>

class CommControl;
class EventPump;

enum class WaitEnd { Met, Cancelled, TimedOut };

struct WaitRule {
    std::optional<Duration> limit; // none: only the condition or a cancel ends the wait
    bool yields = true;
    // Checked after every poll; a wait without it cannot be cancelled.
    std::function<bool()> cancelled;
};

// The one timed wait every exchange with the encoder is built from. Polls the condition,
// then yields (or idles), then tests cancel, then tests the limit, as the encoder's
// command sets expect.
class Waiter {
public:
    Waiter(const Clock &clock, EventPump &pump);

    WaitEnd wait(const std::function<bool()> &condition, const WaitRule &rule,
                 CommControl *port = nullptr);
    // A wait without a condition.
    WaitEnd pause(Duration length, bool yields = true, const std::function<bool()> &cancelled = {});
    // Waits until at least count bytes are waiting on port.
    WaitEnd waitForBytes(CommControl &port, int count, const WaitRule &rule);
    void yieldOnce();

    [[nodiscard]] const Clock &clock() const { return clock_; }

private:
    const Clock &clock_;
    EventPump &pump_;
};
