#pragma once

#include "FakeTime.h"
#include "ScriptedPort.h"

#include "app/MainModule.h"
#include "link/LinkSession.h"
#include "link/PortConfig.h"
#include "link/SwipeResult.h"
#include "link/Waiter.h"

#include <QList>

#include <memory>
#include <utility>

// Bytes that arrive `at` after a send of command, or `at` after the start when command is
// empty.
struct Reply {
    QByteArray command;
    QByteArray bytes;
    Duration at{};
};
using Replies = QList<Reply>;

// The LRQ118 status that acknowledges a command.
inline const QByteArray Ok = QByteArray::fromHex("1b30");
// ESC s ESC 01 %ABC? ESC 02 ;123? ESC 03 ;+? FS ESC 0
inline const QByteArray GoldenRead =
    QByteArray::fromHex("1b731b01254142433f1b023b3132333f1b033b2b3f1c1b30");

inline void script(ScriptedPort &port, const Replies &replies) {
    for (const Reply &r : replies) {
        if (r.command.isEmpty())
            port.arrive(r.bytes, r.at);
        else
            port.onSend(r.command, r.bytes, r.at);
    }
}

inline QByteArray resultName(SwipeResult result) {
    const char *const names[] = {"Failed", "Done", "NotDone", "Skipped"};
    return names[static_cast<int>(result)];
}

// Records the swipe prompt's changes; answers one Skip request when asked to.
class PromptSpy final : public SwipePrompt {
public:
    void showSwipePrompt(bool shown) override { history << shown; }
    bool takeSkipRequest() override { return std::exchange(skip, false); }
    void portFailed(const QString &) override {}

    QList<bool> history;
    bool skip = false;
};

// A link session in a command set over a test port on a fake clock whose every yield or
// idle is one tick. The port is made with the clock and portArgs, and opened when asked.
template <class Port> struct SessionRig {
    static constexpr Duration Tick = std::chrono::milliseconds(1);

    template <class... PortArgs>
    SessionRig(const QByteArray &mode, bool portOpen, PortArgs &&...portArgs)
        : port(clock, std::forward<PortArgs>(portArgs)...),
          session(state, port, waiter, prompt, config) {
        state.EmulationMode = mode;
        if (portOpen)
            port.open();
        start = clock.now();
    }

    // Sets CancelRequested after delay; returns where the time of that will be noted.
    std::shared_ptr<Duration> cancelAfter(Duration delay) {
        auto at = std::make_shared<Duration>(Duration::max());
        pump.after(delay, [this, at] {
            *at = clock.now();
            state.CancelRequested = true;
        });
        return at;
    }

    MainModule state;
    FakeClock clock;
    FakePump pump{clock, Tick};
    Port port;
    Waiter waiter{clock, pump};
    PromptSpy prompt;
    PortConfig config;
    LinkSession session;
    Duration start{};
};
