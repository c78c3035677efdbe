#include "iso/cfrmEncodeRF.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"

namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;

cfrmEncodeRF::cfrmEncodeRF(const Context &context, QWidget *parent)
    : IsoWriteWindow(context, Protocol, {.skipButton = true}, parent) {
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

// LRQ118 opens with ESC a and the density frame rather than the write windows' 1B 84.
PromptWindow::Opening cfrmEncodeRF::openingHandshake() {
    if (protocol().isKvt380a())
        return writeOpening({});
    session().send(Lrq::Reset);
    protocol().PrepareWrite();
    session().PauseAfterReset();
    return Opening::Ready;
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
    const SwipeResult result = protocol().WriteTracks(tracks[0], tracks[1], tracks[2]);
    setSkipEnabled(false);
    const bool kvt = protocol().isKvt380a();
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
            protocol().SendAndWait(Kvt::Reset);
            protocol().SendAndWait(Kvt::OpeningWrite);
        }
    } else {
        if (!kvt)
            session().send(Lrq::ErrorOff);
        // The same record goes onto the next card.
        takeNext_ = false;
        if (writeFailed(result) == Next::Stop)
            return Next::Stop;
    }
    if (kvt)
        protocol().ResetIndications();
    // Cancel need not wait for the pause to run out.
    session().pause(RecordPause, true, Stop::OnCancel);
    records().setMessage({});
    return Next::Continue;
}

void cfrmEncodeRF::unloading(bool byOperator) {
    // Cancel and the title-bar close end the run early; the run's own closing does not.
    if (byOperator)
        state().EncodeFileCancelled = true;
}

// DEL goes out in both command sets.
void cfrmEncodeRF::sendClosingFrames() {
    protocol().SendAndWait(Kvt::Reset);
}
