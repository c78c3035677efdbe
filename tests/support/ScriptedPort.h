#pragma once

#include "FakePort.h"
#include "link/Clock.h"

#include <vector>

// A port whose replies a test scripts: bytes arrive at given times on the fake clock,
// or in answer to what is sent.
class ScriptedPort final : public FakePort {
    Q_OBJECT
public:
    using FakePort::FakePort;

    // When a send equals command, bytes arrive delay later. Rules are used in order, each once.
    void onSend(const QByteArray &command, const QByteArray &reply, Duration delay = {});
    // Bytes that arrive delay from now, whatever is sent.
    void arrive(const QByteArray &bytes, Duration delay = {});
    // From now on each byte arrives perByte after the one before, as on a slow line.
    void paceReplies(Duration perByte) { pace_ = perByte; }

protected:
    void deliver(const QByteArray &bytes) override;
    void collect() override;

private:
    struct Pending {
        Duration at;
        QByteArray bytes;
    };
    struct Rule {
        QByteArray command;
        QByteArray reply;
        Duration delay;
    };

    void schedule(Duration at, const QByteArray &bytes);

    std::vector<Rule> rules_;
    std::vector<Pending> pending_;
    struct Carriage {
        Duration begin;
        Duration end;
    };
    Duration pace_{};
    std::vector<Carriage> carried_;
};
