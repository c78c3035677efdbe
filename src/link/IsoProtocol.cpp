#include "link/IsoProtocol.h"

#include "app/MainModule.h"
#include "link/CommControl.h"

#include <algorithm>

namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;

IsoProtocol::IsoProtocol(LinkSession &session, const Options &options)
    : session_(session), options_(options) {}

bool IsoProtocol::acknowledged(const QByteArray &reply, bool exact) const {
    return exact ? reply == Kvt::Ack : reply.startsWith(Kvt::Ack);
}

QByteArray IsoProtocol::SendAndWait(const QByteArray &command) {
    return session_.SendAndWait(command, options_.sendAndWait);
}

void IsoProtocol::SetErrorIndicator(bool on) {
    session_.SetErrorIndicator(on, options_.errorIndicator);
}

void IsoProtocol::SetReadyIndicator() {
    session_.SetReadyIndicator();
}

void IsoProtocol::PrepareWrite() {
    LinkSession &s = session_;
    s.reopenIfClosed();
    s.send(Lrq::LeadingZeros);
    s.discardInput();
    s.send(Lrq::Density);
    s.waitForBytesAndSettle(2, PrepareWriteReplyLimit, PrepareWriteSettle);
    s.discardInput();
    s.closePort();
}

SwipeResult IsoProtocol::ReadTracks() {
    const ReadOptions &read = options_.read;
    if (read.promptsAtStart)
        session_.prompt().showSwipePrompt(true);
    SwipeResult result = SwipeResult::Failed;
    if (!isKvt380a())
        result = readLrq118();
    else
        result = read.kvtCollects ? readKvt380aCollected() : readKvt380a();
    session_.prompt().showSwipePrompt(false);
    return result;
}

SwipeResult IsoProtocol::readLrq118() {
    const ReadOptions &read = options_.read;
    LinkSession &s = session_;
    if (read.pauseFirst > Duration::zero())
        s.pause(read.pauseFirst);
    if (read.opensPort)
        s.reopenIfClosed();
    s.send(Lrq::Read);
    s.prompt().showSwipePrompt(true);
    SwipeResult result = SwipeResult::NotDone;
    if (s.waitForBytes(1, {std::nullopt, true, Stop::OnCancel}) == WaitEnd::Met) {
        // The reply arrives in pieces: at a low baud rate it takes longer than the settle.
        const bool whole = s.pauseUntilQuiet(read.lrqSettle, false) == WaitEnd::Met;
        const QByteArray reply = s.input();
        const std::optional<IsoFrames::Tracks> tracks =
            whole ? IsoFrames::parseLrqReadReply(reply) : std::nullopt;
        if (tracks)
            session_.storeTracks(*tracks);
        result = tracks ? SwipeResult::Done : SwipeResult::Failed;
    }
    if (read.lrqResetsAfter && s.state().EmulationMode == "LRQ118") {
        s.reopenIfClosed();
        s.send(Lrq::Reset);
        s.closePort();
    }
    return result;
}

SwipeResult IsoProtocol::readKvt380a() {
    LinkSession &s = session_;
    s.send(Kvt::Read);
    s.prompt().showSwipePrompt(true);
    if (const std::optional<SwipeResult> early = s.awaitReadAnswer(KvtReadAckLimit))
        return *early;
    if (s.input() != Kvt::Ack)
        return s.readAgainLater();
    if (!s.awaitSwipe())
        return SwipeResult::NotDone;
    s.discardInput();
    std::array<QByteArray *, 3> data = {&s.state().Track1Data, &s.state().Track2Data,
                                        &s.state().Track3Data};
    for (std::size_t i = 0; i < data.size(); ++i) {
        s.yieldOnce();
        s.send(Kvt::ReadTrack[i]);
        if (const SwipeResult taken = s.takeTrackAnswer(i, *data[i]); taken != SwipeResult::Done)
            return taken;
    }
    return SwipeResult::Done;
}

SwipeResult IsoProtocol::readKvt380aCollected() {
    const ReadOptions &read = options_.read;
    LinkSession &s = session_;
    if (read.pauseFirst > Duration::zero())
        s.pause(read.pauseFirst);
    if (SendAndWait(Kvt::Read) != Kvt::Ack)
        return s.readAgainLater();
    s.prompt().showSwipePrompt(true);
    if (s.waitForBytes(1, {std::nullopt, true, Stop::OnCancel}) != WaitEnd::Met)
        return SwipeResult::Failed;
    if (s.input() != Kvt::Ack)
        return SwipeResult::Failed;
    IsoFrames::Tracks tracks;
    for (std::size_t i = 0; i < tracks.size(); ++i)
        tracks[i] =
            s.collectUntilSilence(Kvt::ReadTrack[i], read.collectYieldsFirst, read.collectStop);
    session_.storeTracks(tracks);
    const bool allFailed =
        std::all_of(tracks.begin(), tracks.end(), [](const QByteArray &t) { return t == "*"; });
    return allFailed ? SwipeResult::Failed : SwipeResult::Done;
}

void IsoProtocol::WaitReady() {
    LinkSession &s = session_;
    if (!isKvt380a())
        return;
    s.yieldOnce();
    s.send(Kvt::ReadyOn);
    s.waitForBytes(1, {WaitReadyReplyLimit});
    s.pause(WaitReadyPause);
    s.discardInput();
}

