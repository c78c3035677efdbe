#pragma once

#include "ui/MessageWindows.h"

#include <array>

// One of each message window that a command or a prompt window opens.
struct MessageWindowSet {
    explicit MessageWindowSet(MainModule &state) : read(state), write(state) {}

    [[nodiscard]] std::array<MessageWindow *, 7> all() {
        return {&read, &write, &erase, &rfOk, &incEOk, &format, &save};
    }

    sfrmReadErr read;
    sfrmWriteErr write;
    sfrmEraseErr erase;
    sfrmRFOK rfOk;
    sfrmIncEOK incEOk;
    sfrmFormatError format;
    sfrmSaveError save;
};
