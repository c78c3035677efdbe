#pragma once

#include "app/CharacterMessages.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <optional>

class QKeyEvent;
class QWidget;

// What an entry check shows when a key or a text is refused.
using GuardMessage = InformationMessage;

// How one text box takes keys and what it checks when it is left.
struct EntryRule {
    // Printable characters a key may insert; any other is refused with keyMessage and does
    // not stay in the box. Control keys always pass. Empty: every character.
    QByteArray keySet{};
    bool upperCaseKeys = false;
    GuardMessage keyMessage{};
    // Hex entry: a space follows every second digit typed since the last separator.
    bool hexPairs = false;
    bool trimOnLeave = false;
    bool upperCaseOnLeave = false;
    // The check of a non-empty box when it is left: the message to show, or none.
    std::function<std::optional<GuardMessage>(const QByteArray &text)> leaveCheck{};
};

// Watches the text boxes of one window: refuses keys a box does not take, upper-cases,
// spaces hex pairs, and checks a box's whole text when the operator leaves it, giving the
// focus back after its message. A command that reads the boxes calls checkPending() first,
// so a box left by clicking the command is checked before it is read.
class EntryFieldGuard : public QObject {
    Q_OBJECT
public:
    explicit EntryFieldGuard(QWidget *window);

    // box is a QLineEdit or a QPlainTextEdit.
    void attach(QWidget *box, EntryRule rule);
    void setRule(QWidget *box, EntryRule rule);
    // Runs the leaving check of a box that was left and not yet checked; false when that
    // box failed it.
    bool checkPending();
    // Runs the leaving check of box now; true when it passed (or the box is empty).
    bool check(QWidget *box);
    // Text the program puts into a box is neither filtered nor checked.
    void setText(QWidget *box, const QString &text);

    [[nodiscard]] static QString text(const QWidget *box);

Q_SIGNALS:
    // The box was left and checked (also when empty): the window may take its text now.
    void left(QWidget *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Field {
        EntryRule rule;
        int pairDigits = 0;
    };

    bool keyPressed(QWidget *box, Field &field, QKeyEvent *event);
    void changed(QWidget *box);
    void show(QWidget *box, const GuardMessage &message);
    void putText(QWidget *box, const QString &text);
    void queuePendingCheck();

    QWidget *window_;
    std::map<QWidget *, Field> fields_;
    QWidget *pendingLeave_ = nullptr;
    bool returningFocus_ = false;
    bool programChange_ = false;
    // A key the guard changed is on its way to the box: let it through.
    bool forwarding_ = false;
    bool waitingForRelease_ = false;
};
