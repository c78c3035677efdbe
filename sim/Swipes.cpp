#include "EncoderModel.h"
#include "ModelBytes.h"

// What a swipe does to the card in the slot, and what the encoder answers after it.

using namespace ModelBytes;

void EncoderModel::completeSwipe(Duration at) {
    if (!waiting_) {
        event(QStringLiteral("card swiped, but the encoder was not waiting for one"));
        return;
    }
    const Waiting waiting = std::move(*waiting_);
    waiting_.reset();
    switch (waiting.operation) {
    case Operation::Read:
    case Operation::RawRead:
    case Operation::KvtRead:
        finishRead(waiting, at);
        break;
    case Operation::Write:
    case Operation::RawWrite:
    case Operation::KvtWrite:
        finishWrite(waiting, at);
        break;
    case Operation::Erase:
    case Operation::KvtErase:
        finishErase(waiting, at);
        break;
    }
}

Card EncoderModel::cardForRead() {
    if (cardByHand_) {
        cardByHand_ = false;
        return card_;
    }
    if (!deck_.isEmpty()) {
        if (nextDeckCard_ >= deck_.size()) {
            nextDeckCard_ = 0;
            event(QStringLiteral("deck used up, starting again with its first card"));
        }
        card_ = deck_[nextDeckCard_++];
    }
    return card_;
}

void EncoderModel::finishRead(const Waiting &waiting, Duration at) {
    const Card card = cardForRead();
    const bool forced = failRead_;
    failRead_ = false;
    if (forced)
        event(QStringLiteral("fault: this read fails as told"));
    if (waiting.operation == Operation::KvtRead) {
        lastRead_ = card;
        lastReadFailed_ = forced;
        event(QStringLiteral("card read: %1").arg(card.describe()));
        send(QByteArray(1, Ack), at);
        return;
    }
    QStringList unreadable;
    QByteArray reply("\x1bs");
    for (int k = 0; k < 3; ++k) {
        const Track &track = card.tracks[k];
        const TrackFormat format = waiting.formats[k];
        reply += Esc;
        reply += static_cast<char>(k + 1);
        reply += startSentinel(format);
        if (!forced && track.state == Track::State::Recorded && track.isReadableAs(format)) {
            reply += track.data + '?';
            continue;
        }
        if (track.state != Track::State::Blank)
            unreadable << QStringLiteral("track %1 as %2").arg(k + 1).arg(formatName(format));
        reply += forced || track.state != Track::State::Blank ? '*' : '+';
        if (k == 2)
            reply += '?';
    }
    const bool ok = !forced && unreadable.isEmpty();
    reply += Fs;
    reply += ok ? StatusOk : StatusFailed;
    if (ok)
        event(QStringLiteral("card read: %1").arg(card.describe()));
    else if (!forced)
        event(QStringLiteral("card read failed, cannot read %1: %2")
                  .arg(unreadable.join(QStringLiteral(", ")), card.describe()));
    answer(waiting.command, reply, at);
}

void EncoderModel::finishWrite(const Waiting &waiting, Duration at) {
    QString problem = waiting.problem;
    if (problem.isEmpty() && failWrite_)
        problem = QStringLiteral("fault: this write fails as told");
    failWrite_ = false;
    const bool kvt = waiting.operation == Operation::KvtWrite;
    QByteArray reply;
    if (problem.isEmpty()) {
        for (int k = 0; k < 3; ++k) {
            if (!waiting.tracks[k])
                continue;
            card_.tracks[k] = *waiting.tracks[k];
            event(QStringLiteral("wrote track %1: %2")
                      .arg(k + 1)
                      .arg(card_.tracks[k].describe(k + 1)));
        }
        event(QStringLiteral("card written: %1").arg(card_.describe()));
        if (writtenSink_)
            writtenSink_(card_);
        reply = kvt ? QByteArray(1, Ack) : StatusOk;
    } else {
        event(QStringLiteral("card write failed: %1").arg(problem));
        reply = kvt ? QByteArray(1, Refusal) : StatusFailed;
    }
    if (kvt)
        send(reply, at);
    else
        answer(waiting.command, reply, at);
}

void EncoderModel::finishErase(const Waiting &waiting, Duration at) {
    const bool forced = failWrite_;
    failWrite_ = false;
    const bool kvt = waiting.operation == Operation::KvtErase;
    if (forced) {
        event(QStringLiteral("card erase failed: fault: this erase fails as told"));
    } else {
        for (int k = 0; k < 3; ++k) {
            if (waiting.mask & (1 << k))
                card_.tracks[k] = Track{};
        }
        event(QStringLiteral("card erased: %1").arg(trackList(waiting.mask)));
    }
    const QByteArray reply =
        kvt ? QByteArray(1, forced ? Refusal : Ack) : (forced ? StatusFailed : StatusOk);
    if (kvt)
        send(reply, at);
    else
        answer(waiting.command, reply, at);
}
