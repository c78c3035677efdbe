#pragma once

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <functional>

// Answers every modal window that opens, recording what the operator would have seen.
class ModalWatcher : public QObject {
    Q_OBJECT
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString focus;
        QString className;
    };

    ModalWatcher() {
        timer_.setInterval(std::chrono::milliseconds(2));
        connect(&timer_, &QTimer::timeout, this, &ModalWatcher::poll);
        timer_.start();
    }

    QList<Seen> seen;
    // Runs on each window before it is answered.
    std::function<void(QWidget *)> inspect;
    // The button a message box is answered with, when the box has it; otherwise OK, or the
    // box's escape button (No) when it has no OK.
    std::function<QMessageBox::StandardButton(const Seen &)> answer;
    // A modal window under test, which the watcher must not answer.
    QWidget *leaveAlone = nullptr;
    // Leaves every prompt window alone, for tests where the program makes them.
    bool leavePromptWindows = false;

private:
    void poll() {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || modal == answered_ || modal == leaveAlone ||
            (leavePromptWindows && modal->inherits("PromptWindow")))
            return;
        answered_ = modal;
        Seen s;
        s.title = modal->windowTitle();
        s.className = QString::fromLatin1(modal->metaObject()->className());
        if (QWidget *focus = modal->focusWidget())
            s.focus = focus->objectName();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            s.text = box->text();
            s.icon = box->icon();
        } else if (auto *label = modal->findChild<QLabel *>(QStringLiteral("Label1"))) {
            s.text = label->text();
        }
        if (inspect)
            inspect(modal);
        seen.append(s);
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            QAbstractButton *button = answer ? box->button(answer(s)) : nullptr;
            if (button == nullptr)
                button = box->button(QMessageBox::Ok);
            (button != nullptr ? button : box->escapeButton())->click();
        } else if (auto *ok = modal->findChild<QPushButton *>(QStringLiteral("Command1_0")))
            ok->click();
        else
            modal->close();
        // The same window may open again later: forget it once it is gone.
        QTimer::singleShot(0, this, [this] { answered_ = nullptr; });
    }

    QTimer timer_;
    QWidget *answered_ = nullptr;
};
