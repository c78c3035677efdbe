#include "link/NonIsoProtocol.h"

#include "app/MainModule.h"

namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;
namespace Raw = NonIsoFrames;

NonIsoProtocol::NonIsoProtocol(LinkSession &session, const Options &options)
    : session_(session), options_(options) {}

QByteArray NonIsoProtocol::SendAndWait(const QByteArray &command) {
    return session_.SendAndWait(command, options_.sendAndWait);
}

void NonIsoProtocol::SetErrorIndicator(bool on) {
    session_.SetErrorIndicator(on, options_.errorIndicator);
}

void NonIsoProtocol::SetReadyIndicator() {
    session_.SetReadyIndicator(options_.ready);
}

SwipeResult NonIsoProtocol::RawRead() {
    const Raw::Selection selection = Raw::selectionOf(session_.state());
    if (!isKvt380a() && !selection.standardFormat)
        return SwipeResult::Failed;
    session_.discardInput();
    const SwipeResult result = isKvt380a() ? readKvt380a(selection) : readLrq118(selection);
    session_.prompt().showSwipePrompt(false);
    return result;
}

SwipeResult NonIsoProtocol::readLrq118(const Raw::Selection &selection) {
    LinkSession &s = session_;
    s.send(Raw::lrqReadFrame(selection));
    s.prompt().showSwipePrompt(true);
    if (s.waitForBytes(2, {std::nullopt, true, Stop::OnCancel}) != WaitEnd::Met)
        return SwipeResult::NotDone;
    s.prompt().showSwipePrompt(false);
    // The reply arrives in pieces: at a low baud rate it takes longer than the settle.
    const bool whole = s.pauseUntilQuiet(LrqReadSettle, false) == WaitEnd::Met;
    const QByteArray reply = s.input();
    const std::optional<Tracks> tracks = whole ? IsoFrames::parseLrqReadReply(reply) : std::nullopt;
    if (!tracks)
        return SwipeResult::Failed;
    s.storeTracks(*tracks);
    return SwipeResult::Done;
}

SwipeResult NonIsoProtocol::readKvt380a(const Raw::Selection &selection) {
    LinkSession &s = session_;
    s.send(Kvt::Read);
    if (const std::optional<SwipeResult> early = s.awaitReadAnswer(KvtReadAckLimit))
        return *early;
    const QByteArray answer = s.input();
    QByteArray after;
    if (selection.standardFormat) {
        s.pause(KvtStandardAckSettle);
        if (s.cancelRequested())
            return SwipeResult::NotDone;
        after = s.input();
    }
    // A card swiped during that wait has been answered already, with a second "^": asking
    // again would lose it.
    const bool swiped = after == Kvt::Ack;
    if (answer != Kvt::Ack || !(after.isEmpty() || swiped))
        return s.readAgainLater();
    s.prompt().showSwipePrompt(true);
    if (!swiped && !s.awaitSwipe())
        return SwipeResult::NotDone;
    s.discardInput();
    // Kept aside until all three have come, so that a cancelled read changes nothing.
    Tracks tracks;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        s.send(Raw::kvtReadTrackCommand(selection, i));
        if (const SwipeResult taken = s.takeTrackAnswer(i, tracks[i]); taken != SwipeResult::Done)
            return taken;
    }
    s.storeTracks(tracks);
    return SwipeResult::Done;
}

SwipeResult NonIsoProtocol::RawWrite(const QByteArray &track1, const QByteArray &track2,
                                     const QByteArray &track3) {
    const Raw::Selection selection = Raw::selectionOf(session_.state());
    const Tracks tracks = {track1, track2, track3};
    SwipeResult result = SwipeResult::Failed;
    if (isKvt380a())
        result = writeKvt380a(selection, tracks);
    else if (selection.standardFormat)
        result = writeLrq118(selection, tracks);
    session_.prompt().showSwipePrompt(false);
    return result;
}

