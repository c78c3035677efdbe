#include "nonstd/nfrmReadCard.h"

#include "app/MainModule.h"
#include "nonstd/nfrmReadStdFmt.h"
#include "ui/MessageWindows.h"
#include "ui/WindowSlot.h"

nfrmReadCard::nfrmReadCard(const Context &context, QWidget *parent)
    : PromptWindow(context, {}, parent), protocol_(session(), NonIsoReadProtocol) {
    setObjectName(QStringLiteral("nfrmReadCard"));
    setWindowTitle(QStringLiteral("Non-ISO Read Swipe Prompt"));
    setCardSentence(QStringLiteral("You are reading card #                  ."));
}

nfrmReadCard::~nfrmReadCard() = default;

void nfrmReadCard::load() {
    openPort();
}

void nfrmReadCard::startWork() {
    setCardNumber(1);
    state().CancelRequested = false;
    session().discardInput();
}

// The reset alone: a raw read needs no opening command.
PromptWindow::Opening nfrmReadCard::openingHandshake() {
    if (!session().ResetStep())
        return Opening::ResetFailed;
    session().PauseAfterReset();
    return Opening::Ready;
}

PromptWindow::Next nfrmReadCard::runCard() {
    protocol_.SetReadyIndicator();
    const SwipeResult result = protocol_.RawRead();
    if (state().CancelRequested)
        return Next::Stop;
    switch (result) {
    case SwipeResult::Failed:
        reportCardFailure();
        break;
    case SwipeResult::Done:
        protocol_.SetReadyIndicator();
        setSkipActivate();
        windowIn(result_, state(), this).showModal();
        advanceCardNumber();
        break;
    case SwipeResult::NotDone:
    case SwipeResult::Skipped:
        break;
    }
    return Next::Continue;
}

void nfrmReadCard::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void nfrmReadCard::showCardError() {
    sfrmReadErr(state(), this).showModal();
}

void nfrmReadCard::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void nfrmReadCard::sendClosingFrames() {
    session().ReadingClosing();
}

void nfrmReadCard::cancelPressed() {
    state().CancelRequested = true;
}
