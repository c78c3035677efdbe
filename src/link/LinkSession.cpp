#include "link/LinkSession.h"

#include "app/MainModule.h"
#include "link/CommControl.h"
#include "link/IsoFrames.h"
#include "link/PortConfig.h"

#include <algorithm>

namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;

LinkSession::LinkSession(MainModule &state, CommControl &port, Waiter &waiter, SwipePrompt &prompt,
                         const PortConfig &config)
    : state_(state), port_(port), waiter_(waiter), prompt_(prompt), config_(config) {}

bool LinkSession::isKvt380a() const {
    return state_.isKvt380a();
}

bool LinkSession::cancelRequested() const {
    return state_.CancelRequested;
}

bool LinkSession::stopped(Stop stop) const {
    switch (stop) {
    case Stop::Never:
        return false;
    case Stop::OnCancel:
        return state_.CancelRequested;
    case Stop::OnCancelOrReplyDone:
        return state_.CancelRequested || state_.ReplyDone;
    }
    return false;
}

bool LinkSession::openPort() {
    if (port_.isOpen())
        port_.close();
    return reopenIfClosed();
}

bool LinkSession::reopenIfClosed() {
    if (port_.isOpen())
        return true;
    port_.setConfig(config_);
    if (port_.open())
        return true;
    prompt_.portFailed(port_.openError());
    return false;
}

void LinkSession::reopenQuietly() {
    if (port_.isOpen())
        return;
    port_.setConfig(config_);
    port_.open();
}

void LinkSession::closePort() {
    if (port_.isOpen())
        port_.close();
}

void LinkSession::send(const QByteArray &bytes) {
    port_.output(bytes);
}

QByteArray LinkSession::input() {
    return port_.input();
}

void LinkSession::discardInput() {
    port_.input();
}

Duration LinkSession::now() const {
    return waiter_.clock().now();
}

void LinkSession::yieldOnce() {
    waiter_.yieldOnce();
}

WaitEnd LinkSession::pause(Duration length, bool yields, Stop stop) {
    return waitFor({}, {length, yields, stop});
}

WaitEnd LinkSession::waitFor(const std::function<bool()> &condition, const WaitSpec &wait,
                             const std::function<bool()> &ended) {
    const Stop stop = wait.stop;
    return waiter_.wait(condition,
                        WaitRule{wait.limit, wait.yields,
                                 [this, stop, &ended] {
                                     return stopped(stop) || (ended && ended());
                                 }},
                        &port_);
}

WaitEnd LinkSession::waitForBytes(int count, const WaitSpec &wait,
                                  const std::function<bool()> &ended) {
    return waitFor([this, count] { return port_.inBufferCount() >= count; }, wait, ended);
}

Duration LinkSession::quietGap() const {
    return std::max<Duration>(QuietCharacters * characterTime(config_.line), MinimumQuietGap);
}

WaitEnd LinkSession::pauseUntilQuiet(Duration atLeast, bool yields, Stop stop) {
    const Duration gap = quietGap();
    const Duration start = now();
    Duration lastArrival = start;
    int seen = port_.inBufferCount();
    const auto noteArrivals = [&] {
        const int count = port_.inBufferCount();
        if (count > seen)
            lastArrival = now();
        seen = count;
        return false;
    };
    const auto quiet = [&] {
        noteArrivals();
        return now() - start > atLeast && now() - lastArrival > gap;
    };
    // The given time first, ending as a pause ends, then on while bytes keep coming.
    if (waitFor(noteArrivals, {atLeast, yields, stop}) == WaitEnd::Cancelled)
        return WaitEnd::Cancelled;
    if (quiet())
        return WaitEnd::Met;
    const Duration longest = atLeast + LongestReplyCharacters * characterTime(config_.line);
    return waitFor(quiet, {longest - (now() - start), yields, stop});
}

WaitEnd LinkSession::waitForBytesAndSettle(int count, Duration limit, Duration settle) {
    const Duration start = now();
    const WaitEnd end = waitForBytes(count, {limit, false});
    const Duration left = settle - (now() - start);
    if (left >= Duration::zero())
        pause(left, false);
    return end;
}

QByteArray LinkSession::collectUntilSilence(const QByteArray &command, bool yieldsFirst,
                                            Stop stop) {
    discardInput();
    if (yieldsFirst)
        yieldOnce();
    send(command);
    QByteArray reply;
    state_.ReplyDone = false;
    while (!state_.ReplyDone) {
        if (waitForBytes(1, {CollectSilence, true, stop}) != WaitEnd::Met)
            state_.ReplyDone = true;
        reply += input();
    }
    return reply;
}