void IsoProtocol::ResetIndications() {
    SendAndWaitRule bounded = options_.sendAndWait;
    bounded.limit = IndicatorReplyLimit;
    session_.SendAndWait(Kvt::ReadyOn, bounded);
    session_.SendAndWait(Kvt::ReadyOff, bounded);
}

SwipeResult IsoProtocol::WriteTracks(const QByteArray &track1, const QByteArray &track2,
                                     const QByteArray &track3) {
    const IsoFrames::Tracks tracks = {track1, track2, track3};
    const SwipeResult result = isKvt380a() ? writeKvt380a(tracks) : writeLrq118(tracks);
    session_.prompt().showSwipePrompt(false);
    return result;
}

SwipeResult IsoProtocol::writeLrq118(const IsoFrames::Tracks &tracks) {
    const WriteOptions &write = options_.write;
    LinkSession &s = session_;
    const QByteArray block = IsoFrames::lrqWriteBlock(tracks);
    // Once Cancel is pressed the card is not written: only the reset goes out.
    if (write.pauses && s.pause(WritePause, true, Stop::OnCancel) == WaitEnd::Cancelled) {
        const SwipeResult ending = skipStep();
        return write.skips ? ending : SwipeResult::Failed;
    }
    s.reopenIfClosed();
    if (write.flushes)
        s.discardInput();
    s.send(Lrq::Write + block);
    if (write.flushes)
        s.discardInput();
    s.prompt().showSwipePrompt(true);
    const auto skipped = [&s, &write] {
        return write.skips && s.prompt().takeSkipRequest();
    };
    if (s.waitForBytes(2, {std::nullopt, true, Stop::OnCancel}, skipped) == WaitEnd::Met)
        return s.input() == Lrq::Success ? SwipeResult::Done : SwipeResult::Failed;
    const SwipeResult ending = skipStep();
    return write.skips ? ending : SwipeResult::Failed;
}

SwipeResult IsoProtocol::skipStep() {
    LinkSession &s = session_;
    s.reopenIfClosed();
    s.yieldOnce();
    // ESC a is no KVT-380A command: its "a" would open a track's data entry, which then
    // swallows the DEL that follows a skip, and the window would wait for its answer forever.
    s.send(isKvt380a() ? Kvt::Reset : Lrq::Reset);
    s.closePort();
    return SwipeResult::Skipped;
}

SwipeResult IsoProtocol::writeKvt380a(const IsoFrames::Tracks &tracks) {
    const WriteOptions &write = options_.write;
    LinkSession &s = session_;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (!IsoFrames::isWritable(tracks[i]))
            continue;
        s.yieldOnce();
        if (!acknowledged(SendAndWait(Kvt::WriteTrack[i]), write.ackExact))
            return SwipeResult::NotDone;
        s.yieldOnce();
        if (!acknowledged(SendAndWait(tracks[i] + IsoFrames::Eot), false))
            return SwipeResult::NotDone;
    }
    s.yieldOnce();
    if (!acknowledged(SendAndWait(Kvt::WriteEnd), write.ackExact))
        return SwipeResult::NotDone;
    s.prompt().showSwipePrompt(true);
    bool skipped = false;
    const auto skip = [&] {
        skipped = write.skips && s.prompt().takeSkipRequest();
        return skipped;
    };
    if (s.waitForBytes(1, {std::nullopt, true, Stop::OnCancel}, skip) == WaitEnd::Met)
        return acknowledged(s.input(), write.ackExact) ? SwipeResult::Done : SwipeResult::Failed;
    if (skipped)
        return skipStep();
    SendAndWait(write.cancelResets ? Kvt::Reset : Kvt::ReadyOff);
    return SwipeResult::Failed;
}

SwipeResult IsoProtocol::EraseTracks(qint16 mask) {
    LinkSession &s = session_;
    const bool kvt = isKvt380a();
    if (kvt) {
        for (std::size_t i = 0; i < Kvt::EraseTrack.size(); ++i) {
            if ((mask & (1 << i)) && SendAndWait(Kvt::EraseTrack[i]) != Kvt::Ack)
                return SwipeResult::NotDone;
        }
        if (SendAndWait(Kvt::EraseEnd) != Kvt::Ack)
            return SwipeResult::NotDone;
    } else {
        // Once Cancel is pressed the card is not erased.
        if (s.pause(ErasePause, true, Stop::OnCancel) == WaitEnd::Cancelled)
            return eraseCancelled();
        s.reopenIfClosed();
        s.send(IsoFrames::lrqEraseFrame(mask));
    }
    s.pause(EraseSettle);
    s.prompt().showSwipePrompt(true);
    if (s.waitForBytes(kvt ? 1 : 2, {std::nullopt, true, Stop::OnCancel}) != WaitEnd::Met)
        return eraseCancelled();
    const bool erased = s.input() == (kvt ? Kvt::Ack : Lrq::Success);
    s.prompt().showSwipePrompt(false);
    return erased ? SwipeResult::Done : SwipeResult::Failed;
}

SwipeResult IsoProtocol::eraseCancelled() {
    SendAndWait(Kvt::ReadyOff);
    session_.prompt().showSwipePrompt(false);
    return SwipeResult::Failed;
}
