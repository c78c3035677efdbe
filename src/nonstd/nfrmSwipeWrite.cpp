#include "nonstd/nfrmSwipeWrite.h"

#include "app/MainModule.h"
#include "nonstd/NonIsoEntry.h"
#include "ui/MessageWindows.h"

#include <QMessageBox>

nfrmSwipeWrite::nfrmSwipeWrite(const Context &context, QWidget *parent)
    : PromptWindow(context, {}, parent), protocol_(session(), NonIsoSwipeWriteProtocol) {
    setObjectName(QStringLiteral("nfrmSwipeWrite"));
    setWindowTitle(QStringLiteral("Non-ISO Write Swipe Prompt"));
    setCardSentence(QStringLiteral("You are writing card #                   ."));
}

void nfrmSwipeWrite::load() {
    setCardNumber(0);
}

void nfrmSwipeWrite::startWork() {
    PromptWindow::startWork();
    setCardNumber(1);
}

// LRQ118 needs no reset, only its write opening; KVT-380A is reset and must answer ":" or
// nothing.
PromptWindow::Opening nfrmSwipeWrite::openingHandshake() {
    if (protocol_.isKvt380a()) {
        if (!session().ResetStep())
            return Opening::ResetFailed;
    } else {
        session().send(IsoFrames::Lrq118::Opening);
    }
    session().PauseAfterReset();
    session().discardInput();
    return Opening::Ready;
}

PromptWindow::Next nfrmSwipeWrite::runCard() {
    const std::optional<NonIsoFrames::Tracks> tracks = writableTracks();
    if (!tracks)
        return Next::Stop;
    // A silent encoder would answer no density either: each card would only freeze the
    // window for the wait and end in an error window, with Cancel out of reach.
    if (!protocol_.PrepareRawWrite()) {
        writeFailed();
        return Next::Stop;
    }
    const SwipeResult result = protocol_.RawWrite((*tracks)[0], (*tracks)[1], (*tracks)[2]);
    if (!state().CancelRequested && result == SwipeResult::Done)
        advanceCardNumber();
    else if (state().ReplyDone || state().CancelRequested)
        return Next::Stop;
    else
        writeFailed();
    protocol_.AfterWriteAttempt();
    return Next::Continue;
}

std::optional<NonIsoFrames::Tracks> nfrmSwipeWrite::writableTracks() {
    const MainModule &s = state();
    const NonIsoFrames::Tracks tracks = s.NonIsoStdFormat ? s.NonIsoKeyedText : s.NonIsoTrackText;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (const std::optional<InformationMessage> fault =
                NonIsoTrackEntry::of(s, i).dataFault(tracks[i])) {
            setSkipActivate();
            QMessageBox::information(this, fault->title, fault->text);
            return std::nullopt;
        }
    }
    return tracks;
}

void nfrmSwipeWrite::writeFailed() {
    protocol_.AfterFailedWrite();
    reportCardFailure();
}

void nfrmSwipeWrite::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void nfrmSwipeWrite::showCardError() {
    sfrmWriteErr(state(), this).showModal();
}

void nfrmSwipeWrite::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

// LRQ118 has nothing to say when the window closes.
void nfrmSwipeWrite::sendClosingFrames() {
    if (protocol_.isKvt380a())
        protocol_.SendAndWait(IsoFrames::Kvt380a::Reset);
}
