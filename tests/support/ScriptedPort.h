#pragma once

#include "link/Clock.h"
#include "link/CommControl.h"

#include <functional>
#include <vector>

class FakeClock;

// A port whose replies a test scripts: bytes arrive at given times on the fake clock,
// or in answer to what is sent. Everything sent is recorded, in order, per send.
class ScriptedPort final : public CommControl {
    Q_OBJECT
public:
    explicit ScriptedPort(FakeClock &clock) : clock_(clock) {}

    // When a send equals command, bytes arrive delay later. Rules are used in order, each once.
    void onSend(const QByteArray &command, const QByteArray &reply, Duration delay = {});
    // Bytes that arrive delay from now, whatever is sent.
    void arrive(const QByteArray &bytes, Duration delay = {});
    void failOpen(const QString &why) { openFailure_ = why; }

    [[nodiscard]] QByteArray sent() const { return sends_.join(); }
    [[nodiscard]] const QList<QByteArray> &sends() const { return sends_; }
    void clearSent() { sends_.clear(); }
    int opens() const { return opens_; }
    int closes() const { return closes_; }

    void setCommPort(int number) override { number_ = number; }
    [[nodiscard]] int commPort() const override { return number_; }
    void setSettings(const QByteArray &settings) override { settings_ = settings; }
    [[nodiscard]] QByteArray settings() const override { return settings_; }
    bool open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return open_; }
    [[nodiscard]] QString openError() const override { return openFailure_; }
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    [[nodiscard]] int inBufferCount() override;
    void waitForBytes(int) override {}

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
    void settle();

    FakeClock &clock_;
    QList<QByteArray> sends_;
    std::vector<Rule> rules_;
    std::vector<Pending> pending_;
    QByteArray buffer_;
    QString openFailure_;
    QByteArray settings_;
    int number_ = 1;
    bool open_ = false;
    int opens_ = 0;
    int closes_ = 0;
};
