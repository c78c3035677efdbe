#include "EncoderModel.h"
#include "ModelBytes.h"

// The KVT-380A command set: command letters acknowledged with "^".

using namespace ModelBytes;

qsizetype EncoderModel::stepKvt380a(Duration now) {
    const char code = in_[0];
    const QByteArray command(1, code);
    const bool gapOver = now - lastByteAt_ >= kFormatCharacterGap;
    switch (code) {
    case Del:
        resetByDel(now);
        return 1;
    case '{':
    case '|':
        cancelWait();
        highCoercivity_ = code == '{';
        answer(command, QByteArray(1, Ack), now);
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
        answer(command, QByteArray(1, Ack), now);
        return 1;
    case 'P':
        cancelWait();
        answer(command, QByteArray(1, Ack), now);
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
        answer(command, QByteArray(1, Ack), now);
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
        if (in_.size() >= 2 && in_[1] == Del)
            return 1;
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
            answer(command, QByteArray(1, Ack), now);
            entry_ = DataEntry{track, used, densities_[track - 1]};
        }
        return length;
    }
    case '@': {
        cancelWait();
        answer(command, QByteArray(1, Ack), now);
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
        answer(command, QByteArray(1, Ack), now);
        return 1;
    case ']': {
        cancelWait();
        answer(command, QByteArray(1, Ack), now);
        Waiting waiting{Operation::KvtErase, now, command};
        waiting.mask = eraseMask_;
        eraseMask_ = 0;
        beginWait(waiting, QStringLiteral("erase %1").arg(trackList(waiting.mask)));
        return 1;
    }
    case ';': {
        if (in_.size() >= 2 && in_[1] == Del)
            return 1;
        if (in_.size() < 3)
            return gapOver ? in_.size() : 0;
        const int track = in_[1] - '0';
        const char density = in_[2];
        if (track < 1 || track > 3 || (density != '0' && density != '1'))
            return 1;
        cancelWait();
        densities_[track - 1] = density == '1' ? kHighDensity : kLowDensity;
        answer(command, QByteArray(1, Ack), now);
        return 3;
    }
    default:
        return 1;
    }
}

qsizetype EncoderModel::takeData(Duration now) {
    DataEntry &entry = *entry_;
    qsizetype at = 0;
    const bool custom = isCustom(entry.format);
    if (custom) {
        while (at < in_.size() && entry.data.isEmpty() && in_[at] == '\0') {
            ++entry.zeros;
            ++at;
        }
    }
    // No text format holds DEL, so there it is the host resetting the encoder. In custom
    // data it is the 7-bit value 7F, unless it stands alone at the end and nothing follows:
    // then the host gave up on the data and is waiting for the reset's answer.
    if (!custom) {
        const qsizetype del = in_.indexOf(Del, at);
        const qsizetype eot = in_.indexOf(Eot, at);
        if (del >= 0 && (eot < 0 || del < eot)) {
            resetByDel(now);
            return del + 1;
        }
    }
    const qsizetype end = in_.indexOf(Eot, at);
    if (end < 0) {
        if (custom && in_.endsWith(Del)) {
            if (in_.size() - at == 1 && now - lastByteAt_ >= kFormatCharacterGap) {
                resetByDel(now);
                return in_.size();
            }
            entry.data += in_.mid(at, in_.size() - at - 1);
            return in_.size() - 1;
        }
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

void EncoderModel::kvtStage(DataEntry entry, Duration now) {
    const QByteArray ack(1, Eot);
    if (entry.data.isEmpty()) {
        answer(ack, QByteArray(1, Ack), now);
        return;
    }
    const QString problem = recordingProblem(entry.data, entry.format, entry.density);
    if (!problem.isEmpty()) {
        event(QStringLiteral("refused the data for track %1: %2").arg(entry.track).arg(problem));
        answer(ack, QByteArray(1, Refusal), now);
        return;
    }
    staged_[entry.track - 1] = Track::recorded(entry.data, entry.format, entry.density);
    answer(ack, QByteArray(1, Ack), now);
}

void EncoderModel::resetByDel(Duration now) {
    reset();
    answer(QByteArray(1, Del), QByteArray(1, ResetAnswer), now);
}

QByteArray EncoderModel::kvtTrackReply(int track, TrackFormat format) const {
    if (lastReadFailed_)
        return "*";
    return lastRead_.tracks[track - 1].readAs(format);
}
