#include "ScriptedPort.h"

#include "FakeTime.h"

#include <algorithm>

void ScriptedPort::onSend(const QByteArray &command, const QByteArray &reply, Duration delay) {
    rules_.push_back({command, reply, delay});
}

void ScriptedPort::arrive(const QByteArray &bytes, Duration delay) {
    pending_.push_back({clock().now() + delay, bytes});
}

void ScriptedPort::deliver(const QByteArray &bytes) {
    const auto rule = std::find_if(rules_.begin(), rules_.end(),
                                   [&bytes](const Rule &r) { return r.command == bytes; });
    if (rule != rules_.end()) {
        pending_.push_back({clock().now() + rule->delay, rule->reply});
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
