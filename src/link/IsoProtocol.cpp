#include "link/IsoProtocol.h"

#include "app/MainModule.h"
#include "link/CommControl.h"
#include "link/Waiter.h"

#include <algorithm>

namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;

IsoProtocol::Options IsoProtocol::forReadWindow() {
    return Options{};
}

IsoProtocol::Options IsoProtocol::forWriteWindow() {
    Options o;
    o.closing = Closing::WriteWindow;
    return o;
}

IsoProtocol::Options IsoProtocol::forCopyWindow() {
    Options o;
    o.read = Read::Copy;
    // The copy read leaves the port closed.
    o.errorIndicatorOpensPortLrq118 = true;
    o.errorIndicatorWaitEnds = true;
    o.closing = Closing::CopyWindow;
    return o;
}

IsoProtocol::Options IsoProtocol::forEraseWindow() {
    Options o;
    o.sendAndWaitYields = false;
    o.errorIndicatorYields = false;
    o.closing = Closing::EraseWindow;
    return o;
}

IsoProtocol::Options IsoProtocol::forIncrementalWindow() {
    Options o;
    o.resetYieldsFirst = true;
    o.resetReplyLimit = IncrementalResetReplyLimit;
    o.resetSettle = IncrementalResetSettle;
    o.writeFlushes = false;
    o.closing = Closing::WriteWindow;
    return o;
}

IsoProtocol::Options IsoProtocol::forSaveWindow() {
    Options o;
    o.read = Read::Save;
    o.closing = Closing::SaveWindow;
    return o;
}

IsoProtocol::Options IsoProtocol::forEncodeFromFileWindow() {
    Options o;
    o.sendAndWaitOpensPort = true;
    o.sendAndWaitSettle = FileSendAndWaitSettle;
    o.errorIndicatorOpensPortKvt380a = true;
    o.writePauses = false;
    o.writeFlushes = false;
    o.writeSkips = true;
    o.writeAckExact = true;
    o.closing = Closing::FileWindow;
    return o;
}

IsoProtocol::IsoProtocol(MainModule &state, CommControl &port, Waiter &waiter, SwipePrompt &prompt,
                         Options options)
    : state_(state), port_(port), waiter_(waiter), prompt_(prompt), options_(options) {}

bool IsoProtocol::isKvt380a() const {
    return state_.isKvt380a();
}

bool IsoProtocol::cancelRequested() const {
    return state_.CancelRequested;
}

bool IsoProtocol::openPort() {
    if (port_.isOpen())
        port_.close();
    return reopenIfClosed();
}

bool IsoProtocol::openWithSharedSettings() {
    port_.setSettings(state_.CommSettings);
    port_.setCommPort(static_cast<qint16>(state_.CommPort.trimmed().toInt()));
    return port_.open();
}

bool IsoProtocol::reopenIfClosed() {
    if (port_.isOpen() || openWithSharedSettings())
        return true;
    prompt_.portFailed(port_.openError());
    return false;
}

void IsoProtocol::discardInput() {
    port_.input();
}

void IsoProtocol::send(const QByteArray &bytes) {
    port_.output(bytes);
}

void IsoProtocol::yieldOnce() {
    waiter_.yieldOnce();
}

void IsoProtocol::pause(Duration length) {
    waiter_.pause(length, true);
}

bool IsoProtocol::waitForBytes(int count, std::optional<Duration> limit, bool cancellable) {
    WaitRule rule{limit, true, {}};
    if (cancellable)
        rule.cancelled = [this] {
            return cancelRequested();
        };
    return waiter_.waitForBytes(port_, count, rule) == WaitEnd::Met;
}

bool IsoProtocol::acknowledged(const QByteArray &reply, bool exact) const {
    return exact ? reply == Kvt::Ack : reply.startsWith(Kvt::Ack);
}

void IsoProtocol::storeTracks(const IsoFrames::Tracks &tracks) {
    state_.Track1Data = tracks[0];
    state_.Track2Data = tracks[1];
    state_.Track3Data = tracks[2];
}

