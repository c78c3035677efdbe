#include "EncoderModel.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr char kEsc = 0x1B;
constexpr char kFs = 0x1C;
constexpr char kEot = 0x04;
constexpr char kDel = 0x7F;
constexpr char kAck = '^';
constexpr char kResetAnswer = ':';
// What the KVT-380A set answers when it refuses data or a card could not be written.
constexpr char kRefusal = '!';

const QByteArray kStatusOk("\x1b"
                           "0");
const QByteArray kStatusFailed("\x1b"
                               "1");
const QByteArray kTestAnswer("\x1b"
                             "y");

QString hex(const QByteArray &bytes) {
    return bytes.isEmpty() ? QStringLiteral("nothing")
                           : QString::fromLatin1(bytes.toHex(' ').toUpper());
}

char startSentinel(TrackFormat format) {
    return format == TrackFormat::StdT1 ? '%' : ';';
}

// The 5-bit ISO coding stands for whichever of its two names fits the track.
TrackFormat numericFormat(int track) {
    return track == 2 ? TrackFormat::StdT2 : TrackFormat::StdT3;
}

TrackFormat customFormat(int track) {
    return track == 1 ? TrackFormat::Custom7 : TrackFormat::Custom5;
}

int densityFromByte(unsigned char value) {
    return value == kHighDensity ? kHighDensity : kLowDensity;
}

QString trackList(int mask) {
    QStringList tracks;
    for (int k = 0; k < 3; ++k) {
        if (mask & (1 << k))
            tracks << QString::number(k + 1);
    }
    return tracks.isEmpty() ? QStringLiteral("no track")
                            : QStringLiteral("track%1 %2")
                                  .arg(tracks.size() > 1 ? QStringLiteral("s") : QString(),
                                       tracks.join(QStringLiteral(", ")));
}

} // namespace

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
    if (set_ == CommandSet::Kvt380a && !in_.isEmpty() && !entry_)
        consider(lastByteAt_ + kFormatCharacterGap);
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
        std::optional<Duration> gapAt;
        if (set_ == CommandSet::Kvt380a && !in_.isEmpty() && !entry_)
            gapAt = lastByteAt_ + kFormatCharacterGap;
        if (gapAt && *gapAt <= now && (!swipeAt || *gapAt <= *swipeAt))
            parse(*gapAt);
        else if (swipeAt && *swipeAt <= now)
            completeSwipe(*swipeAt);
        else
            return;
    }
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

qsizetype EncoderModel::stepLrq118(Duration now) {
    if (in_[0] != kEsc)
        return 1;
    if (in_.size() < 2)
        return 0;
    const auto code = static_cast<unsigned char>(in_[1]);
    const QByteArray command = in_.left(2);
    const auto needs = [this](qsizetype n) {
        return in_.size() >= n;
    };
    switch (code) {
    case 'a':
        reset();
        answer(command, {}, now);
        return 2;
    case 'e':
        cancelWait();
        answer(command, kTestAnswer, now);
        return 2;
    case 'x':
    case 'y':
        cancelWait();
        highCoercivity_ = code == 'x';
        answer(command, kStatusOk, now);
        return 2;
    case 0x84:
    case 0x83:
    case 0x85:
    case 0x81:
        cancelWait();
        if (code == 0x84)
            indicators_ = {};
        else if (code == 0x83)
            indicators_.ready = true;
        else
            indicators_.error = code == 0x85;
        answer(command, {}, now);
        return 2;
    case 'Z':
    case 'j':
        if (!needs(5))
            return 0;
        cancelWait();
        if (code == 'j') {
            for (int k = 0; k < 3; ++k)
                densities_[k] = densityFromByte(static_cast<unsigned char>(in_[2 + k]));
        }
        answer(command, kStatusOk, now);
        return 5;
    case 'r':
        cancelWait();
        beginWait(
            Waiting(Operation::Read, now, command, {isoFormat(1), isoFormat(2), isoFormat(3)}),
            QStringLiteral("read a card"));
        return 2;
    case 'R': {
        if (!needs(5))
            return 0;
        cancelWait();
        Waiting waiting{Operation::RawRead, now, command};
        for (int k = 0; k < 3; ++k) {
            const bool t1 = (static_cast<unsigned char>(in_[2 + k]) & 0x10) != 0;
            waiting.formats[k] = t1 ? TrackFormat::StdT1 : numericFormat(k + 1);
        }
        beginWait(waiting, QStringLiteral("read a card"));
        return 5;
    }
    case 'c': {
        if (!needs(3))
            return 0;
        cancelWait();
        Waiting waiting{Operation::Erase, now, command};
        waiting.mask = static_cast<unsigned char>(in_[2]) & 0x07;
        beginWait(waiting, QStringLiteral("erase %1").arg(trackList(waiting.mask)));
        return 3;
    }
    case 'w':
    case 'W': {
        const qsizetype end = in_.indexOf(kFs, 2);
        if (end < 0)
            return 0;
        cancelWait();
        lrq118WriteBlock(command, in_.mid(2, end - 2), code == 'W', now);
        return end + 1;
    }
    case kEsc:
        return 1;
    default:
        event(QStringLiteral("ignored the unknown command %1").arg(hex(command)));
        return 2;
    }
}

