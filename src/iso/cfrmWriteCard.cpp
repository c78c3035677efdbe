#include "iso/cfrmWriteCard.h"

#include "app/MainModule.h"
#include "link/CommControl.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

namespace Kvt = IsoFrames::Kvt380a;

cfrmWriteCard::cfrmWriteCard(const Context &context, QWidget *parent)
    : PromptWindow(context, {}, parent), protocol_(session(), {}) {
    setObjectName(QStringLiteral("cfrmWriteCard"));
    setWindowTitle(QStringLiteral("Write Swipe Prompt"));
    setCardSentence(QStringLiteral("You are writing card #                  ."));
}

void cfrmWriteCard::load() {
    setCardNumber(1);
}

PromptWindow::Opening cfrmWriteCard::openingHandshake() {
    if (!protocol_.isKvt380a()) {
        (void)session().OpeningCommand(Kvt::OpeningWrite);
        protocol_.PrepareWrite();
        return Opening::Ready;
    }
    const Opening opening = standardHandshake(Kvt::OpeningWrite);
    if (opening == Opening::CommandFailed)
        protocol_.ResetIndications();
    return opening;
}

PromptWindow::Next cfrmWriteCard::runCard() {
    const MainRecords::Tracks tracks = records().input();
    const SwipeResult result = protocol_.WriteTracks(tracks[0], tracks[1], tracks[2]);
    if (!state().CancelRequested && result == SwipeResult::Done) {
        records().showOutput(tracks, MainRecords::BlankLength::AsText);
        records().setMessage("\r\nWrite complete.  Verify data accuracy before continue.");
        advanceCardNumber();
    } else {
        if (state().CancelRequested)
            return Next::Stop;
        records().markOutputFailed();
        records().setMessage({});
        if (protocol_.isKvt380a())
            protocol_.ResetIndications();
        reportCardFailure();
        if (result == SwipeResult::NotDone)
            return Next::Stop;
    }
    if (protocol_.isKvt380a()) {
        protocol_.SendAndWait(Kvt::OpeningWrite);
        session().PauseAfterReset();
        // Closing the window during the pause closed the port for good: opening it again
        // would leave it held after the window has gone.
        if (state().CancelRequested)
            return Next::Stop;
        session().reopenIfClosed();
        session().discardInput();
    }
    return Next::Continue;
}

void cfrmWriteCard::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void cfrmWriteCard::showCardError() {
    sfrmWriteErr(state(), this).showModal();
}

void cfrmWriteCard::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void cfrmWriteCard::sendClosingFrames() {
    if (protocol_.isKvt380a())
        protocol_.SendAndWait(Kvt::Reset);
}