QByteArray IsoProtocol::SendAndWait(const QByteArray &command) {
    // Errors of the port stay inside: the caller sees "ERR" or an empty reply.
    if (options_.sendAndWaitOpensPort && !port_.isOpen())
        openWithSharedSettings();
    discardInput();
    const bool yields = options_.sendAndWaitYields;
    if (yields)
        yieldOnce();
    send(command);
    WaitRule rule{std::nullopt, yields, [this] {
                      return cancelRequested();
                  }};
    if (!yields)
        rule.limit = UnyieldingReplyLimit;
    if (waiter_.waitForBytes(port_, 1, rule) != WaitEnd::Met)
        return NoReply;
    if (options_.sendAndWaitSettle > Duration::zero())
        pause(options_.sendAndWaitSettle);
    return port_.input();
}

void IsoProtocol::SetErrorIndicator(bool on) {
    if (!isKvt380a()) {
        if (options_.errorIndicatorOpensPortLrq118)
            reopenIfClosed();
        send(on ? Lrq::ErrorOn : Lrq::ErrorOff);
        return;
    }
    if (options_.errorIndicatorOpensPortKvt380a)
        reopenIfClosed();
    if (options_.errorIndicatorYields)
        yieldOnce();
    send(on ? Kvt::ErrorOn : Kvt::ErrorOff);
    WaitRule rule{IndicatorReplyLimit, true, {}};
    if (options_.errorIndicatorWaitEnds)
        rule.cancelled = [this] {
            return state_.CancelRequested || state_.ReplyDone;
        };
    waiter_.waitForBytes(port_, 1, rule);
    discardInput();
}

void IsoProtocol::SetReadyIndicator() {
    if (!isKvt380a()) {
        send(Lrq::ReadyOn);
        return;
    }
    yieldOnce();
    send(Kvt::ReadyOn);
    waitForBytes(1, IndicatorReplyLimit, false);
    discardInput();
}

bool IsoProtocol::ResetStep() {
    if (!isKvt380a()) {
        send(Lrq::Reset);
        return true;
    }
    if (options_.resetYieldsFirst)
        yieldOnce();
    send(Kvt::Reset);
    waitForBytes(1, options_.resetReplyLimit, false);
    if (options_.resetSettle > Duration::zero())
        pause(options_.resetSettle);
    const QByteArray reply = port_.input();
    return reply.isEmpty() || reply == Kvt::ResetAck;
}

void IsoProtocol::PauseAfterReset() {
    pause(ResetPause);
}

bool IsoProtocol::OpeningCommand(Opening kind) {
    if (!isKvt380a()) {
        send(Lrq::Opening);
        return true;
    }
    yieldOnce();
    send(kind == Opening::Read ? Kvt::OpeningRead : Kvt::OpeningWrite);
    waitForBytes(1, OpeningReplyLimit, false);
    return port_.input() == Kvt::Ack;
}

void IsoProtocol::PrepareWrite() {
    reopenIfClosed();
    send(Lrq::LeadingZeros);
    discardInput();
    send(Lrq::Density);
    const Duration start = waiter_.clock().now();
    waiter_.waitForBytes(port_, 2, WaitRule{PrepareWriteReplyLimit, false, {}});
    const Duration left = Duration(PrepareWriteSettle) - (waiter_.clock().now() - start);
    if (left >= Duration::zero())
        waiter_.pause(left, false);
    discardInput();
    if (port_.isOpen())
        port_.close();
}

SwipeResult IsoProtocol::ReadTracks() {
    SwipeResult result = SwipeResult::Failed;
    switch (options_.read) {
    case Read::Standard:
        result = isKvt380a() ? readKvt380a() : readLrq118();
        break;
    case Read::Copy:
        prompt_.showSwipePrompt(true);
        [[fallthrough]];
    case Read::Save:
        result = isKvt380a() ? readKvt380aCollected() : readLrq118();
        break;
    }
    prompt_.showSwipePrompt(false);
    return result;
}

SwipeResult IsoProtocol::readLrq118() {
    const bool copy = options_.read == Read::Copy;
    if (copy)
        pause(CopyReadPause);
    if (options_.read != Read::Standard)
        reopenIfClosed();
    send(Lrq::Read);
    prompt_.showSwipePrompt(true);
    SwipeResult result = SwipeResult::NotDone;
    if (waitForBytes(1, std::nullopt, true)) {
        // The reply arrives in pieces; the encoder sends it whole within this time.
        waiter_.pause(copy ? Duration(CopyReadSettle) : Duration(LrqReadSettle), false);
        const std::optional<IsoFrames::Tracks> tracks = IsoFrames::parseLrqReadReply(port_.input());
        if (tracks)
            storeTracks(*tracks);
        result = tracks ? SwipeResult::Done : SwipeResult::Failed;
    }
    if (copy && state_.EmulationMode == "LRQ118") {
        reopenIfClosed();
        send(Lrq::Reset);
        port_.close();
    }
    return result;
}

