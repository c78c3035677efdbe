#include "iso/IsoWriteWindow.h"

#include "app/MainModule.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

namespace Kvt = IsoFrames::Kvt380a;

IsoWriteWindow::IsoWriteWindow(const Context &context, const IsoProtocol::Options &protocol,
                               const Look &look, QWidget *parent)
    : PromptWindow(context, look, parent), protocol_(session(), protocol) {}

PromptWindow::Opening IsoWriteWindow::writeOpening(const ResetRule &reset) {
    if (!protocol_.isKvt380a()) {
        (void)session().OpeningCommand(Kvt::OpeningWrite);
        protocol_.PrepareWrite();
        return Opening::Ready;
    }
    if (!session().ResetStep(reset))
        return Opening::ResetFailed;
    session().PauseAfterReset();
    if (session().OpeningCommand(Kvt::OpeningWrite))
        return Opening::Ready;
    protocol_.ResetIndications();
    return Opening::CommandFailed;
}

PromptWindow::Next IsoWriteWindow::writeFailed(SwipeResult result) {
    if (state().CancelRequested)
        return Next::Stop;
    records().markOutputFailed();
    records().setMessage({});
    if (protocol_.isKvt380a())
        protocol_.ResetIndications();
    reportCardFailure();
    return result == SwipeResult::NotDone ? Next::Stop : Next::Continue;
}

void IsoWriteWindow::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void IsoWriteWindow::showCardError() {
    sfrmWriteErr(state(), this).showModal();
}

void IsoWriteWindow::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void IsoWriteWindow::sendClosingFrames() {
    if (protocol_.isKvt380a())
        protocol_.SendAndWait(Kvt::Reset);
}
