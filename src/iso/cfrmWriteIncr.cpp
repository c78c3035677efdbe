#include "iso/cfrmWriteIncr.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

#include <QMessageBox>

namespace Kvt = IsoFrames::Kvt380a;

namespace {

const QString CardSentence = QStringLiteral("You are writing card #                 of  %1");

} // namespace

cfrmWriteIncr::cfrmWriteIncr(const Context &context, QWidget *parent)
    : PromptWindow(context, {}, parent), protocol_(session(), IncrProtocol) {
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

// KVT-380A: both indications off after a refused command, before the error window.
void cfrmWriteIncr::lightsOut() {
    protocol_.SendAndWait(Kvt::ReadyOn);
    protocol_.SendAndWait(Kvt::ReadyOff);
}

PromptWindow::Opening cfrmWriteIncr::openingHandshake() {
    if (!protocol_.isKvt380a()) {
        (void)session().OpeningCommand(Kvt::OpeningWrite);
        protocol_.PrepareWrite();
        return Opening::Ready;
    }
    if (!session().ResetStep(IncrReset))
        return Opening::ResetFailed;
    session().PauseAfterReset();
    if (session().OpeningCommand(Kvt::OpeningWrite))
        return Opening::Ready;
    lightsOut();
    return Opening::CommandFailed;
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
    const SwipeResult result = protocol_.WriteTracks(card[0], card[1], card[2]);
    if (!state().CancelRequested && result == SwipeResult::Done) {
        records().showOutput(card, MainRecords::BlankLength::AsText);
        records().setMessage("\r\nWrite complete.  Verify data accuracy before continue.");
        if (IncrementalBatch::CardWritten(state()))
            return Next::Stop;
    } else {
        if (state().CancelRequested)
            return Next::Stop;
        records().markOutputFailed();
        records().setMessage({});
        if (protocol_.isKvt380a())
            lightsOut();
        reportCardFailure();
        if (result == SwipeResult::NotDone)
            return Next::Stop;
    }
    if (protocol_.isKvt380a()) {
        lightsOut();
        protocol_.SendAndWait(Kvt::OpeningWrite);
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

void cfrmWriteIncr::showOpeningError(Opening failure) {
    if (failure == Opening::ResetFailed)
        sfrmWriteErr(state(), this).showModal();
    else
        sfrmReadErr(state(), this).showModal();
}

void cfrmWriteIncr::showCardError() {
    sfrmWriteErr(state(), this).showModal();
}

void cfrmWriteIncr::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void cfrmWriteIncr::unloading(bool) {
    state().WriteErrCaption.clear();
}

void cfrmWriteIncr::sendClosingFrames() {
    if (protocol_.isKvt380a())
        protocol_.SendAndWait(Kvt::Reset);
}
