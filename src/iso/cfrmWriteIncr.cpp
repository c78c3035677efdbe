#include "iso/cfrmWriteIncr.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"

#include <QMessageBox>

namespace Kvt = IsoFrames::Kvt380a;

namespace {

const QString CardSentence = QStringLiteral("You are writing card #                 of  %1");

} // namespace

cfrmWriteIncr::cfrmWriteIncr(const Context &context, QWidget *parent)
    : IsoWriteWindow(context, Protocol, {}, parent) {
    setObjectName(QStringLiteral("cfrmWriteIncr"));
    setWindowTitle(QStringLiteral("Incremental Encode Prompt "));
}

void cfrmWriteIncr::load() {
    state().WriteErrCaption = WriteErrorCaption;
    setCardNumber(1);
    setCardSentence(CardSentence.arg(QLatin1Char('n')) + QLatin1Char('.'));
}

void cfrmWriteIncr::startWork() {
    openPort();
    showCardSentence(false);
    total_ = state().IncrCount;
    session().discardInput();
}

PromptWindow::Opening cfrmWriteIncr::openingHandshake() {
    return writeOpening(OpeningReset);
}

void cfrmWriteIncr::showProgress() {
    setCardSentence(CardSentence.arg(total_) + QStringLiteral(". Please swipe a card."));
    setCardNumber(total_ - state().IncrCount + 1);
    showCardSentence(true);
}

PromptWindow::Next cfrmWriteIncr::runCard() {
    showProgress();
    const IsoFrames::Tracks card = IncrementalBatch::CurrentCard(state());
    if (const auto fault = IncrementalBatch::FindCardFault(card)) {
        reportUnwritableCard(card, *fault);
        return Next::Stop;
    }
    records().showInput(card, MainRecords::BlankLength::AsText);
    records().clearOutput();
    const SwipeResult result = protocol().WriteTracks(card[0], card[1], card[2]);
    if (!state().CancelRequested && result == SwipeResult::Done) {
        records().showOutput(card, MainRecords::BlankLength::AsText);
        records().setMessage("\r\nWrite complete.  Verify data accuracy before continue.");
        if (IncrementalBatch::CardWritten(state()))
            return Next::Stop;
    } else if (writeFailed(result) == Next::Stop) {
        return Next::Stop;
    }
    if (protocol().isKvt380a()) {
        protocol().ResetIndications();
        protocol().SendAndWait(Kvt::OpeningWrite);
    }
    session().pause(CardPause);
    records().setMessage({});
    return Next::Continue;
}

void cfrmWriteIncr::reportUnwritableCard(const IsoFrames::Tracks &card,
                                         const IncrementalBatch::CardFault &fault) {
    setSkipActivate();
    const QString text =
        QStringLiteral("The batch stops at card %1 of %2, which was not written: its track %3 "
                       "%4.\n\nTrack %3 would read: %5")
            .arg(cardNumber())
            .arg(total_)
            .arg(fault.track)
            .arg(DescribeTrackFault(fault.fault),
                 QString::fromLatin1(card.at(std::size_t(fault.track - 1))));
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// A refused reset shows the write error window, a refused "(" the read error window.
void cfrmWriteIncr::showOpeningError(Opening failure) {
    if (failure == Opening::ResetFailed)
        showCardError();
    else
        IsoWriteWindow::showOpeningError(failure);
}

void cfrmWriteIncr::unloading(bool) {
    state().WriteErrCaption.clear();
}
