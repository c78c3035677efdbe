#include "iso/PromptWindow.h"

#include "app/MainModule.h"
#include "link/CommControl.h"
#include "ui/MainRecords.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

PromptWindow::PromptWindow(const Context &context, const IsoProtocol::Options &options,
                           QWidget *parent)
    : QDialog(parent), state_(context.state), records_(context.records),
      port_(context.makePort(this)),
      protocol_(context.state, *port_, context.waiter, *this, options),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)), label1_(new QLabel(this)),
      lc_(new QLabel(QStringLiteral("1"), label1_)), label2_(new QLabel(SwipePromptText, this)),
      picture_(new QLabel(this)) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);
    port_->setObjectName(QStringLiteral("MSComm1"));
    cancel_->setObjectName(QStringLiteral("Command1_0"));
    label1_->setObjectName(QStringLiteral("Label1"));
    lc_->setObjectName(QStringLiteral("LC"));
    label2_->setObjectName(QStringLiteral("Label2"));
    picture_->setObjectName(QStringLiteral("Picture1"));

    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    picture_->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(size, size));
    QSizePolicy keepPlace = label2_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    label2_->setSizePolicy(keepPlace);
    label2_->hide();
    lc_->setAlignment(Qt::AlignCenter);
    // The swipe prompt is what the operator waits on: it stands out.
    QFont prompt = label2_->font();
    prompt.setBold(true);
    prompt.setPointSizeF(prompt.pointSizeF() * 1.2);
    label2_->setFont(prompt);

    auto *text = new QVBoxLayout;
    text->setSpacing(10);
    text->addWidget(label2_);
    text->addWidget(label1_);
    text->addStretch();
    auto *content = new QHBoxLayout;
    content->setSpacing(16);
    content->addWidget(picture_, 0, Qt::AlignTop);
    content->addLayout(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(16);
    layout->addLayout(content);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 52);

    connect(cancel_, &QPushButton::clicked, this, [this] { cancelPressed(); });
    connect(port_, &CommControl::connectionLost, this,
            [this](const QString &why) { portFailed(why); });
}

void PromptWindow::run() {
    skipActivate_ = false;
    closed_ = false;
    closingByProgram_ = false;
    portFailed_ = false;
    unreportedPortFailure_.reset();
    load();
    exec();
}

void PromptWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    queueActivation();
}

bool PromptWindow::event(QEvent *event) {
    if (event->type() == QEvent::WindowActivate)
        queueActivation();
    return QDialog::event(event);
}

void PromptWindow::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    placeCardLabel();
}

void PromptWindow::queueActivation() {
    // Run from the dialog's own event loop, never from inside show(): the card loop may
    // close the window, and exec() must already be waiting for that.
    QMetaObject::invokeMethod(this, &PromptWindow::activate, Qt::QueuedConnection);
}

void PromptWindow::activate() {
    cancel_->setFocus(Qt::ActiveWindowFocusReason);
    // A closed message window activates this window again while the loop still runs.
    if (skipActivate_ || running_ || closed_ || !isVisible())
        return;
    running_ = true;
    state_.ReplyDone = false;
    startWork();
    const Opening opening = state_.CancelRequested ? Opening::Ready : openingHandshake();
    if (opening != Opening::Ready) {
        // Closing the window during the handshake is no failure of the encoder.
        if (!state_.CancelRequested) {
            const bool indicate = opening == Opening::CommandFailed;
            if (indicate)
                protocol_.SetErrorIndicator(true);
            skipActivate_ = true;
            showOpeningError(opening);
            if (indicate)
                protocol_.SetErrorIndicator(false);
        }
        reportPortFailureOnce();
        closeWindow();
        running_ = false;
        return;
    }
    while (!state_.CancelRequested) {
        showSwipePrompt(false);
        if (runCard() == Next::Stop)
            break;
    }
    records_.setMessage({});
    reportPortFailureOnce();
    closeWindow();
    running_ = false;
}

void PromptWindow::startWork() {
    openPort();
    protocol_.discardInput();
}

PromptWindow::Opening PromptWindow::standardHandshake(IsoProtocol::Opening kind) {
    if (!protocol_.ResetStep())
        return Opening::ResetFailed;
    protocol_.PauseAfterReset();
    return protocol_.OpeningCommand(kind) ? Opening::Ready : Opening::CommandFailed;
}

bool PromptWindow::openPort() {
    const bool opened = protocol_.openPort();
    label1_->show();
    return opened;
}

void PromptWindow::reportCardFailure() {
    skipActivate_ = true;
    protocol_.SetErrorIndicator(true);
    showCardError();
    protocol_.SetErrorIndicator(false);
}

void PromptWindow::setCardNumber(int number) {
    cardNumber_ = number;
    lc_->setText(QString::number(number));
}

void PromptWindow::setCardSentence(const QString &text) {
    label1_->setText(text);
    placeCardLabel();
}

void PromptWindow::placeCardLabel() {
    const QString text = label1_->text();
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    if (hash < 0)
        return;
    qsizetype end = hash + 1;
    while (end < text.size() && text.at(end) == QLatin1Char(' '))
        ++end;
    const QFontMetrics metrics(label1_->font());
    const int left =
        label1_->contentsRect().left() + metrics.horizontalAdvance(text.left(hash + 1));
    const int width = std::max(metrics.horizontalAdvance(text.mid(hash + 1, end - hash - 1)),
                               metrics.horizontalAdvance(QStringLiteral("0000")));
    const int top = (label1_->height() - metrics.height()) / 2;
    lc_->setGeometry(left, std::max(top, 0), width, metrics.height());
}

void PromptWindow::showSwipePrompt(bool shown) {
    label2_->setVisible(shown);
}

void PromptWindow::portFailed(const QString &why) {
    state_.CancelRequested = true;
    skipActivate_ = true;
    if (portFailed_)
        return;
    portFailed_ = true;
    // One sentence: what the port said, and what happens now.
    QString cause = why.isEmpty() ? QStringLiteral("The serial port to the encoder failed") : why;
    while (cause.endsWith(QLatin1Char('.')))
        cause.chop(1);
    unreportedPortFailure_ = cause + QStringLiteral(", so this window closes.");
    // A running card loop ends at its next poll and reports it there, with no wait left on
    // the stack; otherwise tell the operator once back in the event loop.
    if (!running_)
        QMetaObject::invokeMethod(
            this,
            [this] {
                reportPortFailureOnce();
                closeWindow();
            },
            Qt::QueuedConnection);
}

void PromptWindow::reportPortFailureOnce() {
    if (!unreportedPortFailure_)
        return;
    const QString sentence = *unreportedPortFailure_;
    unreportedPortFailure_.reset();
    reportPortFailure(sentence);
}

void PromptWindow::reportPortFailure(const QString &sentence) {
    QMessageBox::warning(this, windowTitle(), sentence);
}

void PromptWindow::cancelPressed() {
    close();
}

void PromptWindow::closeWindow() {
    closingByProgram_ = true;
    close();
}

void PromptWindow::done(int result) {
    closingStep();
    QDialog::done(result);
}

void PromptWindow::closingStep() {
    if (closed_)
        return;
    closed_ = true;
    unloading(!closingByProgram_);
    state_.CancelRequested = true;
    state_.ReplyDone = true;
    protocol_.SendClosingFrames();
    if (port_->isOpen())
        port_->close();
}
