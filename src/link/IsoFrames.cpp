#include "link/IsoFrames.h"

namespace IsoFrames {

namespace {

constexpr char Blank = '+';
constexpr char EndSentinel = '?';
constexpr char StatusOk = '0';
// ESC s, ESC 01 and the track-1 start sentinel.
constexpr qsizetype ReplyPrefix = 5;
// "+", the two marker bytes and the next start sentinel.
constexpr qsizetype BlankTrackLength = 4;

QByteArray marker(char track) {
    return QByteArray(1, Esc) + track;
}

// Takes one track off the front of rest, up to the marker that starts the next track. A
// blank track is "+" right before that marker; "+" followed by anything else is data.
std::optional<QByteArray> takeTrack(QByteArray &rest, char nextTrack) {
    if (rest.startsWith(Blank + marker(nextTrack))) {
        if (rest.size() < BlankTrackLength)
            return std::nullopt;
        rest.remove(0, BlankTrackLength);
        return QByteArray(1, Blank);
    }
    const qsizetype at = rest.indexOf(marker(nextTrack));
    // The data needs its end sentinel before the marker and a start sentinel after it.
    if (at < 1 || rest.size() < at + 3)
        return std::nullopt;
    QByteArray track = rest.left(at - 1);
    rest.remove(0, at + 3);
    return track;
}

} // namespace

bool isWritable(const QByteArray &track) {
    return !track.isEmpty() && track != "*" && track != "+";
}

QByteArray lrqWriteBlock(const Tracks &tracks) {
    QByteArray block;
    block += Esc;
    block += 's';
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        block += marker(static_cast<char>(i + 1));
        if (isWritable(tracks[i]))
            block += tracks[i];
    }
    block += EndSentinel;
    block += Fs;
    return block;
}

QByteArray lrqEraseFrame(qint16 mask) {
    return Lrq118::Erase + static_cast<char>(mask & 0xff);
}

std::optional<Tracks> parseLrqReadReply(const QByteArray &reply) {
    QByteArray rest = reply;
    if (!rest.endsWith(StatusOk))
        return std::nullopt;
    rest.chop(1);
    if (!rest.endsWith(Esc))
        return std::nullopt;
    rest.chop(1);
    if (!rest.startsWith(QByteArray(1, Esc) + 's') || rest.size() < ReplyPrefix)
        return std::nullopt;
    rest.remove(0, ReplyPrefix);

    Tracks tracks;
    const std::optional<QByteArray> track1 = takeTrack(rest, '\x02');
    if (!track1)
        return std::nullopt;
    tracks[0] = *track1;
    const std::optional<QByteArray> track2 = takeTrack(rest, '\x03');
    if (!track2)
        return std::nullopt;
    tracks[1] = *track2;
    // Track 3 has no marker after it: it is blank when "+" ends the reply or the block.
    if (rest == QByteArray(1, Blank) || rest.startsWith(QByteArray(1, Blank) + Fs)) {
        tracks[2] = QByteArray(1, Blank);
    } else {
        const qsizetype end = rest.indexOf(EndSentinel);
        if (end < 0)
            return std::nullopt;
        tracks[2] = rest.left(end);
    }
    return tracks;
}

} // namespace IsoFrames
