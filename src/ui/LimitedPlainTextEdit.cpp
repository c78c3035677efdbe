#include "ui/LimitedPlainTextEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>

LimitedPlainTextEdit::LimitedPlainTextEdit(QWidget *parent) : QPlainTextEdit(parent) {}

void LimitedPlainTextEdit::setLimitedText(const QString &text) {
    setPlainText(text.left(maxLength_));
}

int LimitedPlainTextEdit::room() const {
    const int selected = static_cast<int>(textCursor().selectedText().size());
    return maxLength_ - static_cast<int>(toPlainText().size()) + selected;
}

void LimitedPlainTextEdit::keyPressEvent(QKeyEvent *event) {
    const QString text = event->text();
    const bool inserts = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                         (!text.isEmpty() && text.front().isPrint());
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (inserts && plain && room() <= 0) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedPlainTextEdit::insertFromMimeData(const QMimeData *source) {
    if (source == nullptr || !source->hasText())
        return;
    const int space = room();
    if (space <= 0)
        return;
    QMimeData cut;
    cut.setText(source->text().left(space));
    QPlainTextEdit::insertFromMimeData(&cut);
}

void LimitedPlainTextEdit::inputMethodEvent(QInputMethodEvent *event) {
    const int space = room();
    if (event->commitString().size() > space) {
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(event->commitString().left(qMax(space, 0)), event->replacementStart(),
                            event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&cut);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}
