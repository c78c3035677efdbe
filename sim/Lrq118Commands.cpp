#include "EncoderModel.h"
#include "ModelBytes.h"

// The LRQ118 command set: escape sequences answered with a status.

using namespace ModelBytes;

qsizetype EncoderModel::stepLrq118(Duration now) {
    if (in_[0] != Esc)
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
        answer(command, TestAnswer, now);
        return 2;
    case 'x':
    case 'y':
        cancelWait();
        highCoercivity_ = code == 'x';
        answer(command, StatusOk, now);
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
        answer(command, StatusOk, now);
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
        const qsizetype end = in_.indexOf(Fs, 2);
        if (end < 0)
            return 0;
        cancelWait();
        lrq118WriteBlock(command, in_.mid(2, end - 2), code == 'W', now);
        return end + 1;
    }
    case Esc:
        return 1;
    default:
        event(QStringLiteral("ignored the unknown command %1").arg(hex(command)));
        return 2;
    }
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
                                        ? block.mid(2, block.size() - 3).split(Esc)
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
