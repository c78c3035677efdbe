#include "iso/cfrmReadCard.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

#include <algorithm>

namespace Kvt = IsoFrames::Kvt380a;

cfrmReadCard::cfrmReadCard(const Context &context, QWidget *parent)
    : PromptWindow(context, {}, parent), protocol_(session(), {}) {
    setObjectName(QStringLiteral("cfrmReadCard"));
    setWindowTitle(QStringLiteral("Read Swipe Prompt"));
    setCardSentence(QStringLiteral("You are reading card #                 ."));
}

void cfrmReadCard::load() {
    openPort();
}

void cfrmReadCard::startWork() {
    setCardNumber(1);
    state().CancelRequested = false;
}

PromptWindow::Opening cfrmReadCard::openingHandshake() {
    return standardHandshake(Kvt::OpeningRead);
}

PromptWindow::Next cfrmReadCard::runCard() {
    if (protocol_.isKvt380a())
        protocol_.SetReadyIndicator();
    const SwipeResult result = protocol_.ReadTracks();
    if (state().CancelRequested)
        return Next::Stop;
    switch (result) {
    case SwipeResult::Done: {
        const MainRecords::Tracks tracks = {state().Track1Data, state().Track2Data,
                                            state().Track3Data};
        records().showOutput(tracks, MainRecords::BlankLength::Zero);
        if (std::find(tracks.begin(), tracks.end(), "*") != tracks.end()) {
            records().setMessage({});
            failureReport(false);
        } else {
            records().setMessage("\r\nSuccessful read from card swipe.");
            advanceCardNumber();
        }
        break;
    }
    case SwipeResult::Failed:
        failureReport(true);
        break;
    case SwipeResult::NotDone:
    case SwipeResult::Skipped:
        break;
    }
    return Next::Continue;
}

void cfrmReadCard::failureReport(bool clearRecord) {
    if (clearRecord) {
        records().markOutputFailed();
        records().setMessage({});
    }
    reportCardFailure();
    protocol_.SetReadyIndicator();
}

void cfrmReadCard::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void cfrmReadCard::showCardError() {
    sfrmReadErr(state(), this).showModal();
}

void cfrmReadCard::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void cfrmReadCard::sendClosingFrames() {
    session().ReadingClosing();
}

void cfrmReadCard::cancelPressed() {
    state().CancelRequested = true;
}
