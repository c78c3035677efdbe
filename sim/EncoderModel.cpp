#include "EncoderModel.h"
#include "ModelBytes.h"

#include <QStringList>

#include <algorithm>

using namespace ModelBytes;

EncoderModel::EncoderModel(CommandSet set) : set_(set) {}

void EncoderModel::receive(const QByteArray &bytes, Duration now) {
    settle(now);
    if (vanished_ || bytes.isEmpty())
        return;
    if (silent_) {
        event(QStringLiteral("fault: stayed silent to %1").arg(hex(bytes)));
        return;
    }
    in_ += bytes;
    lastByteAt_ = now;
    parse(now);
}

QByteArray EncoderModel::takeOutput(Duration now) {
    settle(now);
    QByteArray due;
    while (!out_.empty() && out_.front().at <= now) {
        due += out_.front().bytes;
        out_.pop_front();
    }
    return due;
}

std::optional<EncoderModel::Duration> EncoderModel::nextDue() const {
    std::optional<Duration> due;
    const auto consider = [&due](Duration at) {
        if (!due || at < *due)
            due = at;
    };
    if (!out_.empty())
        consider(out_.front().at);
    if (waiting_ && autoSwipe_ && !silent_)
        consider(waiting_->since + *autoSwipe_);
    if (const auto gapAt = gapDue())
        consider(*gapAt);
    return due;
}

void EncoderModel::swipe(Duration now) {
    settle(now);
    if (vanished_ || silent_)
        return;
    completeSwipe(now);
}

void EncoderModel::setDeck(QList<Card> deck) {
    deck_ = std::move(deck);
    nextDeckCard_ = 0;
}

void EncoderModel::insertCard(const Card &card) {
    card_ = card;
    cardByHand_ = true;
}

QStringList EncoderModel::status() const {
    QStringList lines;
    lines << QStringLiteral("command set: %1")
                 .arg(set_ == CommandSet::Lrq118 ? QStringLiteral("LRQ118")
                                                 : QStringLiteral("KVT-380A"));
    lines << QStringLiteral("card in the slot: %1").arg(card_.describe());
    if (!deck_.isEmpty())
        lines << QStringLiteral("deck: %1 cards, next read takes %2")
                     .arg(deck_.size())
                     .arg(cardByHand_
                              ? QStringLiteral("the card in the slot")
                              : QStringLiteral("card %1").arg(nextDeckCard_ % deck_.size() + 1));
    lines << (waiting_ ? QStringLiteral("waiting for a swipe")
                       : QStringLiteral("not waiting for a swipe"));
    lines << QStringLiteral("ready indicator %1, error indicator %2, %3 coercivity")
                 .arg(indicators_.ready ? QStringLiteral("on") : QStringLiteral("off"),
                      indicators_.error ? QStringLiteral("on") : QStringLiteral("off"),
                      highCoercivity_ ? QStringLiteral("high") : QStringLiteral("low"));
    lines << (lineSpeed_ ? QStringLiteral("answers paced at %1 baud, %2 bits a byte")
                               .arg(lineSpeed_->baud)
                               .arg(lineSpeed_->bitsPerByte())
                         : QStringLiteral("answers not paced"));
    QStringList faults;
    if (vanished_)
        faults << QStringLiteral("vanished");
    if (silent_)
        faults << QStringLiteral("silent");
    if (failRead_)
        faults << QStringLiteral("next read fails");
    if (failWrite_)
        faults << QStringLiteral("next write fails");
    if (pieceBytes_ > 0)
        faults << QStringLiteral("answers in pieces of %1 bytes every %2 ms")
                      .arg(pieceBytes_)
                      .arg(
                          std::chrono::duration_cast<std::chrono::milliseconds>(pieceGap_).count());
    for (auto it = wrong_.cbegin(); it != wrong_.cend(); ++it)
        faults << QStringLiteral("answers %1 with %2").arg(hex(it.key()), hex(it->reply));
    lines << QStringLiteral("faults: %1")
                 .arg(faults.isEmpty() ? QStringLiteral("none")
                                       : faults.join(QStringLiteral("; ")));
    return lines;
}

void EncoderModel::answerWrongly(const QByteArray &command, const QByteArray &reply, int times) {
    if (times == 0)
        wrong_.remove(command);
    else
        wrong_.insert(command, {reply, times});
}

void EncoderModel::answerInPieces(int bytes, Duration gap) {
    pieceBytes_ = std::max(bytes, 0);
    pieceGap_ = gap;
}

