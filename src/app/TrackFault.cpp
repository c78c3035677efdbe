#include "app/TrackFault.h"

#include "app/MainModule.h"

#include <algorithm>

namespace {

QString characterName(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code > 32 && code < 127 && c != '"')
        return QStringLiteral("\"%1\"").arg(QLatin1Char(c));
    return QStringLiteral("the character with code %1").arg(code);
}

} // namespace

std::optional<TrackFault> FindTrackFault(int track, const QByteArray &text) {
    if (text.isEmpty() || text == "+" || text == "*")
        return std::nullopt;
    const auto accepts = track == 1 ? IsTrack1Text : IsTrack23Text;
    const qsizetype capacity = TrackCapacity.at(std::size_t(track - 1));
    if (!accepts(text)) {
        const auto bad = std::find_if(text.begin(), text.end(),
                                      [&](char c) { return !accepts(QByteArray(1, c)); });
        return TrackFault{TrackFault::Kind::Character, *bad, text.size(), capacity};
    }
    if (text.size() > capacity)
        return TrackFault{TrackFault::Kind::Length, 0, text.size(), capacity};
    return std::nullopt;
}

QString DescribeTrackFault(const TrackFault &fault) {
    if (fault.kind == TrackFault::Kind::Character)
        return QStringLiteral("holds %1, which this track cannot carry")
            .arg(characterName(fault.character));
    return QStringLiteral("has %1 characters, more than the %2 it can hold")
        .arg(fault.length)
        .arg(fault.capacity);
}
