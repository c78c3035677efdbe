#include "FakeTime.h"

#include <QCoreApplication>

#include <algorithm>

void FakePump::yield() {
    ++yields_;
    step(tick_);
    QCoreApplication::processEvents();
}

void FakePump::idle(CommControl *, Duration max) {
    step(std::clamp(max, Duration(1), tick_));
}

void FakePump::at(Duration at, std::function<void()> action) {
    scheduled_.push_back({at, std::move(action)});
}

void FakePump::step(Duration d) {
    clock_.advance(d);
    for (;;) {
        const auto due = std::find_if(scheduled_.begin(), scheduled_.end(),
                                      [this](const Scheduled &s) { return s.at <= clock_.now(); });
        if (due == scheduled_.end())
            return;
        auto action = std::move(due->action);
        scheduled_.erase(due);
        action();
    }
}
