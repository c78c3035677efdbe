#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class CommControl;
class Waiter;
struct MainModule;

// The setup window's check that an encoder of the chosen kind answers, and the write
// coercivity command. The port is open when it starts.
class ConnectionCheck {
public:
    enum class Outcome {
        Passed,
        // KVT-380A answered the coercivity command wrongly: the operator is warned, and the
        // setup goes on as after a pass.
        PassedWithWarning,
        Failed,         // the checklist window, without a beep
        FailedWithBeep, // the checklist window, with a beep
        Abandoned,      // the program is ending
    };

    // quitting is tested after every yield: Cancel ends the program in the middle of a check.
    ConnectionCheck(MainModule &state, CommControl &port, Waiter &waiter,
                    std::function<bool()> quitting);

    [[nodiscard]] Outcome run(bool highCoercivity);
    // One sentence for the checklist window saying what the encoder did.
    [[nodiscard]] QString failureReason() const { return reason_; }

    QByteArray SendAndRead(const QByteArray &command);
    QByteArray SendAndReadPair(const QByteArray &command);

private:
    Outcome checkKvt380a(bool highCoercivity);
    Outcome checkLrq118(bool highCoercivity);
    QByteArray sendAndCollect(const QByteArray &command, int count);
    Outcome fail(Outcome outcome, const QString &reason);

    MainModule &state_;
    CommControl &port_;
    Waiter &waiter_;
    std::function<bool()> quitting_;
    QString reason_;
};