SwipeResult NonIsoProtocol::writeLrq118(const Raw::Selection &selection, const Tracks &tracks) {
    LinkSession &s = session_;
    const QByteArray frame = Raw::lrqWriteFrame(selection, tracks);
    s.discardInput();
    s.pause(LrqWritePause, true, Stop::OnCancelOrReplyDone);
    if (s.cancelRequested())
        return cancelLrq118Write();
    s.reopenIfClosed();
    s.send(frame);
    s.discardInput();
    s.prompt().showSwipePrompt(true);
    if (s.waitForBytes(2, {std::nullopt, true, Stop::OnCancelOrReplyDone}) != WaitEnd::Met)
        return cancelLrq118Write();
    return s.input() == Lrq::Success ? SwipeResult::Done : SwipeResult::Failed;
}

// The encoder is reset even when the window has closed the port meanwhile; the port is
// left closed.
SwipeResult NonIsoProtocol::cancelLrq118Write() {
    LinkSession &s = session_;
    s.reopenQuietly();
    s.send(Lrq::Reset);
    s.waitForBytes(1, {std::nullopt, true, Stop::OnCancelOrReplyDone});
    s.pause(CancelResetPause);
    s.discardInput();
    s.closePort();
    return SwipeResult::NotDone;
}

SwipeResult NonIsoProtocol::writeKvt380a(const Raw::Selection &selection, const Tracks &tracks) {
    LinkSession &s = session_;
    s.discardInput();
    for (const Raw::KvtTrackWrite &track : Raw::kvtWriteSteps(selection, tracks)) {
        s.yieldOnce();
        if (SendAndWait(track.command) != Kvt::Ack)
            return SwipeResult::NotDone;
        for (int i = 0; i < track.nulCount; ++i)
            s.send(Raw::Kvt380a::Nul);
        s.yieldOnce();
        if (SendAndWait(track.data) != Kvt::Ack)
            return SwipeResult::NotDone;
    }
    s.yieldOnce();
    if (SendAndWait(Kvt::WriteEnd) != Kvt::Ack)
        return SwipeResult::NotDone;
    s.prompt().showSwipePrompt(true);
    if (s.waitForBytes(1, {std::nullopt, true, Stop::OnCancelOrReplyDone}) != WaitEnd::Met) {
        SendAndWait(Kvt::ReadyOff);
        return SwipeResult::Failed;
    }
    if (selection.standardFormat)
        return s.input() == Kvt::Ack ? SwipeResult::Done : SwipeResult::Failed;
    s.pauseUntilQuiet(KvtCustomWriteSettle);
    return s.input().startsWith(Kvt::Ack) ? SwipeResult::Done : SwipeResult::Failed;
}

bool NonIsoProtocol::PrepareRawWrite() {
    LinkSession &s = session_;
    // With the port closed under it the non-yielding waits below would only stall.
    if (s.stopped(Stop::OnCancelOrReplyDone))
        return true;
    const Raw::Selection selection = Raw::selectionOf(s.state());
    if (isKvt380a()) {
        for (const QByteArray &command : Raw::kvtDensityCommands(selection))
            SendAndWait(command);
        return true;
    }
    s.send(Raw::lrqDensityFrame(selection));
    bool answered = s.waitForBytesAndSettle(2, PrepareReplyLimit, PrepareSettle) == WaitEnd::Met;
    s.discardInput();
    if (!answered)
        return false;
    s.send(Raw::lrqLeadingZerosFrame(selection));
    answered = s.waitForBytes(2, {PrepareReplyLimit, false}) == WaitEnd::Met;
    s.discardInput();
    return answered;
}

void NonIsoProtocol::AfterFailedWrite() {
    if (!isKvt380a()) {
        session_.send(Lrq::Reset);
        return;
    }
    for (const QByteArray &command : Raw::Kvt380a::AfterFailedWrite)
        SendAndWait(command);
}

void NonIsoProtocol::AfterWriteAttempt() {
    LinkSession &s = session_;
    if (!isKvt380a()) {
        s.send(Lrq::ReadyOn);
        return;
    }
    SendAndWait(Kvt::ReadyOff);
    s.pause(AfterWritePause);
    // Opening it after the window closed would leave it held once the window has gone.
    if (s.stopped(Stop::OnCancelOrReplyDone))
        return;
    s.reopenIfClosed();
    s.discardInput();
}
