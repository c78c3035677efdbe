#pragma once

#include "FakeRecords.h"
#include "FakeTime.h"

#include "app/MainModule.h"
#include "link/PortConfig.h"
#include "link/Waiter.h"
#include "ui/PromptWindow.h"

// What a prompt window is given, on the fake clock: the state in a command set, the waits,
// the main window's records and the chosen port.
struct FakeLink {
    explicit FakeLink(const QByteArray &mode) {
        state.initialise();
        state.EmulationMode = mode;
    }

    [[nodiscard]] PromptWindow::Context context(PortFactory makePort) {
        return {state, waiter, records, config, std::move(makePort)};
    }

    MainModule state;
    FakeClock clock;
    FakePump pump{clock};
    Waiter waiter{clock, pump};
    FakeRecords records;
    PortConfig config;
};
