#include "iso/cfrmCopyCard.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

#include <QLabel>

#include <algorithm>

namespace Kvt = IsoFrames::Kvt380a;

cfrmCopyCard::cfrmCopyCard(const Context &context, QWidget *parent)
    : PromptWindow(context, {.cardSentence = false, .promptName = "Label1"}, parent),
      protocol_(session(), CopyProtocol) {
    setObjectName(QStringLiteral("cfrmCopyCard"));
    // Wide enough for either prompt from the start, so the window keeps its size.
    const QFontMetrics metrics(promptLabel()->font());
    promptLabel()->setMinimumWidth(
        std::max(metrics.horizontalAdvance(ReadPrompt), metrics.horizontalAdvance(WritePrompt)));
    enterPhase(Phase::Read);
}

void cfrmCopyCard::enterPhase(Phase phase) {
    showSwipePrompt(false);
    const bool read = phase == Phase::Read;
    setWindowTitle(read ? ReadCaption : WriteCaption);
    setPromptText(read ? ReadPrompt : WritePrompt);
    QPalette colours = promptLabel()->palette();
    colours.setColor(QPalette::WindowText,
                     read ? palette().color(QPalette::ButtonText) : QColor(Qt::red));
    promptLabel()->setPalette(colours);
}

PromptWindow::Opening cfrmCopyCard::openingHandshake() {
    if (protocol_.isKvt380a()) {
        session().yieldOnce();
        // Closed already: the encoder is told nothing more than the closing step tells it.
        if (state().CancelRequested)
            return Opening::Ready;
        if (!session().ResetStep())
            return Opening::ResetFailed;
    } else {
        (void)session().ResetStep();
        protocol_.PrepareWrite();
    }
    session().PauseAfterReset();
    return Opening::Ready;
}

PromptWindow::Next cfrmCopyCard::runCard() {
    if (!state().CancelRequested) {
        const ReadEnd read = readSource();
        if (read == ReadEnd::Refused)
            return Next::Stop;
        if (read == ReadEnd::Read && writeTarget())
            return Next::Continue;
    }
    cancelEnding();
    return Next::Stop;
}

bool cfrmCopyCard::readyForRead() {
    LinkSession &s = session();
    // The answer to the last error indication may still come in after its wait ended.
    s.discardInput();
    s.send(Kvt::ReadyOn);
    // Nothing can answer once the window has closed the port.
    s.waitForBytes(1, {IndicatorReplyLimit, true, Stop::OnCancel});
    return s.input() == Kvt::Ack;
}

cfrmCopyCard::ReadEnd cfrmCopyCard::readSource() {
    enterPhase(Phase::Read);
    for (;;) {
        if (state().CancelRequested)
            return ReadEnd::Cancelled;
        if (protocol_.isKvt380a()) {
            const bool ready = readyForRead();
            // The operator who closed the window is shown no error about it.
            if (state().CancelRequested)
                return ReadEnd::Cancelled;
            if (!ready) {
                setErrorIndication(true);
                setSkipActivate();
                showError(ErrorWindow::Read);
                return ReadEnd::Refused;
            }
        }
        showSwipePrompt(false);
        const SwipeResult result = protocol_.ReadTracks();
        if (state().CancelRequested)
            return ReadEnd::Cancelled;
        if (result == SwipeResult::NotDone)
            continue;
        if (result == SwipeResult::Done) {
            const MainRecords::Tracks tracks = {state().Track1Data, state().Track2Data,
                                                state().Track3Data};
            records().showInput(tracks, MainRecords::BlankLength::Zero);
            records().clearOutput();
            if (std::find(tracks.begin(), tracks.end(), "*") == tracks.end()) {
                records().setMessage("\r\nSuccessful read from card swipe.");
                return ReadEnd::Read;
            }
            records().setMessage({});
        } else {
            records().clearInput();
            records().setMessage({});
            // Stays lit while the operator tries the card again.
            setErrorIndication(true);
        }
        setSkipActivate();
        showError(ErrorWindow::Read);
    }
}

bool cfrmCopyCard::writeTarget() {
    records().clearOutput();
    records().setMessage({});
    enterPhase(Phase::Write);
    for (;;) {
        const MainRecords::Tracks tracks = records().input();
        const SwipeResult result = protocol_.WriteTracks(tracks[0], tracks[1], tracks[2]);
        if (!state().CancelRequested && result == SwipeResult::Done) {
            records().showOutput(tracks, MainRecords::BlankLength::AsText);
            records().setMessage("\r\nWrite complete.  Verify data accuracy before continue.");
            return true;
        }
        if (state().CancelRequested)
            return false;
        records().markOutputFailed();
        records().setMessage({});
        reportCardFailure();
        if (result == SwipeResult::NotDone)
            return false;
    }
}

void cfrmCopyCard::cancelEnding() {
    records().clearOutput();
    records().setMessage({});
}

void cfrmCopyCard::showError(ErrorWindow window) {
    setEnabled(false);
    // Made after the window was disabled, so that it stays enabled itself.
    if (window == ErrorWindow::Read)
        sfrmReadErr(state(), this).showModal();
    else
        sfrmWriteErr(state(), this).showModal();
    setEnabled(true);
}

void cfrmCopyCard::showOpeningError(Opening) {
    showError(ErrorWindow::Read);
}

void cfrmCopyCard::showCardError() {
    showError(ErrorWindow::Write);
}

void cfrmCopyCard::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void cfrmCopyCard::sendClosingFrames() {
    if (!protocol_.isKvt380a())
        return;
    LinkSession &s = session();
    if (!s.reopenIfClosed())
        return;
    s.send(Kvt::Reset);
    s.waitForBytes(1, {ClosingReplyLimit});
    s.pause(ClosingPause);
    s.discardInput();
}
