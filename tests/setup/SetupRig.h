#pragma once

#include "FakeTime.h"
#include "ScriptedPort.h"

#include "app/MainModule.h"
#include "app/SettingsStore.h"
#include "link/SerialPorts.h"
#include "link/Waiter.h"
#include "ui/frmCommSetup.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>

#include <optional>

inline const QByteArray Esc("\x1B");
inline const QByteArray Del("\x7F");

inline QSettings stored() {
    return QSettings(SettingsStore::fileName(), QSettings::IniFormat);
}

// Stores "group/key=value" pairs as an earlier run or a hand edit left them.
inline void storePairs(const QStringList &pairs) {
    for (const QString &pair : pairs)
        stored().setValue(pair.section(u'=', 0, 0), pair.section(u'=', 1));
}

// The devices a test says the computer has.
class FakeSerialPorts final : public SerialPortSource {
public:
    [[nodiscard]] QList<DetectedPort> detect() const override { return ports; }
    QList<DetectedPort> ports;
};

// One setup window over a scripted port, with a clock that moves only when it waits.
struct SetupRig {
    MainModule state;
    FakeClock clock;
    FakePump pump{clock};
    Waiter waiter{clock, pump};
    ScriptedPort port{clock};
    PortConfig chosen;
    SettingsStore store;
    FakeSerialPorts serialPorts;
    QStringList errors;
    QStringList saveErrors;
    int mainOpened = 0;
    int ended = 0;
    std::optional<frmCommSetup> window;

    explicit SetupRig(const QList<DetectedPort> &detected = {}) {
        state.initialise();
        serialPorts.ports = detected;
        window.emplace(state, chosen, port, waiter, store, serialPorts,
                       frmCommSetup::Actions{[this] { ++mainOpened; }, [this] { ++ended; },
                                             [this](const QString &why) { errors << why; },
                                             [this](const QString &why) {
                                                 saveErrors << why;
                                             }});
    }

    template <typename T> T *child(const QString &name) { return window->findChild<T *>(name); }
    QComboBox *box(int n) { return child<QComboBox>(QStringLiteral("Combo%1").arg(n)); }
    void pressOk() { child<QPushButton>(QStringLiteral("Command1"))->click(); }
    // A KVT-380A encoder that passes the check with high coercivity.
    void encoderAnswers() {
        port.onSend(Del, ":");
        port.onSend("{", "^");
    }
};
