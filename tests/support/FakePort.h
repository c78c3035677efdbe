#pragma once

#include "link/CommControl.h"

#include <QList>

class FakeClock;

// What the test ports share: the settings a window gives them, opening and closing
// (counted), every send recorded in order, and a receive buffer that the other end fills
// as the fake clock passes.
class FakePort : public CommControl {
    Q_OBJECT
public:
    explicit FakePort(FakeClock &clock) : clock_(clock) {}

    void failOpen(const QString &why) { openFailure_ = why; }
    [[nodiscard]] QByteArray sent() const { return sends_.join(); }
    [[nodiscard]] const QList<QByteArray> &sends() const { return sends_; }
    [[nodiscard]] int opens() const { return opens_; }
    [[nodiscard]] int closes() const { return closes_; }

    bool open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return open_; }
    [[nodiscard]] QString openError() const override { return openError_; }
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    [[nodiscard]] int inBufferCount() override;
    void waitForBytes(int) override {}

protected:
    // The other end receives what was sent.
    virtual void deliver(const QByteArray &bytes) = 0;
    // Adds to buffer() what has arrived by the clock's time.
    virtual void collect() = 0;
    // Why the port cannot be opened now, beyond failOpen(); empty when it can.
    [[nodiscard]] virtual QString refusal() const { return {}; }
    virtual void opened() {}

    [[nodiscard]] FakeClock &clock() const { return clock_; }
    [[nodiscard]] QByteArray &buffer() { return buffer_; }

private:
    FakeClock &clock_;
    QList<QByteArray> sends_;
    QByteArray buffer_;
    QString openFailure_;
    QString openError_;
    bool open_ = false;
    int opens_ = 0;
    int closes_ = 0;
};
