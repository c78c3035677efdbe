#include "iso/cfrmEncodeWF.h"

#include "app/MainModule.h"
#include "iso/CardDataFile.h"
#include "iso/RecoveryFile.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"

namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;

cfrmEncodeWF::cfrmEncodeWF(const Context &context, RecoveryFile &recovery, QWidget *parent)
    : PromptWindow(context, {}, parent), protocol_(session(), Protocol), recovery_(recovery) {
    setObjectName(QStringLiteral("cfrmEncodeWF"));
    setWindowTitle(QStringLiteral("File Save Prompt"));
    setCardSentence(QStringLiteral("Your are saving card #               ."));
}

void cfrmEncodeWF::startWork() {
    state().SaveCardNumber = 1;
    PromptWindow::startWork();
}

PromptWindow::Opening cfrmEncodeWF::openingHandshake() {
    const Opening opening = standardHandshake(Kvt::OpeningRead);
    if (!protocol_.isKvt380a())
        protocol_.PrepareWrite();
    return opening;
}

PromptWindow::Next cfrmEncodeWF::runCard() {
    MainModule &s = state();
    setCardNumber(s.SaveCardNumber);
    protocol_.WaitReady();
    const SwipeResult result = protocol_.ReadTracks();
    if (s.CancelRequested)
        return Next::Stop;
    if (result == SwipeResult::NotDone)
        return Next::Continue;
    if (result == SwipeResult::Done) {
        const MainRecords::Tracks tracks = {s.Track1Data, s.Track2Data, s.Track3Data};
        records().showOutput(tracks, MainRecords::BlankLength::AsText);
        // A card that would not read back as the same three tracks is not kept: the
        // operator sees it fail and swipes again for the same number.
        if (const std::optional<QByteArray> record = CardRecord(tracks)) {
            s.SaveFileText += *record;
            (void)recovery_.append(*record);
            records().setMessage("\r\nSuccessful read from card swipe.");
            ++s.SaveCardNumber;
            return Next::Continue;
        }
    } else {
        records().markOutputFailed();
    }
    records().setMessage({});
    reportCardFailure();
    return Next::Continue;
}

void cfrmEncodeWF::showOpeningError(Opening) {
    sfrmReadErr(state(), this).showModal();
}

void cfrmEncodeWF::showCardError() {
    sfrmReadErr(state(), this).showModal();
}

void cfrmEncodeWF::setErrorIndication(bool on) {
    protocol_.SetErrorIndicator(on);
}

void cfrmEncodeWF::sendClosingFrames() {
    if (protocol_.isKvt380a())
        protocol_.SendAndWait(Kvt::Reset);
    else
        session().send(Lrq::Reset);
}
