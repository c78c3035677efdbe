#pragma once

#include "FakeLink.h"
#include "ModalWatcher.h"
#include "ModelPort.h"
#include "NonIsoChoice.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

using namespace std::chrono_literals;
using Set = EncoderModel::CommandSet;
Q_DECLARE_METATYPE(Set)
Q_DECLARE_METATYPE(NonIsoChoice)

// Each send in hex, one " / " between sends, so that a difference reads like the wire.
inline QByteArray wire(const QList<QByteArray> &sends) {
    QByteArrayList groups;
    for (const QByteArray &send : sends)
        groups << send.toHex(' ');
    return groups.join(" / ");
}

// A Non-ISO prompt window with the virtual encoder behind its port, on the fake clock, in
// the Non-ISO command with a format choice made. Every window it opens is answered.
template <class Window> struct NonIsoRig : FakeLink {
    ModalWatcher watcher;
    ModelPort *port = nullptr;
    std::unique_ptr<Window> window;
    // The title of every window shown over the prompt, and whether the encoder's error
    // indication was on meanwhile.
    QStringList shown;
    QList<bool> errorLit;
    // What each window with track boxes showed: per track the caption, the box and the
    // count, as "Track 1 Data (7-Bit Character)|ABC|3".
    QList<QStringList> tracks;

    NonIsoRig(Set set, const NonIsoChoice &choice)
        : FakeLink(set == Set::Kvt380a ? "KVT-380A" : "LRQ118") {
        state.NonIsoMode = true;
        choice.applyTo(state);
        window = std::make_unique<Window>(context([this, set](QObject *parent) {
            port = new ModelPort(clock, set);
            port->setParent(parent);
            return port;
        }));
        watcher.leaveAlone = window.get();
        watcher.inspect = [this](QWidget *modal) {
            shown << modal->windowTitle();
            errorLit << model().indicators().error;
            if (modal->findChild<QPlainTextEdit *>("TIT_0") == nullptr)
                return;
            QStringList boxes;
            for (const QString n : {"0", "1", "2"})
                boxes << modal->findChild<QLabel *>("Label1_" + n)->text() + "|" +
                             modal->findChild<QPlainTextEdit *>("TIT_" + n)->toPlainText() + "|" +
                             modal->findChild<QLabel *>("LT_" + n)->text();
            tracks << boxes;
        };
    }

    EncoderModel &model() { return port->model(); }
    [[nodiscard]] QString cardNumberShown() const {
        return window->template findChild<QLabel *>("LC")->text();
    }
    // Presses Cancel on the first poll at which the card with this number is awaited.
    void cancelAtCard(int number) {
        pump.after(5ms, [this, number] {
            if (window->cardNumber() == number && model().waitingForSwipe())
                window->template findChild<QPushButton *>("Command1_0")->click();
            else
                cancelAtCard(number);
        });
    }
};
