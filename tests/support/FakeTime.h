#pragma once

#include "link/Clock.h"
#include "link/EventPump.h"

#include <functional>
#include <vector>

// A clock that moves only when a wait yields or idles, so waits of seconds run in
// microseconds and every test sees the same timing.
class FakeClock final : public Clock {
public:
    [[nodiscard]] Duration now() const override { return now_; }
    void advance(Duration d) { now_ += d; }

private:
    Duration now_{std::chrono::hours(1)};
};

// Advances the fake clock by one tick per yield or idle, runs the actions scheduled for
// the times passed, and lets Qt deliver pending events (clicks, closes) on each yield.
class FakePump final : public EventPump {
public:
    explicit FakePump(FakeClock &clock, Duration tick = std::chrono::milliseconds(1))
        : clock_(clock), tick_(tick) {}

    void yield() override;
    void idle(CommControl *port, Duration max) override;

    // Runs action once the clock has passed at (on the fake clock's time line).
    void at(Duration at, std::function<void()> action);
    // Runs action after delay from now.
    void after(Duration delay, std::function<void()> action) { at(clock_.now() + delay, action); }

    int yields() const { return yields_; }

private:
    void step(Duration d);

    struct Scheduled {
        Duration at;
        std::function<void()> action;
    };
    FakeClock &clock_;
    Duration tick_;
    std::vector<Scheduled> scheduled_;
    int yields_ = 0;
};
