#pragma once

#include "FakeLink.h"
#include "ScriptedPort.h"

#include "link/IsoProtocol.h"

#include <QCoreApplication>
#include <QLabel>

#include <memory>

// A read-type prompt window: one ReadTracks per card, success advances the card number.
// It notes what the operator was shown, in order, and how it was unloaded.
class StubPrompt final : public PromptWindow {
public:
    StubPrompt(const Context &context, const Look &look, FakePump &pump, QWidget *owner)
        : PromptWindow(context, look, owner), protocol_(session(), {}), pump_(pump) {}

    QStringList shown;
    QList<bool> unloads;

    using PromptWindow::setSkipEnabled;

protected:
    Opening openingHandshake() override { return standardHandshake("L"); }
    Next runCard() override {
        const SwipeResult result = protocol_.ReadTracks();
        if (state().CancelRequested)
            return Next::Stop;
        if (result == SwipeResult::Done)
            advanceCardNumber();
        else if (result == SwipeResult::Failed)
            reportCardFailure();
        return Next::Continue;
    }
    void showOpeningError(Opening failure) override {
        shown << QStringLiteral("opening error %1").arg(int(failure));
    }
    void showCardError() override {
        shown << QStringLiteral("card error");
        // What a modal message window does when it closes.
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(this, &activation);
        pump_.yield();
        pump_.yield();
    }
    void setErrorIndication(bool on) override { protocol_.SetErrorIndicator(on); }
    void unloading(bool byOperator) override { unloads << byOperator; }
    void sendClosingFrames() override {
        if (protocol_.isKvt380a())
            session().send("\x7f");
    }
    void reportPortFailure(const QString &sentence) override {
        shown << (promptLabel()->isVisible() ? QStringLiteral("during the wait: ") : QString()) +
                     sentence;
    }

private:
    IsoProtocol protocol_;
    FakePump &pump_;
};

// The stub window over a scripted port on the fake clock, in LRQ118 or KVT-380A.
struct StubPromptRig : FakeLink {
    explicit StubPromptRig(bool kvt = false, const PromptWindow::Look &look = {},
                           QWidget *owner = nullptr)
        : FakeLink(kvt ? "KVT-380A" : "LRQ118") {
        const PortFactory factory = [this](QObject *parent) {
            port = new ScriptedPort(clock);
            port->setParent(parent);
            return port;
        };
        window = std::make_unique<StubPrompt>(context(factory), look, pump, owner);
    }

    ScriptedPort *port = nullptr;
    std::unique_ptr<StubPrompt> window;
};
