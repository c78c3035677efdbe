#include "ui/MessageWindows.h"

#include "app/MainModule.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

FixedMessageWindow::FixedMessageWindow(const QString &caption, const QString &text, QWidget *parent)
    : MessageWindow(parent) {
    setWindowTitle(caption);
    setText(text);
}

sfrmEraseErr::sfrmEraseErr(QWidget *parent)
    : FixedMessageWindow(QStringLiteral("Erase Swipe Error"),
                         QStringLiteral("Erase error!  Please try again."), parent) {}

sfrmRFOK::sfrmRFOK(QWidget *parent)
    : FixedMessageWindow(QStringLiteral("File Encode Complete (EOF)"),
                         QStringLiteral("End of file reached.  Press OK to exit."), parent) {
    setIcon(QStyle::SP_MessageBoxInformation);
}

sfrmIncEOK::sfrmIncEOK(QWidget *parent)
    : FixedMessageWindow(QStringLiteral("Incremental Encode Complete"),
                         QStringLiteral("Last incremental encode done.  Press OK to exit."),
                         parent) {
    setIcon(QStyle::SP_MessageBoxInformation);
}

namespace {

// A line of the window's own below its fixed text, hidden while empty.
QLabel *addDetail(QVBoxLayout *body, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(QStringLiteral("Label2"));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    label->hide();
    body->addWidget(label);
    return label;
}

void setDetail(QLabel *label, const QString &text) {
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

} // namespace

sfrmFormatError::sfrmFormatError(QWidget *parent)
    : FixedMessageWindow(QStringLiteral("File Encode - File Format Error"),
                         QStringLiteral("Incorrect file format. Select ASCII format only."),
                         parent),
      problem_(addDetail(body(), this)) {
    problem_->setMinimumWidth(textLabel()->sizeHint().width());
}

void sfrmFormatError::setProblem(const QString &problem) {
    setDetail(problem_, problem);
}

namespace {

QString readErrorCaption(const MainModule &state) {
    return state.NonIsoMode ? QStringLiteral("Non-ISO Read Swipe Error")
                            : QStringLiteral("Read Swipe Error");
}

QString writeErrorCaption(const MainModule &state) {
    if (state.NonIsoMode)
        return QStringLiteral("Non-ISO Write Swipe Error");
    if (!state.WriteErrCaption.isEmpty())
        return QString::fromLatin1(state.WriteErrCaption);
    return QStringLiteral("Write Swipe Error");
}

} // namespace

sfrmReadErr::sfrmReadErr(const MainModule &state, QWidget *parent)
    : MessageWindow(parent), state_(state) {
    setText(QStringLiteral("Read error!  Please try again."));
    load();
}

void sfrmReadErr::load() {
    setWindowTitle(readErrorCaption(state_));
}

sfrmWriteErr::sfrmWriteErr(const MainModule &state, QWidget *parent)
    : MessageWindow(parent), state_(state) {
    setText(QStringLiteral("Write error!  Please try again."));
    load();
}

void sfrmWriteErr::load() {
    setWindowTitle(writeErrorCaption(state_));
}

sfrmSaveError::sfrmSaveError(QWidget *parent)
    : MessageWindow(parent), LB(new QLabel(QStringLiteral("No card swipe(s) saved to "), this)),
      LC(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("File Overwrite Abort"));
    setText(QString());

    LB->setObjectName(QStringLiteral("LB"));
    LB->setTextFormat(Qt::PlainText);
    LB->setBuddy(LC);

    LC->setObjectName(QStringLiteral("LC"));
    LC->setReadOnly(true);
    LC->setFrameShape(QFrame::NoFrame);
    LC->setFocusPolicy(Qt::NoFocus);
    LC->setBackgroundVisible(false);
    LC->viewport()->setAutoFillBackground(false);
    LC->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LC->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    LC->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    LC->document()->setDocumentMargin(0);
    const QFontMetrics metrics = LC->fontMetrics();
    LC->setFixedSize(metrics.averageCharWidth() * 44, metrics.lineSpacing() * 3 + 2);

    body()->addWidget(LB);
    body()->addWidget(LC);
    reason_ = addDetail(body(), this);
    reason_->setFixedWidth(LC->width());
}

void sfrmSaveError::setFileName(const QString &path, const QString &reason) {
    LC->setPlainText(path);
    setDetail(reason_, reason);
}
