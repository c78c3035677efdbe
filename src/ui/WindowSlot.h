#pragma once

#include <memory>
#include <utility>

// Every window is made the first time it is used and kept for the rest of the run.
template <class Window, class... Args>
Window &windowIn(std::unique_ptr<Window> &slot, Args &&...args) {
    if (!slot)
        slot = std::make_unique<Window>(std::forward<Args>(args)...);
    return *slot;
}
