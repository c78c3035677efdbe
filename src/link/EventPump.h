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
    // The yield of a wait that must look again no later than `longest` from now. Whatever
    // else ends a wait early (bytes from the port, a click) wakes the user interface, so
    // with nothing pending it may sleep until then. By default a plain yield.
    virtual void yieldFor(Duration /*longest*/) { yield(); }
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
    void yieldFor(Duration longest) override;
    void processPending() override;
    void idle(CommControl *port, Duration max) override;

private:
    void sleepUnlessPending(std::chrono::milliseconds longest);

    QTimer wake_;
};
