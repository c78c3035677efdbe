#include "iso/cfrmEncodeRF.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;

cfrmEncodeRF::cfrmEncodeRF(const Context &context, QWidget *parent)
    : PromptWindow(context, {.skipButton = true}, parent), protocol_(session(), Protocol) {
    setObjectName(QStringLiteral("cfrmEncodeRF"));
    setWindowTitle(QStringLiteral("File Encode Prompt - Write Record"));
    setCardSentence(QStringLiteral("You are writing card #                 ."));
}

void cfrmEncodeRF::load() {
    setCardNumber(1);
}

void cfrmEncodeRF::startWork() {
    setSkipEnabled(false);
    reader_.emplace(state().EncodeFileText);
    takeNext_ = true;
    PromptWindow::startWork();
}

void cfrmEncodeRF::lightsOut() {
    protocol_.SendAndWait(Kvt::ReadyOn);
    protocol_.SendAndWait(Kvt::ReadyOff);
}

PromptWindow::Opening cfrmEncodeRF::openingHandshake() {
    LinkSession &s = session();
    if (!s.ResetStep())
        return Opening::ResetFailed;
    if (!protocol_.isKvt380a())
        protocol_.PrepareWrite();
    s.PauseAfterReset();
    if (!protocol_.isKvt380a())
        return Opening::Ready;
    if (s.OpeningCommand(Kvt::OpeningWrite))
        return Opening::Ready;
    lightsOut();
    return Opening::CommandFailed;
}

PromptWindow::Next cfrmEncodeRF::runCard() {
    if (takeNext_) {
        const std::optional<IsoFrames::Tracks> record = reader_->next();
        if (!record)
            return Next::Stop;
        records().showInput(*record, MainRecords::BlankLength::AsText);
    }
    records().clearOutput();
    setSkipEnabled(true);
    showCardSentence(true);
    showSwipePrompt(true);
    const MainRecords::Tracks tracks = records().input();
    const SwipeResult result = protocol_.WriteTracks(tracks[0], tracks[1], tracks[2]);
    setSkipEnabled(false);
    const bool kvt = protocol_.isKvt380a();
    if (result == SwipeResult::Done && !state().CancelRequested) {
        records().showOutput(tracks, MainRecords::BlankLength::AsText);
        records().setMessage("\r\nWrite complete.  Verify data accuracy before continue.");
        showCardSentence(false);
        showSwipePrompt(false);
        advanceCardNumber();
        takeNext_ = true;
    } else if (state().CancelRequested) {
        return Next::Stop;
    } else if (result == SwipeResult::Skipped) {
        if (kvt) {
            protocol_.SendAndWait(Kvt::Reset);
            protocol_.SendAndWait(Kvt::OpeningWrite);
        }
    } else {
        records().markOutputFailed();
        records().setMessage({});
        if (kvt)
            lightsOut();
        else
            session().send(Lrq::ErrorOff);
        // The same record goes onto the next card.
        takeNext_ = false;
        reportCardFailure();
        if (result == SwipeResult::NotDone)
            return Next::Stop;
    }
    if (kvt)
        lightsOut();
    // Cancel need not wait for the pause to run out.
    session().pause(RecordPause, true, Stop::OnCancel);
    records().setMessage({});
    return Next::Continue;
}

void cfrmEncodeRF::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void cfrmEncodeRF::showCardError() {
    sfrmWriteErr(state(), this).showModal();
}

void cfrmEncodeRF::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void cfrmEncodeRF::unloading(bool byOperator) {
    // Cancel and the title-bar close end the run early; the run's own closing does not.
    if (byOperator)
        state().EncodeFileCancelled = true;
}

void cfrmEncodeRF::sendClosingFrames() {
    protocol_.SendAndWait(Kvt::Reset);
}
