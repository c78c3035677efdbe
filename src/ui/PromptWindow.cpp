#include "ui/PromptWindow.h"

#include "app/MainModule.h"
#include "link/CommControl.h"
#include "ui/DialogFrame.h"
#include "ui/MainRecords.h"
#include "ui/PromptPlacement.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

PromptWindow::PromptWindow(const Context &context, const Look &look, QWidget *parent)
    : QDialog(parent), state_(context.state), records_(context.records),
      port_(context.makePort(this)),
      session_(std::make_unique<LinkSession>(context.state, *port_, context.waiter, *this,
                                             context.port)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)),
      prompt_(new QLabel(SwipePromptText, this)), picture_(new QLabel(this)) {
    setFixedDialogFrame(*this);
    port_->setObjectName(QStringLiteral("MSComm1"));
    cancelButton_->setObjectName(QStringLiteral("Command1_0"));
    prompt_->setObjectName(QLatin1String(look.promptName));
    picture_->setObjectName(QStringLiteral("Picture1"));

    picture_->setPixmap(dialogPicture(*this, QStyle::SP_MessageBoxInformation));
    picture_->setAccessibleName(QStringLiteral("Information"));
    QSizePolicy keepPlace = prompt_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    prompt_->setSizePolicy(keepPlace);
    prompt_->hide();
    // The swipe prompt is what the operator waits on: it stands out.
    QFont promptFont = prompt_->font();
    promptFont.setBold(true);
    promptFont.setPointSizeF(promptFont.pointSizeF() * 1.2);
    prompt_->setFont(promptFont);

    auto *text = new QVBoxLayout;
    text->setSpacing(10);
    text->addWidget(prompt_);
    if (look.cardSentence) {
        cardSentence_ = new QLabel(this);
        cardSentence_->setObjectName(QStringLiteral("Label1"));
        cardSentence_->setSizePolicy(keepPlace);
        cardNumberLabel_ = new QLabel(QStringLiteral("1"), cardSentence_);
        cardNumberLabel_->setObjectName(QStringLiteral("LC"));
        cardNumberLabel_->setAlignment(Qt::AlignCenter);
        text->addWidget(cardSentence_);
    }
    text->addStretch();
    auto *content = new QHBoxLayout;
    content->setSpacing(16);
    content->addWidget(picture_, 0, Qt::AlignTop);
    content->addLayout(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    if (look.skipButton) {
        skipButton_ = new QPushButton(QStringLiteral("Skip"), this);
        skipButton_->setObjectName(QStringLiteral("Command1_1"));
        skipButton_->setEnabled(false);
        buttons->addWidget(skipButton_);
        connect(skipButton_, &QPushButton::clicked, this, [this] { skipPressed(); });
    }
    buttons->addWidget(cancelButton_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(16);
    layout->addLayout(content);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 52);

    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancelPressed(); });
    connect(port_, &CommControl::connectionLost, this,
            [this](const QString &why) { portFailed(why); });
}

PromptWindow::~PromptWindow() = default;

void PromptWindow::run() {
    skipActivate_ = false;
    skipRequested_ = false;
    closed_ = false;
    closingByProgram_ = false;
    portFailed_ = false;
    unreportedPortFailure_.reset();
    load();
    exec();
}

void PromptWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    placeBesideOwner();
    queueActivation();
}

void PromptWindow::placeBesideOwner() {
    // The main window, also when another window of the command opened this one.
    QWidget *owner = parentWidget();
    while (owner != nullptr && owner->window()->parentWidget() != nullptr)
        owner = owner->window()->parentWidget();
    if (owner == nullptr || !owner->window()->isVisible())
        return;
    owner = owner->window();
    QRect buttons;
    for (const QPushButton *button : owner->findChildren<QPushButton *>())
        if (button->window() == owner && button->isVisible())
            buttons |= QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
    const QRect ownerFrame = owner->frameGeometry();
    // This window's frame is not known before it first shows; it is drawn like the owner's.
    const QSize frame = size() + ownerFrame.size() - owner->geometry().size();
    move(promptPosition(owner->screen()->availableGeometry(), ownerFrame, buttons, frame));
}

