#include "iso/cfrmWriteCard.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"

namespace Kvt = IsoFrames::Kvt380a;

cfrmWriteCard::cfrmWriteCard(const Context &context, QWidget *parent)
    : IsoWriteWindow(context, {}, {}, parent) {
    setObjectName(QStringLiteral("cfrmWriteCard"));
    setWindowTitle(QStringLiteral("Write Swipe Prompt"));
    setCardSentence(QStringLiteral("You are writing card #                  ."));
}

void cfrmWriteCard::load() {
    setCardNumber(1);
}

PromptWindow::Opening cfrmWriteCard::openingHandshake() {
    return writeOpening({});
}

PromptWindow::Next cfrmWriteCard::runCard() {
    const MainRecords::Tracks tracks = records().input();
    const SwipeResult result = protocol().WriteTracks(tracks[0], tracks[1], tracks[2]);
    if (!state().CancelRequested && result == SwipeResult::Done) {
        records().showOutput(tracks, MainRecords::BlankLength::AsText);
        records().setMessage("\r\nWrite complete.  Verify data accuracy before continue.");
        advanceCardNumber();
    } else if (writeFailed(result) == Next::Stop) {
        return Next::Stop;
    }
    if (protocol().isKvt380a()) {
        protocol().SendAndWait(Kvt::OpeningWrite);
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
