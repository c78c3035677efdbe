#include "ui/TrackInput.h"

#include "app/MainModule.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace {

constexpr char16_t Delete = 127;
constexpr char16_t LastControl = 31;

const QString Track1Title = QStringLiteral(" 7-Bit Character (Std T1) Format Error");
const QString Track23Title = QStringLiteral(" 5-Bit Character (Std T2/T3) Format Error");
const QString Track1List =
    QStringLiteral("SP ! \" # $ % & ' ( ) * + , - . / 0 1 2 3 4 5 6 7 8 9 : ; = > @ A B C   \n"
                   "D E F G H I J K L M N O P Q R S T U V W X Y Z [ \\ ] ^ _");
const QString Track23List = QStringLiteral("0 1 2 3 4 5 6 7 8 9 : ; = > ");

QString charList(int box) {
    return box == 0 ? Track1List : Track23List;
}

} // namespace

KeyDecision CheckTrackKey(int box, const QString &typed, const MainModule &state) {
    KeyDecision decision{typed, true};
    if (box == 0)
        for (QChar &c : decision.text)
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - u'a' + u'A');
    const QByteArray &set = box == 0 ? state.Track1Chars : state.Track23Chars;
    for (const QChar c : decision.text) {
        const char16_t code = c.unicode();
        if (code <= LastControl || code == Delete)
            continue;
        if (code > 0xFF || !set.contains(static_cast<char>(code)))
            decision.accepted = false;
    }
    return decision;
}

bool IsTrackTextValid(int box, const QByteArray &text) {
    return box == 0 ? IsTrack1Text(text) : IsTrack23Text(text);
}

QByteArray UpperCaseAscii(const QByteArray &text) {
    QByteArray upper = text;
    for (char &c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

QString TrackMessageTitle(int box) {
    return box == 0 ? Track1Title : Track23Title;
}

QString RefusedKeyText(int box) {
    return QStringLiteral("Use the following characters only:   \n") + charList(box);
}

// The leaving message has always read "fellowing"; operators' notes quote it that way.
QString LeavingText(int box) {
    return QStringLiteral("Use the fellowing characters only:   \n") + charList(box);
}

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