bool PromptWindow::event(QEvent *event) {
    if (event->type() == QEvent::WindowActivate)
        queueActivation();
    return QDialog::event(event);
}

void PromptWindow::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    placeCardNumber();
}

void PromptWindow::queueActivation() {
    // Run from the dialog's own event loop, never from inside show(): the card loop may
    // close the window, and exec() must already be waiting for that.
    QMetaObject::invokeMethod(this, &PromptWindow::activate, Qt::QueuedConnection);
}

void PromptWindow::activate() {
    cancelButton_->setFocus(Qt::ActiveWindowFocusReason);
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
                setErrorIndication(true);
            skipActivate_ = true;
            showOpeningError(opening);
            if (indicate)
                setErrorIndication(false);
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
    cardLoopEnded();
    reportPortFailureOnce();
    closeWindow();
    running_ = false;
}

void PromptWindow::startWork() {
    openPort();
    session_->discardInput();
}

void PromptWindow::cardLoopEnded() {
    records_.setMessage({});
}

PromptWindow::Opening PromptWindow::standardHandshake(const QByteArray &kvtOpening) {
    if (!session_->ResetStep())
        return Opening::ResetFailed;
    session_->PauseAfterReset();
    return session_->OpeningCommand(kvtOpening) ? Opening::Ready : Opening::CommandFailed;
}

bool PromptWindow::openPort() {
    const bool opened = session_->openPort();
    showCardSentence(true);
    return opened;
}

void PromptWindow::reportCardFailure() {
    skipActivate_ = true;
    setErrorIndication(true);
    showCardError();
    setErrorIndication(false);
}

void PromptWindow::setCardNumber(int number) {
    cardNumber_ = number;
    if (cardNumberLabel_ != nullptr)
        cardNumberLabel_->setText(QString::number(number));
}

void PromptWindow::setCardSentence(const QString &text) {
    if (cardSentence_ == nullptr)
        return;
    cardSentence_->setText(text);
    // A longer sentence widens the open window rather than being cut off.
    if (isVisible()) {
        layout()->activate();
        resize(size().expandedTo(sizeHint()));
    }
    placeCardNumber();
}

void PromptWindow::showCardSentence(bool shown) {
    if (cardSentence_ != nullptr)
        cardSentence_->setVisible(shown);
}

void PromptWindow::setPromptText(const QString &text) {
    prompt_->setText(text);
}

void PromptWindow::setSkipEnabled(bool enabled) {
    if (skipButton_ != nullptr)
        skipButton_->setEnabled(enabled);
}

void PromptWindow::placeCardNumber() {
    if (cardSentence_ == nullptr)
        return;
    const QString text = cardSentence_->text();
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    if (hash < 0)
        return;
    qsizetype end = hash + 1;
    while (end < text.size() && text.at(end) == QLatin1Char(' '))
        ++end;
    const QFontMetrics metrics(cardSentence_->font());
    const int left =
        cardSentence_->contentsRect().left() + metrics.horizontalAdvance(text.left(hash + 1));
    const int width = std::max(metrics.horizontalAdvance(text.mid(hash + 1, end - hash - 1)),
                               metrics.horizontalAdvance(QStringLiteral("0000")));
    const int top = (cardSentence_->height() - metrics.height()) / 2;
    cardNumberLabel_->setGeometry(left, std::max(top, 0), width, metrics.height());
}

void PromptWindow::showSwipePrompt(bool shown) {
    prompt_->setVisible(shown);
}

bool PromptWindow::takeSkipRequest() {
    if (!skipRequested_)
        return false;
    skipRequested_ = false;
    setSkipEnabled(true);
    return true;
}

void PromptWindow::skipPressed() {
    showCardSentence(false);
    showSwipePrompt(false);
    setSkipEnabled(false);
    skipRequested_ = true;
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
    sendClosingFrames();
    session_->closePort();
}