qsizetype EncoderModel::stepKvt380a(Duration now) {
    const char code = in_[0];
    const QByteArray command(1, code);
    const bool gapOver = now - lastByteAt_ >= kFormatCharacterGap;
    switch (code) {
    case kDel:
        reset();
        answer(command, QByteArray(1, kResetAnswer), now);
        return 1;
    case '{':
    case '|':
        cancelWait();
        highCoercivity_ = code == '{';
        answer(command, QByteArray(1, kAck), now);
        return 1;
    case 'L':
    case 'l':
    case 'M':
    case 'm':
    case '(':
        cancelWait();
        if (code == 'L' || code == 'l')
            indicators_.ready = code == 'L';
        else if (code == 'M' || code == 'm')
            indicators_.error = code == 'M';
        else
            staged_ = {};
        answer(command, QByteArray(1, kAck), now);
        return 1;
    case 'P':
        cancelWait();
        answer(command, QByteArray(1, kAck), now);
        beginWait(Waiting(Operation::KvtRead, now, command), QStringLiteral("read a card"));
        return 1;
    case 'Q':
    case 'R':
    case 'S': {
        cancelWait();
        const int track = code - 'Q' + 1;
        answer(command, kvtTrackReply(track, isoFormat(track)), now);
        return 1;
    }
    case 'A':
    case 'B':
    case 'C': {
        cancelWait();
        const int track = code - 'A' + 1;
        answer(command, QByteArray(1, kAck), now);
        entry_ = DataEntry{track, isoFormat(track), isoDensity(track)};
        return 1;
    }
    case 'q':
    case 'r':
    case 's':
    case 'U':
    case 'V':
    case 'W':
    case 'a':
    case 'b':
    case 'c':
    case 'E':
    case 'F':
    case 'G': {
        static const QByteArray letters("qrsUVWabcEFG");
        const auto index = static_cast<int>(letters.indexOf(code));
        const int track = index % 3 + 1;
        const bool custom = (index / 3) % 2 == 1;
        const bool read = index < 6;
        std::optional<TrackFormat> format;
        qsizetype length = 1;
        if (in_.size() < 2) {
            if (!gapOver)
                return 0;
        } else if (const auto given = trackFormatFromCode(in_[1]);
                   given && isCustom(*given) == custom) {
            format = given;
            length = 2;
        }
        const TrackFormat used = format.value_or(custom ? customFormat(track) : isoFormat(track));
        cancelWait();
        if (read) {
            answer(command, kvtTrackReply(track, used), now);
        } else {
            answer(command, QByteArray(1, kAck), now);
            entry_ = DataEntry{track, used, densities_[track - 1]};
        }
        return length;
    }
    case '@': {
        cancelWait();
        answer(command, QByteArray(1, kAck), now);
        Waiting waiting{Operation::KvtWrite, now, command};
        waiting.tracks = staged_;
        staged_ = {};
        beginWait(waiting, QStringLiteral("write a card"));
        return 1;
    }
    case 'Z':
    case '[':
    case '\\':
        cancelWait();
        eraseMask_ |= 1 << (code - 'Z');
        answer(command, QByteArray(1, kAck), now);
        return 1;
    case ']': {
        cancelWait();
        answer(command, QByteArray(1, kAck), now);
        Waiting waiting{Operation::KvtErase, now, command};
        waiting.mask = eraseMask_;
        eraseMask_ = 0;
        beginWait(waiting, QStringLiteral("erase %1").arg(trackList(waiting.mask)));
        return 1;
    }
    case ';': {
        if (in_.size() < 3)
            return gapOver ? in_.size() : 0;
        const int track = in_[1] - '0';
        const char density = in_[2];
        if (track < 1 || track > 3 || (density != '0' && density != '1'))
            return 1;
        cancelWait();
        densities_[track - 1] = density == '1' ? kHighDensity : kLowDensity;
        answer(command, QByteArray(1, kAck), now);
        return 3;
    }
    default:
        return 1;
    }
}