QByteArray LinkSession::SendAndWait(const QByteArray &command, const SendAndWaitRule &rule) {
    // Errors of the port stay inside: the caller sees "ERR" or an empty reply.
    if (rule.opensPort)
        reopenQuietly();
    discardInput();
    if (rule.yields)
        yieldOnce();
    send(command);
    WaitSpec wait{rule.limit, rule.yields, rule.stop};
    if (!rule.yields && !wait.limit)
        wait.limit = UnyieldingReplyLimit;
    if (waitForBytes(1, wait) != WaitEnd::Met)
        return NoReply;
    if (rule.settle > Duration::zero())
        pauseUntilQuiet(rule.settle);
    const QByteArray reply = input();
    return rule.lastCharacterOnly ? reply.right(1) : reply;
}

void LinkSession::SetErrorIndicator(bool on, const IndicatorRule &rule) {
    if (!isKvt380a()) {
        if (rule.opensPortLrq118)
            reopenIfClosed();
        send(on ? Lrq::ErrorOn : Lrq::ErrorOff);
        return;
    }
    if (rule.opensPortKvt380a)
        reopenIfClosed();
    if (rule.yieldsFirst)
        yieldOnce();
    send(on ? Kvt::ErrorOn : Kvt::ErrorOff);
    waitForBytes(1, {rule.replyLimit, true, rule.stop});
    discardInput();
}

void LinkSession::SetReadyIndicator(const ReadyRule &rule) {
    if (!isKvt380a()) {
        send(Lrq::ReadyOn);
        return;
    }
    if (rule.flushesFirst)
        discardInput();
    yieldOnce();
    send(Kvt::ReadyOn);
    waitForBytes(1, {IndicatorReplyLimit});
    if (!rule.leavesReply)
        discardInput();
}

std::optional<SwipeResult> LinkSession::awaitReadAnswer(Duration limit) {
    switch (waitForBytes(1, {limit, true, Stop::OnCancel})) {
    case WaitEnd::Cancelled:
        return SwipeResult::NotDone;
    case WaitEnd::TimedOut:
        return SwipeResult::Failed;
    case WaitEnd::Met:
        break;
    }
    return std::nullopt;
}

bool LinkSession::awaitSwipe() {
    const auto swiped = [this] {
        return input() == Kvt::Ack;
    };
    return waitFor(swiped, {std::nullopt, true, Stop::OnCancel}) == WaitEnd::Met;
}

SwipeResult LinkSession::takeTrackAnswer(std::size_t track, QByteArray &answer) {
    // A track is 0.3 s on the wire at 2400 baud: the whole of it is taken, not the part
    // that happens to have arrived, nor is the rest left to answer the next command.
    switch (pauseUntilQuiet(KvtTrackReplyTimes.at(track), true, Stop::OnCancel)) {
    case WaitEnd::Cancelled:
        return SwipeResult::NotDone;
    case WaitEnd::TimedOut:
        discardInput();
        return SwipeResult::Failed;
    case WaitEnd::Met:
        break;
    }
    answer = input();
    return SwipeResult::Done;
}

SwipeResult LinkSession::readAgainLater() {
    pause(KvtReadRetryPause, true, Stop::OnCancel);
    // The rest of a confused answer must not pass for the answer to the next read.
    discardInput();
    return SwipeResult::NotDone;
}

void LinkSession::storeTracks(const std::array<QByteArray, 3> &tracks) {
    state_.Track1Data = tracks[0];
    state_.Track2Data = tracks[1];
    state_.Track3Data = tracks[2];
}

void LinkSession::ReadingClosing() {
    if (isKvt380a()) {
        send(Kvt::Reset);
    } else {
        send(Lrq::Reset);
        send(Lrq::ErrorOff);
        send(Lrq::ReadyOn);
    }
    // A port that failed cannot answer: no point keeping the operator waiting.
    if (port_.isOpen())
        waitForBytes(1, {ClosingReplyLimit});
    discardInput();
}

bool LinkSession::ResetStep(const ResetRule &rule) {
    if (!isKvt380a()) {
        send(Lrq::Reset);
        return true;
    }
    if (rule.yieldsFirst)
        yieldOnce();
    send(Kvt::Reset);
    waitForBytes(1, {rule.replyLimit});
    if (rule.settle > Duration::zero())
        pauseUntilQuiet(rule.settle);
    const QByteArray reply = input();
    return reply.isEmpty() || reply == Kvt::ResetAck;
}

void LinkSession::PauseAfterReset() {
    pause(ResetPause);
}

bool LinkSession::OpeningCommand(const QByteArray &kvtCommand) {
    if (!isKvt380a()) {
        send(Lrq::Opening);
        return true;
    }
    yieldOnce();
    send(kvtCommand);
    waitForBytes(1, {OpeningReplyLimit});
    return input() == Kvt::Ack;
}
