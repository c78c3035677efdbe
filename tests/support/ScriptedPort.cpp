#include "ScriptedPort.h"

#include "FakeTime.h"

#include <algorithm>

void ScriptedPort::onSend(const QByteArray &command, const QByteArray &reply, Duration delay) {
    rules_.push_back({command, reply, delay});
}

void ScriptedPort::arrive(const QByteArray &bytes, Duration delay) {
    schedule(clock().now() + delay, bytes);
}

void ScriptedPort::schedule(Duration at, const QByteArray &bytes) {
    if (pace_ <= Duration::zero()) {
        pending_.push_back({at, bytes});
        return;
    }
    // Each byte is there once the line has carried it whole, after the bytes of a reply
    // already on the line; a reply due later does not hold up this one.
    Duration carried = at;
    for (const Carriage &other : carried_)
        if (other.begin <= at && other.end > carried)
            carried = other.end;
    const Duration begin = carried;
    for (const char byte : bytes) {
        carried += pace_;
        pending_.push_back({carried, QByteArray(1, byte)});
    }
    carried_.push_back({begin, carried});
}

void ScriptedPort::deliver(const QByteArray &bytes) {
    const auto rule = std::find_if(rules_.begin(), rules_.end(),
                                   [&bytes](const Rule &r) { return r.command == bytes; });
    if (rule != rules_.end()) {
        schedule(clock().now() + rule->delay, rule->reply);
        rules_.erase(rule);
    }
}

void ScriptedPort::collect() {
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Pending &a, const Pending &b) { return a.at < b.at; });
    // Bytes that arrive while the port is closed are lost, as on a real line.
    while (!pending_.empty() && pending_.front().at <= clock().now()) {
        if (isOpen())
            buffer() += pending_.front().bytes;
        pending_.erase(pending_.begin());
    }
}