qsizetype EncoderModel::takeData(Duration now) {
    DataEntry &entry = *entry_;
    qsizetype at = 0;
    if (isCustom(entry.format)) {
        while (at < in_.size() && entry.data.isEmpty() && in_[at] == '\0') {
            ++entry.zeros;
            ++at;
        }
    }
    const qsizetype end = in_.indexOf(kEot, at);
    if (end < 0) {
        entry.data += in_.mid(at);
        if (entry.data.size() > kLongestCommand) {
            event(QStringLiteral("dropped track %1 data that never ended").arg(entry.track));
            entry_.reset();
        }
        return in_.size();
    }
    entry.data += in_.mid(at, end - at);
    DataEntry done = std::move(entry);
    entry_.reset();
    kvtStage(std::move(done), now);
    return end + 1;
}

void EncoderModel::reset() {
    cancelWait();
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
        send(QByteArray(1, kAck), at);
        return;
    }
    QStringList unreadable;
    QByteArray reply("\x1bs");
    for (int k = 0; k < 3; ++k) {
        const Track &track = card.tracks[k];
        const TrackFormat format = waiting.formats[k];
        reply += kEsc;
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
    reply += kFs;
    reply += ok ? kStatusOk : kStatusFailed;
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
            if (waiting.tracks[k])
                card_.tracks[k] = *waiting.tracks[k];
        }
        event(QStringLiteral("card written: %1").arg(card_.describe()));
        if (writtenSink_)
            writtenSink_(card_);
        reply = kvt ? QByteArray(1, kAck) : kStatusOk;
    } else {
        event(QStringLiteral("card write failed: %1").arg(problem));
        reply = kvt ? QByteArray(1, kRefusal) : kStatusFailed;
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
        kvt ? QByteArray(1, forced ? kRefusal : kAck) : (forced ? kStatusFailed : kStatusOk);
    if (kvt)
        send(reply, at);
    else
        answer(waiting.command, reply, at);
}

void EncoderModel::lrq118WriteBlock(const QByteArray &command, const QByteArray &block, bool raw,
                                    Duration now) {
    Waiting waiting{raw ? Operation::RawWrite : Operation::Write, now, command};
    const auto malformed = [&waiting, &block] {
        waiting.tracks = {};
        waiting.problem = QStringLiteral("the write data is not in the expected layout: %1")
                              .arg(hex(block.left(64)));
    };
    const QList<QByteArray> parts = block.startsWith("\x1bs") && block.endsWith('?')
                                        ? block.mid(2, block.size() - 3).split(kEsc)
                                        : QList<QByteArray>();
    if (parts.size() != 4 || !parts[0].isEmpty()) {
        malformed();
    } else {
        for (int k = 0; k < 3 && waiting.problem.isEmpty(); ++k) {
            const QByteArray &part = parts[k + 1];
            const int track = k + 1;
            const auto selector = part.isEmpty() ? 0 : static_cast<unsigned char>(part[0]);
            if ((selector & 0x0F) != track || (!raw && selector != track)) {
                malformed();
                break;
            }
            const QByteArray data = part.mid(1);
            if (data.isEmpty())
                continue;
            const TrackFormat format = !raw              ? isoFormat(track)
                                       : selector & 0x10 ? TrackFormat::StdT1
                                                         : numericFormat(track);
            const int density = raw ? densities_[k] : isoDensity(track);
            const QString problem = recordingProblem(data, format, density);
            if (!problem.isEmpty())
                waiting.problem = QStringLiteral("track %1: %2").arg(track).arg(problem);
            else
                waiting.tracks[k] = Track::recorded(data, format, density);
        }
    }
    beginWait(waiting, QStringLiteral("write a card"));
}

void EncoderModel::kvtStage(DataEntry entry, Duration now) {
    const QByteArray ack(1, kEot);
    if (entry.data.isEmpty()) {
        answer(ack, QByteArray(1, kAck), now);
        return;
    }
    const QString problem = recordingProblem(entry.data, entry.format, entry.density);
    if (!problem.isEmpty()) {
        event(QStringLiteral("refused the data for track %1: %2").arg(entry.track).arg(problem));
        answer(ack, QByteArray(1, kRefusal), now);
        return;
    }
    staged_[entry.track - 1] = Track::recorded(entry.data, entry.format, entry.density);
    answer(ack, QByteArray(1, kAck), now);
}

QByteArray EncoderModel::kvtTrackReply(int track, TrackFormat format) const {
    if (lastReadFailed_)
        return "*";
    return lastRead_.tracks[track - 1].readAs(format);
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
    if (pieceBytes_ <= 0) {
        out_.push_back({start, bytes});
        return;
    }
    for (qsizetype from = 0, piece = 0; from < bytes.size(); from += pieceBytes_, ++piece)
        out_.push_back({start + piece * pieceGap_, bytes.mid(from, pieceBytes_)});
}

void EncoderModel::event(const QString &line) const {
    if (eventSink_)
        eventSink_(line);
}
