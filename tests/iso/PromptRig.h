#pragma once

#include "FakeLink.h"
#include "ModalWatcher.h"
#include "ModelPort.h"
#include "ScriptedPort.h"
#include "SessionRig.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>
#include <type_traits>

using Set = EncoderModel::CommandSet;
Q_DECLARE_METATYPE(Set)
Q_DECLARE_METATYPE(Replies)

using namespace std::chrono_literals;

inline QByteArray modeOf(Set set) {
    return set == Set::Kvt380a ? "KVT-380A" : "LRQ118";
}

// One hex word per send, so that a difference reads like the wire.
inline QByteArray sentHex(const FakePort &port) {
    QByteArrayList words;
    for (const QByteArray &send : port.sends())
        words << send.toHex();
    return words.join(' ');
}

inline QByteArray cardText(const Card &card) {
    return card.tracks[0].data + '|' + card.tracks[1].data + '|' + card.tracks[2].data;
}

// Three cards to save, the last with a blank track 3, and the records they are saved as.
inline const QList<Card> ThreeCards{Card::fromTexts("ONE", "1", "11"),
                                    Card::fromTexts("TWO", "2", "22"),
                                    Card::fromTexts("THREE", "3", "")};
inline const QByteArray DeckRecords = "ONE|1|11\r\nTWO|2|22\r\nTHREE|3|+\r\n";

// A data row named after its command set and starting with it.
inline QTestData &setRow(Set set, const char *what) {
    return QTest::addRow("%s, %s", modeOf(set).constData(), what) << set;
}

// A prompt window with a test port behind it, on the fake clock; every modal window it
// opens is answered and noted. The window is made with the context and windowArgs.
template <class Window, class Port> struct PromptRig : FakeLink {
    ModalWatcher watcher;
    Port *port = nullptr;
    std::unique_ptr<Window> window;
    // Each error window, with the first output track shown when it opened.
    QStringList errors;

    template <class... WindowArgs>
    explicit PromptRig(Set set, WindowArgs &&...windowArgs) : FakeLink(modeOf(set)) {
        const PortFactory factory = [this, set](QObject *parent) {
            if constexpr (std::is_constructible_v<Port, FakeClock &, Set>)
                port = new Port(clock, set);
            else
                port = new Port(clock);
            port->setParent(parent);
            return port;
        };
        window = std::make_unique<Window>(context(factory), windowArgs...);
        watcher.leaveAlone = window.get();
        watcher.inspect = [this](QWidget *error) {
            errors << error->windowTitle() + ": " + QString::fromLatin1(records.track(3));
        };
    }

    template <class Child = QPushButton> [[nodiscard]] Child *child(const char *name) const {
        return window->template findChild<Child *>(QString::fromLatin1(name));
    }
    [[nodiscard]] QPushButton *cancelButton() const { return child("Command1_0"); }
    // Runs check every 5 ms of the fake clock until it returns true.
    void poll(std::function<bool()> check) {
        pump.after(5ms, [this, check] {
            if (!check())
                poll(check);
        });
    }
    // Presses Cancel on the first poll at which done() holds.
    void cancelWhen(std::function<bool()> done) {
        poll([this, done] {
            const bool now = done();
            if (now)
                cancelButton()->click();
            return now;
        });
    }
    // Cancel at a time, as a click does: it waits in the event queue for the next yield. A
    // lost port is closed just before; a zero time cancels nothing.
    void cancelAt(Duration at, bool portLost = false) {
        if (at == Duration::zero())
            return;
        pump.after(at, [this, portLost] {
            if (portLost)
                port->close();
            QMetaObject::invokeMethod(cancelButton(), &QAbstractButton::click,
                                      Qt::QueuedConnection);
        });
    }
    // The three tracks of a record, or their lengths, apart by "|".
    [[nodiscard]] QByteArray tracks(int first = MainRecords::OutputTrack1) const {
        return records.track(first) + '|' + records.track(first + 1) + '|' +
               records.track(first + 2);
    }
    [[nodiscard]] QByteArray lengths(int first = MainRecords::OutputTrack1) const {
        return records.length(first) + '|' + records.length(first + 1) + '|' +
               records.length(first + 2);
    }
};

// The virtual encoder behind the port: the card is swiped 0.3 s after it is asked for, and
// every card written is noted.
template <class Window> struct ModelRig : PromptRig<Window, ModelPort> {
    QByteArrayList written;

    template <class... WindowArgs>
    explicit ModelRig(Set set, WindowArgs &&...windowArgs)
        : PromptRig<Window, ModelPort>(set, windowArgs...) {
        model().setAutoSwipe(300ms);
        model().setWrittenSink([this](const Card &card) { written << cardText(card); });
    }
    EncoderModel &model() { return this->port->model(); }
};

template <class Window> using ScriptRig = PromptRig<Window, ScriptedPort>;
