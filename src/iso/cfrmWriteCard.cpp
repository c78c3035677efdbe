#include "iso/cfrmWriteCard.h"

#include "app/MainModule.h"
#include "link/CommControl.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

namespace {

constexpr int OutputTrack1 = 3;
const QByteArray OpenWrite("(");
const QByteArray ReadyOn("L");
const QByteArray ReadyOff("l");

} // namespace

cfrmWriteCard::cfrmWriteCard(const Context &context, QWidget *parent)
    : PromptWindow(context, IsoProtocol::forWriteWindow(), parent) {
    setObjectName(QStringLiteral("cfrmWriteCard"));
    setWindowTitle(QStringLiteral("Write Swipe Prompt"));
    setCardSentence(QStringLiteral("You are writing card #                  ."));
}

void cfrmWriteCard::load() {
    setCardNumber(1);
}

// KVT-380A: both indications off after a refused command, before the error window.
void cfrmWriteCard::lightsOut() {
    protocol().SendAndWait(ReadyOn);
    protocol().SendAndWait(ReadyOff);
}

PromptWindow::Opening cfrmWriteCard::openingHandshake() {
    if (!protocol().isKvt380a()) {
        (void)protocol().OpeningCommand(IsoProtocol::Opening::Write);
        protocol().PrepareWrite();
        return Opening::Ready;
    }
    const Opening opening = standardHandshake(IsoProtocol::Opening::Write);
    if (opening == Opening::CommandFailed)
        lightsOut();
    return opening;
}

PromptWindow::Next cfrmWriteCard::runCard() {
    const QByteArray tracks[] = {records().track(0), records().track(1), records().track(2)};
    const SwipeResult result = protocol().WriteTracks(tracks[0], tracks[1], tracks[2]);
    if (!state().CancelRequested && result == SwipeResult::Done) {
        for (int i = 0; i < 3; ++i) {
            records().setTrack(OutputTrack1 + i, tracks[i]);
            records().setLength(OutputTrack1 + i, QByteArray::number(tracks[i].size()));
        }
        records().setMessage("\r\nWrite complete.  Verify data accuracy before continue.");
        advanceCardNumber();
    } else {
        if (state().CancelRequested)
            return Next::Stop;
        for (int i = OutputTrack1; i < OutputTrack1 + 3; ++i) {
            records().setTrack(i, "*");
            records().setLength(i, "0");
        }
        records().setMessage({});
        if (protocol().isKvt380a())
            lightsOut();
        reportCardFailure();
        if (result == SwipeResult::NotDone)
            return Next::Stop;
    }
    if (protocol().isKvt380a()) {
        protocol().SendAndWait(OpenWrite);
        protocol().PauseAfterReset();
        // Closing the window during the pause closed the port for good: opening it again
        // would leave it held after the window has gone.
        if (state().CancelRequested)
            return Next::Stop;
        if (!port().isOpen())
            protocol().openPort();
        protocol().discardInput();
    }
    return Next::Continue;
}

void cfrmWriteCard::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void cfrmWriteCard::showCardError() {
    sfrmWriteErr(state(), this).showModal();
}
