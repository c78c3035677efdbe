#include "ui/EntryFieldGuard.h"

#include "ui/LimitedPlainTextEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopedValueRollback>

namespace {

constexpr char16_t Delete = 127;
constexpr char16_t LastControl = 31;
constexpr char16_t LastLatin1 = 0xFF;

bool isControl(char16_t code) {
    return code <= LastControl || code == Delete;
}

QString upperCaseAscii(QString text) {
    for (QChar &c : text)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    return text;
}

QString trimSpaces(const QString &text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// Only a move to another control is leaving: not a message box or a menu taking the focus
// for a while, nor another window becoming active.
bool leavesBox(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason && reason != Qt::NoFocusReason;
}

} // namespace

EntryFieldGuard::EntryFieldGuard(QWidget *window) : QObject(window), window_(window) {}

void EntryFieldGuard::attach(QWidget *box, EntryRule rule) {
    fields_[box] = Field{std::move(rule)};
    box->installEventFilter(this);
    if (auto *line = qobject_cast<QLineEdit *>(box))
        connect(line, &QLineEdit::textChanged, this, [this, box] { changed(box); });
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(box))
        connect(plain, &QPlainTextEdit::textChanged, this, [this, box] { changed(box); });
}

void EntryFieldGuard::setRule(QWidget *box, EntryRule rule) {
    fields_[box] = Field{std::move(rule)};
}

QString EntryFieldGuard::text(const QWidget *box) {
    if (const auto *line = qobject_cast<const QLineEdit *>(box))
        return line->text();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(box))
        return plain->toPlainText();
    return {};
}

void EntryFieldGuard::putText(QWidget *box, const QString &text) {
    QScopedValueRollback guard(programChange_, true);
    if (auto *line = qobject_cast<QLineEdit *>(box))
        line->setText(text);
    else if (auto *limited = qobject_cast<LimitedPlainTextEdit *>(box))
        limited->setLimitedText(text);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(box))
        plain->setPlainText(text);
}

void EntryFieldGuard::setText(QWidget *box, const QString &text) {
    putText(box, text);
}

void EntryFieldGuard::changed(QWidget *box) {
    if (programChange_)
        return;
    QString text = EntryFieldGuard::text(box);
    // Texts are 8-bit: a character beyond Latin-1 could only reach the encoder as a
    // substitute, so the box does not keep it.
    const qsizetype before = text.size();
    text.removeIf([](QChar c) { return c.unicode() > LastLatin1; });
    if (text.size() != before) {
        putText(box, text);
        if (auto *plain = qobject_cast<QPlainTextEdit *>(box))
            plain->moveCursor(QTextCursor::End);
    }
    // Text that arrived without the box having its window's focus (dropped into it) is
    // checked at once, as it will not be left.
    if (box->window()->focusWidget() != box)
        QMetaObject::invokeMethod(
            this, [this, box] { check(box); }, Qt::QueuedConnection);
}

bool EntryFieldGuard::eventFilter(QObject *watched, QEvent *event) {
    if (waitingForRelease_ && event->type() == QEvent::MouseButtonRelease) {
        // The press that left a box is over: whatever it clicked has run by now.
        waitingForRelease_ = false;
        qApp->removeEventFilter(this);
        QMetaObject::invokeMethod(this, &EntryFieldGuard::checkPending, Qt::QueuedConnection);
        return false;
    }
    // Filtered for the whole application while a press runs: not every object is a widget.
    const auto found = fields_.find(qobject_cast<QWidget *>(watched));
    if (found == fields_.end())
        return false;
    QWidget *box = found->first;
    Field &field = found->second;
    switch (event->type()) {
    case QEvent::KeyPress:
        return !forwarding_ && keyPressed(box, field, static_cast<QKeyEvent *>(event));
    case QEvent::MouseButtonPress:
        field.pairDigits = 0;
        break;
    case QEvent::FocusOut:
        if (!returningFocus_ && leavesBox(static_cast<QFocusEvent *>(event)->reason())) {
            pendingLeave_ = box;
            queuePendingCheck();
        }
        break;
    default:
        break;
    }
    return false;
}

void EntryFieldGuard::queuePendingCheck() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            // A box left by pressing a button is checked when the button is released: a
            // message shown during the press would swallow the click.
            if (QGuiApplication::mouseButtons() != Qt::NoButton) {
                if (!waitingForRelease_) {
                    waitingForRelease_ = true;
                    qApp->installEventFilter(this);
                }
                return;
            }
            checkPending();
        },
        Qt::QueuedConnection);
}

bool EntryFieldGuard::keyPressed(QWidget *box, Field &field, QKeyEvent *event) {
    const EntryRule &rule = field.rule;
    const QString typed = event->text();
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Space:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        field.pairDigits = 0;
        break;
    default:
        break;
    }
    if (typed.isEmpty())
        return false;
    const QString text = rule.upperCaseKeys ? upperCaseAscii(typed) : typed;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (isControl(code))
            continue;
        const bool known = rule.keySet.isEmpty() || rule.keySet.contains(static_cast<char>(code));
        if (code > LastLatin1 || !known) {
            show(box, rule.keyMessage);
            return true;
        }
    }
    QString inserted = text;
    if (rule.hexPairs && text.size() == 1 && isHexDigit(text.front())) {
        if (field.pairDigits > 0) {
            inserted += QLatin1Char(' ');
            field.pairDigits = 0;
        } else {
            ++field.pairDigits;
        }
    }
    if (inserted == typed)
        return false;
    QKeyEvent replaced(event->type(), event->key(), event->modifiers(), inserted,
                       event->isAutoRepeat(), event->count());
    QScopedValueRollback guard(forwarding_, true);
    QCoreApplication::sendEvent(box, &replaced);
    return true;
}

bool EntryFieldGuard::checkPending() {
    if (pendingLeave_ == nullptr)
        return true;
    QWidget *box = pendingLeave_;
    pendingLeave_ = nullptr;
    return check(box);
}

bool EntryFieldGuard::check(QWidget *box) {
    if (pendingLeave_ == box)
        pendingLeave_ = nullptr;
    const auto found = fields_.find(box);
    if (found == fields_.end())
        return true;
    Field &field = found->second;
    field.pairDigits = 0;
    const EntryRule &rule = field.rule;
    QString text = EntryFieldGuard::text(box);
    if (rule.trimOnLeave)
        text = trimSpaces(text);
    if (!text.isEmpty() && rule.upperCaseOnLeave)
        text = upperCaseAscii(text);
    if (text != EntryFieldGuard::text(box))
        putText(box, text);
    std::optional<GuardMessage> message;
    if (!text.isEmpty() && rule.leaveCheck)
        message = rule.leaveCheck(text.toLatin1());
    if (message)
        show(box, *message);
    Q_EMIT left(box);
    return !message;
}

void EntryFieldGuard::show(QWidget *box, const GuardMessage &message) {
    QMessageBox::information(window_, message.title, message.text);
    // The box takes the focus back; its own leaving in the meantime is not a leaving.
    QScopedValueRollback guard(returningFocus_, true);
    box->setFocus(Qt::OtherFocusReason);
}
