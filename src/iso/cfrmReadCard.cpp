#include "iso/cfrmReadCard.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

#include <QLabel>

namespace {

constexpr int OutputTrack1 = 3;

QByteArray lengthOf(const QByteArray &track) {
    return QByteArray::number(track == "+" ? 0 : track.size());
}

} // namespace

cfrmReadCard::cfrmReadCard(const Context &context, QWidget *parent)
    : PromptWindow(context, IsoProtocol::forReadWindow(), parent) {
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
    return standardHandshake(IsoProtocol::Opening::Read);
}

PromptWindow::Next cfrmReadCard::runCard() {
    if (protocol().isKvt380a())
        protocol().SetReadyIndicator();
    const SwipeResult result = protocol().ReadTracks();
    if (state().CancelRequested)
        return Next::Stop;
    switch (result) {
    case SwipeResult::Done: {
        const QByteArray tracks[] = {state().Track1Data, state().Track2Data, state().Track3Data};
        bool unreadable = false;
        for (int i = 0; i < 3; ++i) {
            records().setTrack(OutputTrack1 + i, tracks[i]);
            records().setLength(OutputTrack1 + i, lengthOf(tracks[i]));
            unreadable = unreadable || tracks[i] == "*";
        }
        if (unreadable) {
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
        for (int i = OutputTrack1; i < OutputTrack1 + 3; ++i) {
            records().setTrack(i, "*");
            records().setLength(i, "0");
        }
        records().setMessage({});
    }
    reportCardFailure();
    protocol().SetReadyIndicator();
}

void cfrmReadCard::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void cfrmReadCard::showCardError() {
    sfrmReadErr(state(), this).showModal();
}

void cfrmReadCard::cancelPressed() {
    state().CancelRequested = true;
}