SwipeResult IsoProtocol::readKvt380a() {
    send(Kvt::Read);
    prompt_.showSwipePrompt(true);
    const auto cancel = [this] {
        return cancelRequested();
    };
    switch (waiter_.waitForBytes(port_, 1, WaitRule{KvtReadAckLimit, true, cancel})) {
    case WaitEnd::Cancelled:
        return SwipeResult::NotDone;
    case WaitEnd::TimedOut:
        return SwipeResult::Failed;
    case WaitEnd::Met:
        break;
    }
    if (port_.input() != Kvt::Ack)
        return SwipeResult::NotDone;
    const auto swiped = [this] {
        return port_.input() == Kvt::Ack;
    };
    if (waiter_.wait(swiped, WaitRule{std::nullopt, true, cancel}) != WaitEnd::Met)
        return SwipeResult::NotDone;
    discardInput();
    std::array<QByteArray *, 3> data = {&state_.Track1Data, &state_.Track2Data, &state_.Track3Data};
    for (std::size_t i = 0; i < data.size(); ++i) {
        yieldOnce();
        send(Kvt::ReadTrack[i]);
        if (waiter_.pause(KvtTrackReplyTimes[i], true, cancel) == WaitEnd::Cancelled)
            return SwipeResult::NotDone;
        *data[i] = port_.input();
    }
    return SwipeResult::Done;
}

SwipeResult IsoProtocol::readKvt380aCollected() {
    const bool copy = options_.read == Read::Copy;
    if (copy)
        pause(CopyReadPause);
    if (SendAndWait(Kvt::Read) != Kvt::Ack)
        return SwipeResult::NotDone;
    prompt_.showSwipePrompt(true);
    if (!waitForBytes(1, std::nullopt, true))
        return SwipeResult::Failed;
    if (port_.input() != Kvt::Ack)
        return SwipeResult::Failed;
    IsoFrames::Tracks tracks;
    for (std::size_t i = 0; i < tracks.size(); ++i)
        tracks[i] = copy ? CollectReply(Kvt::ReadTrack[i]) : SendAndCollect(Kvt::ReadTrack[i]);
    storeTracks(tracks);
    const bool allFailed =
        std::all_of(tracks.begin(), tracks.end(), [](const QByteArray &t) { return t == "*"; });
    return allFailed ? SwipeResult::Failed : SwipeResult::Done;
}

QByteArray IsoProtocol::CollectReply(const QByteArray &command) {
    return collectUntilSilence(command, false, true);
}

QByteArray IsoProtocol::SendAndCollect(const QByteArray &command) {
    return collectUntilSilence(command, true, false);
}

QByteArray IsoProtocol::collectUntilSilence(const QByteArray &command, bool yieldFirst,
                                            bool cancellable) {
    discardInput();
    if (yieldFirst)
        yieldOnce();
    send(command);
    QByteArray reply;
    state_.ReplyDone = false;
    while (!state_.ReplyDone) {
        if (!waitForBytes(1, CollectSilence, cancellable))
            state_.ReplyDone = true;
        reply += port_.input();
    }
    return reply;
}

void IsoProtocol::WaitReady() {
    if (!isKvt380a())
        return;
    yieldOnce();
    send(Kvt::ReadyOn);
    waitForBytes(1, WaitReadyReplyLimit, false);
    pause(WaitReadyPause);
    discardInput();
}

SwipeResult IsoProtocol::WriteTracks(const QByteArray &track1, const QByteArray &track2,
                                     const QByteArray &track3) {
    const IsoFrames::Tracks tracks = {track1, track2, track3};
    const SwipeResult result = isKvt380a() ? writeKvt380a(tracks) : writeLrq118(tracks);
    prompt_.showSwipePrompt(false);
    return result;
}

SwipeResult IsoProtocol::writeLrq118(const IsoFrames::Tracks &tracks) {
    const QByteArray block = IsoFrames::lrqWriteBlock(tracks);
    if (options_.writePauses)
        pause(WritePause);
    reopenIfClosed();
    if (options_.writeFlushes)
        discardInput();
    send(Lrq::Write + block);
    if (options_.writeFlushes)
        discardInput();
    prompt_.showSwipePrompt(true);
    const auto ended = [this] {
        return cancelRequested() || (options_.writeSkips && prompt_.takeSkipRequest());
    };
    if (waiter_.waitForBytes(port_, 2, WaitRule{std::nullopt, true, ended}) == WaitEnd::Met)
        return port_.input() == Lrq::Success ? SwipeResult::Done : SwipeResult::Failed;
    const SwipeResult ending = skipStep();
    return options_.writeSkips ? ending : SwipeResult::Failed;
}

