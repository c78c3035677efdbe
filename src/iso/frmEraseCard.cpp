#include "iso/frmEraseCard.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

#include <QLabel>

namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;

frmEraseCard::frmEraseCard(const Context &context, QWidget *parent)
    : PromptWindow(context, {}, parent), protocol_(session(), EraseProtocol) {
    setObjectName(QStringLiteral("frmEraseCard"));
    setWindowTitle(QStringLiteral("Erase - Swipe Prompt"));
    setCardSentence(QStringLiteral("You are erasing card #                . "));
    // Wide enough for the sentence each card shows, so the window keeps its size.
    QLabel *sentence = cardSentenceLabel();
    sentence->setMinimumWidth(QFontMetrics(sentence->font()).horizontalAdvance(CardSentence));
}

void frmEraseCard::load() {
    nothingToErase_ = (state().EraseTrackMask & AllTracks) == 0;
}

void frmEraseCard::startWork() {
    if (nothingToErase_) {
        state().CancelRequested = true;
        return;
    }
    session().openPort();
    showCardSentence(false);
    cardCounter_ = 1;
    session().discardInput();
}

void frmEraseCard::lightsOut() {
    protocol_.SendAndWait(Kvt::ReadyOn);
    protocol_.SendAndWait(Kvt::ReadyOff);
}

PromptWindow::Opening frmEraseCard::openingHandshake() {
    const Opening opening = standardHandshake(Kvt::OpeningWrite);
    if (opening == Opening::CommandFailed)
        lightsOut();
    return opening;
}

PromptWindow::Next frmEraseCard::runCard() {
    setCardSentence(CardSentence);
    setCardNumber(cardCounter_);
    showCardSentence(true);
    records().setMessage({});
    const qint16 mask = state().EraseTrackMask & AllTracks;
    const SwipeResult result = protocol_.EraseTracks(mask);
    if (!state().CancelRequested && result == SwipeResult::Done) {
        records().setMessage("\r\nErase complete.  Verify data accuracy before continue.");
        ++cardCounter_;
    } else {
        if (state().CancelRequested)
            return Next::Stop;
        setSkipActivate();
        if (protocol_.isKvt380a())
            lightsOut();
        reportCardFailure();
    }
    if (protocol_.isKvt380a()) {
        lightsOut();
        protocol_.SendAndWait(Kvt::OpeningWrite);
    }
    // Once the window is closed there is no next card to wait for.
    session().pause(NextCardPause, true, Stop::OnCancel);
    return Next::Continue;
}

void frmEraseCard::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void frmEraseCard::showCardError() {
    sfrmEraseErr(this).showModal();
}

void frmEraseCard::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void frmEraseCard::sendClosingFrames() {
    if (nothingToErase_)
        return;
    if (protocol_.isKvt380a())
        protocol_.SendAndWait(Kvt::Reset);
    else if (session().reopenIfClosed())
        session().send(Lrq::Reset);
}
