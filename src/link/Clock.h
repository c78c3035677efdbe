#pragma once

#include <chrono>

using Duration = std::chrono::nanoseconds;

// A monotonic clock: it never jumps and never wraps at midnight.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual Duration now() const = 0;
};

class SteadyClock final : public Clock {
public:
    [[nodiscard]] Duration now() const override {
        return std::chrono::steady_clock::now().time_since_epoch();
    }
};

[[nodiscard]] inline double toSeconds(Duration d) {
    return std::chrono::duration<double>(d).count();
}