SwipeResult IsoProtocol::skipStep() {
    reopenIfClosed();
    yieldOnce();
    send(Lrq::Reset);
    port_.close();
    return SwipeResult::Skipped;
}

SwipeResult IsoProtocol::writeKvt380a(const IsoFrames::Tracks &tracks) {
    const bool exact = options_.writeAckExact;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (!IsoFrames::isWritable(tracks[i]))
            continue;
        yieldOnce();
        if (!acknowledged(SendAndWait(Kvt::WriteTrack[i]), exact))
            return SwipeResult::NotDone;
        yieldOnce();
        if (!acknowledged(SendAndWait(tracks[i] + IsoFrames::Eot), false))
            return SwipeResult::NotDone;
    }
    yieldOnce();
    if (!acknowledged(SendAndWait(Kvt::WriteEnd), exact))
        return SwipeResult::NotDone;
    prompt_.showSwipePrompt(true);
    bool skipped = false;
    const auto ended = [this, &skipped] {
        if (cancelRequested())
            return true;
        skipped = options_.writeSkips && prompt_.takeSkipRequest();
        return skipped;
    };
    if (waiter_.waitForBytes(port_, 1, WaitRule{std::nullopt, true, ended}) == WaitEnd::Met)
        return acknowledged(port_.input(), exact) ? SwipeResult::Done : SwipeResult::Failed;
    if (skipped)
        return skipStep();
    SendAndWait(options_.writeSkips ? Kvt::Reset : Kvt::ReadyOff);
    return SwipeResult::Failed;
}

SwipeResult IsoProtocol::EraseTracks(qint16 mask) {
    const bool kvt = isKvt380a();
    if (kvt) {
        for (std::size_t i = 0; i < Kvt::EraseTrack.size(); ++i) {
            if ((mask & (1 << i)) && SendAndWait(Kvt::EraseTrack[i]) != Kvt::Ack)
                return SwipeResult::NotDone;
        }
        if (SendAndWait(Kvt::EraseEnd) != Kvt::Ack)
            return SwipeResult::NotDone;
    } else {
        pause(ErasePause);
        reopenIfClosed();
        send(IsoFrames::lrqEraseFrame(mask));
    }
    pause(EraseSettle);
    prompt_.showSwipePrompt(true);
    SwipeResult result = SwipeResult::Failed;
    if (waitForBytes(kvt ? 1 : 2, std::nullopt, true))
        result = port_.input() == (kvt ? Kvt::Ack : Lrq::Success) ? SwipeResult::Done
                                                                  : SwipeResult::Failed;
    else
        SendAndWait(Kvt::ReadyOff);
    prompt_.showSwipePrompt(false);
    return result;
}

void IsoProtocol::SendClosingFrames() {
    const bool kvt = isKvt380a();
    switch (options_.closing) {
    case Closing::ReadWindow:
        if (kvt) {
            send(Kvt::Reset);
        } else {
            send(Lrq::Reset);
            send(Lrq::ErrorOff);
            send(Lrq::ReadyOn);
        }
        // A port that failed cannot answer: no point keeping the operator waiting.
        if (port_.isOpen())
            waitForBytes(1, ReadClosingReplyLimit, false);
        discardInput();
        break;
    case Closing::WriteWindow:
        if (kvt)
            SendAndWait(Kvt::Reset);
        break;
    case Closing::EraseWindow:
        if (kvt) {
            SendAndWait(Kvt::Reset);
        } else {
            reopenIfClosed();
            send(Lrq::Reset);
        }
        break;
    case Closing::CopyWindow:
        if (kvt) {
            reopenIfClosed();
            send(Kvt::Reset);
            waitForBytes(1, CopyClosingReplyLimit, false);
            pause(CopyClosingPause);
            discardInput();
        }
        break;
    case Closing::SaveWindow:
        if (kvt)
            SendAndWait(Kvt::Reset);
        else
            send(Lrq::Reset);
        break;
    case Closing::FileWindow:
        SendAndWait(Kvt::Reset);
        break;
    }
}
