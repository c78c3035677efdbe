#pragma once

#include "app/MainModule.h"
#include "link/EventPump.h"
#include "link/PortConfig.h"
#include "link/Waiter.h"

// What every part of the running program shares: the state, the steady clock and the
// waits over the real event loop, and the port chosen in setup. Made once the application
// object exists.
struct LinkRuntime {
    LinkRuntime() { state.initialise(); }

    MainModule state;
    SteadyClock clock;
    QtEventPump pump;
    Waiter waiter{clock, pump};
    PortConfig port;
};
