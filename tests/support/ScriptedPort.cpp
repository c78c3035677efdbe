#include "ScriptedPort.h"

#include "FakeTime.h"

#include <algorithm>

void ScriptedPort::onSend(const QByteArray &command, const QByteArray &reply, Duration delay) {
    rules_.push_back({command, reply, delay});
}

void ScriptedPort::arrive(const QByteArray &bytes, Duration delay) {
    pending_.push_back({clock_.now() + delay, bytes});
}

bool ScriptedPort::open() {
    if (!openFailure_.isEmpty())
        return false;
    open_ = true;
    ++opens_;
    return true;
}

void ScriptedPort::close() {
    if (open_)
        ++closes_;
    open_ = false;
    buffer_.clear();
}

void ScriptedPort::output(const QByteArray &bytes) {
    if (!open_)
        return;
    sends_.append(bytes);
    const auto rule = std::find_if(rules_.begin(), rules_.end(),
                                   [&bytes](const Rule &r) { return r.command == bytes; });
    if (rule != rules_.end()) {
        pending_.push_back({clock_.now() + rule->delay, rule->reply});
        rules_.erase(rule);
    }
}

void ScriptedPort::settle() {
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Pending &a, const Pending &b) { return a.at < b.at; });
    while (!pending_.empty() && pending_.front().at <= clock_.now()) {
        if (open_)
            buffer_ += pending_.front().bytes;
        pending_.erase(pending_.begin());
    }
}

QByteArray ScriptedPort::input() {
    settle();
    QByteArray taken;
    taken.swap(buffer_);
    return taken;
}

int ScriptedPort::inBufferCount() {
    settle();
    return static_cast<int>(buffer_.size());
}