void EncoderModel::vanish() {
    vanished_ = true;
    in_.clear();
    out_.clear();
    waiting_.reset();
    entry_.reset();
    event(QStringLiteral("fault: the encoder vanished"));
}

void EncoderModel::clearFaults() {
    silent_ = false;
    vanished_ = false;
    failRead_ = false;
    failWrite_ = false;
    pieceBytes_ = 0;
    wrong_.clear();
}

void EncoderModel::settle(Duration now) {
    for (;;) {
        std::optional<Duration> swipeAt;
        if (waiting_ && autoSwipe_ && !silent_)
            swipeAt = waiting_->since + *autoSwipe_;
        const std::optional<Duration> gapAt = gapDue();
        if (gapAt && *gapAt <= now && (!swipeAt || *gapAt <= *swipeAt))
            parse(*gapAt);
        else if (swipeAt && *swipeAt <= now)
            completeSwipe(*swipeAt);
        else
            return;
    }
}

std::optional<EncoderModel::Duration> EncoderModel::gapDue() const {
    if (set_ != CommandSet::Kvt380a || in_.isEmpty())
        return std::nullopt;
    return lastByteAt_ + kFormatCharacterGap;
}

void EncoderModel::parse(Duration now) {
    while (!in_.isEmpty()) {
        const qsizetype taken = entry_                       ? takeData(now)
                                : set_ == CommandSet::Lrq118 ? stepLrq118(now)
                                                             : stepKvt380a(now);
        if (taken == 0) {
            if (in_.size() > kLongestCommand) {
                event(QStringLiteral("dropped %1 bytes that never made a whole command")
                          .arg(in_.size()));
                in_.clear();
            }
            return;
        }
        in_.remove(0, taken);
    }
}

void EncoderModel::reset() {
    cancelWait();
    if (entry_)
        event(QStringLiteral("reset: dropped the unfinished data for track %1").arg(entry_->track));
    entry_.reset();
    staged_ = {};
    eraseMask_ = 0;
    densities_ = {kHighDensity, kLowDensity, kHighDensity};
    indicators_ = {};
}

void EncoderModel::beginWait(Waiting waiting, const QString &what) {
    waiting_ = std::move(waiting);
    event(QStringLiteral("waiting for a swipe to %1").arg(what));
}

void EncoderModel::cancelWait() {
    if (!waiting_)
        return;
    waiting_.reset();
    event(QStringLiteral("no longer waiting for a swipe"));
}

void EncoderModel::answer(const QByteArray &command, QByteArray reply, Duration at) {
    const auto wrong = wrong_.find(command);
    if (wrong != wrong_.end()) {
        event(QStringLiteral("fault: answered %1 with %2 instead of %3")
                  .arg(hex(command), hex(wrong->reply), hex(reply)));
        reply = wrong->reply;
        if (wrong->times != kAlways && --wrong->times <= 0)
            wrong_.erase(wrong);
    }
    send(reply, at);
}

void EncoderModel::send(const QByteArray &bytes, Duration at) {
    if (bytes.isEmpty() || silent_ || vanished_)
        return;
    const Duration start = out_.empty() ? at : std::max(at, out_.back().at);
    const qsizetype pieceSize = pieceBytes_ > 0 ? pieceBytes_ : bytes.size();
    for (qsizetype from = 0, piece = 0; from < bytes.size(); from += pieceSize, ++piece)
        carry(bytes.mid(from, pieceSize), start + piece * pieceGap_);
}

void EncoderModel::carry(const QByteArray &piece, Duration leaves) {
    if (!lineSpeed_) {
        out_.push_back({leaves, piece});
        return;
    }
    const Duration byteTime = lineSpeed_->byteTime();
    for (const char byte : piece) {
        lineFreeAt_ = std::max(leaves, lineFreeAt_) + byteTime;
        out_.push_back({lineFreeAt_, QByteArray(1, byte)});
    }
}

EncoderModel::Duration EncoderModel::LineSpeed::byteTime() const {
    using namespace std::chrono;
    return duration_cast<Duration>(duration<double>(double(bitsPerByte()) / baud));
}

void EncoderModel::setLineSpeed(std::optional<LineSpeed> speed) {
    lineSpeed_ = speed && speed->baud > 0 ? speed : std::nullopt;
}

void EncoderModel::event(const QString &line) const {
    if (eventSink_)
        eventSink_(line);
}
