#pragma once

#include "FakeLink.h"
#include "ModalWatcher.h"
#include "ModelPort.h"
#include "ScriptedPort.h"
#include "SessionRig.h"

#include <QPushButton>

#include <functional>
#include <memory>

using Set = EncoderModel::CommandSet;

// Each send in hex, so that a difference reads like the wire.
inline QByteArrayList hex(const QList<QByteArray> &sends) {
    QByteArrayList list;
    for (const QByteArray &send : sends)
        list << send.toHex();
    return list;
}

inline QByteArray modeOf(Set set) {
    return set == Set::Kvt380a ? "KVT-380A" : "LRQ118";
}

// A prompt window with a test port behind it, on the fake clock; every modal window it
// opens is answered and noted.
template <class Window, class Port> struct PromptRig : FakeLink {
    ModalWatcher watcher;
    Port *port = nullptr;
    std::unique_ptr<Window> window;
    // Each error window, with the first output track shown when it opened.
    QStringList errors;

    template <class... PortArgs>
    explicit PromptRig(const QByteArray &mode, PortArgs... portArgs) : FakeLink(mode) {
        window = std::make_unique<Window>(context([this, portArgs...](QObject *parent) {
            port = new Port(clock, portArgs...);
            port->setParent(parent);
            return port;
        }));
        watcher.leaveAlone = window.get();
        watcher.inspect = [this](QWidget *error) {
            errors << error->windowTitle() + ": " + QString::fromLatin1(records.track(3));
        };
    }

    [[nodiscard]] QPushButton *cancelButton() const {
        return window->template findChild<QPushButton *>("Command1_0");
    }
    // Runs check every 5 ms of the fake clock until it returns true.
    void poll(std::function<bool()> check) {
        pump.after(std::chrono::milliseconds(5), [this, check] {
            if (!check())
                poll(check);
        });
    }
    // Presses Cancel on the first poll at which done() holds.
    void cancelWhen(std::function<bool()> done) {
        poll([this, done] {
            if (!done())
                return false;
            cancelButton()->click();
            return true;
        });
    }
    [[nodiscard]] QByteArrayList shown(QByteArray (FakeRecords::*field)(int) const,
                                       int first = MainRecords::OutputTrack1) const {
        return {(records.*field)(first), (records.*field)(first + 1), (records.*field)(first + 2)};
    }
};

// The virtual encoder behind the port; the card is swiped 0.3 s after it is asked for.
template <class Window> struct ModelRig : PromptRig<Window, ModelPort> {
    explicit ModelRig(Set set) : PromptRig<Window, ModelPort>(modeOf(set), set) {
        model().setAutoSwipe(std::chrono::milliseconds(300));
    }
    EncoderModel &model() { return this->port->model(); }
};

template <class Window> using ScriptRig = PromptRig<Window, ScriptedPort>;
