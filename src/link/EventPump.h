#pragma once

#include "link/Clock.h"

#include <QTimer>

class CommControl;

// How a wait spends its time between polls.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Lets the user interface handle what is pending (a Cancel click, a closed message
    // window); when nothing is pending, sleeps a few milliseconds at most.
    virtual void yield() = 0;
    // Lets the user interface handle what is pending, without sleeping: the single yields
    // between two sends must not delay the exchange.
    virtual void processPending() { yield(); }
    // Sleeps at most max without handling window events, waking early when a byte arrives.
    virtual void idle(CommControl *port, Duration max) = 0;
};

class QtEventPump final : public EventPump {
public:
    QtEventPump();
    void yield() override;
    void processPending() override;
    void idle(CommControl *port, Duration max) override;

private:
    QTimer wake_;
};
