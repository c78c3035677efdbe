#include "nonstd/NonIsoEntry.h"

#include "app/MainModule.h"
#include "link/IsoFrames.h"
#include "link/NonIsoFrames.h"
#include "nonstd/HexData.h"
#include "nonstd/NonIsoTexts.h"

namespace {

constexpr int SevenBits = 7;

} // namespace

NonIsoTrackEntry NonIsoTrackEntry::of(const MainModule &state, std::size_t track) {
    // The selection is kept: a reference into a temporary one would not outlive this line.
    const NonIsoFrames::Selection selection = NonIsoFrames::selectionOf(state);
    const NonIsoFrames::TrackSetting &setting = selection.tracks.at(track);
    const int bits = NonIsoFrames::bitsPerCharacter(NonIsoFrames::TrackFormatCode(setting.format));
    return {state.NonIsoStdFormat, bits, TrackCapacity(bits, setting.density)};
}

QByteArray NonIsoTrackEntry::keySet(const MainModule &state) const {
    if (!standard)
        return state.HexChars;
    return bits == SevenBits ? state.Track1Chars : state.Track23Chars;
}

InformationMessage NonIsoTrackEntry::keyMessage() const {
    return standard ? StandardFormatMessage(bits) : HexKeyMessage();
}

qsizetype NonIsoTrackEntry::count(const QByteArray &text) const {
    return standard ? text.size() : CountHexPairs(text);
}

std::optional<InformationMessage> NonIsoTrackEntry::textFault(const QByteArray &text) const {
    if (standard) {
        const bool valid = bits == SevenBits ? IsTrack1Text(text) : IsTrack23Text(text);
        if (valid)
            return std::nullopt;
        return StandardFormatMessage(bits);
    }
    const HexConversion conversion = HexToData(text);
    switch (conversion.status) {
    case HexStatus::GroupTooLong:
        return HexLengthMessage();
    case HexStatus::ReservedValue:
        return CustomDataMessage(bits);
    case HexStatus::Converted:
        break;
    }
    if (FindCustomDataFault(conversion.data, bits) != CustomDataFault::None)
        return CustomDataMessage(bits);
    return std::nullopt;
}

QByteArray NonIsoTrackEntry::data(const QByteArray &text) const {
    return standard ? text : HexToData(text).data;
}

std::optional<InformationMessage> NonIsoTrackEntry::dataFault(const QByteArray &data) const {
    if (data.isEmpty())
        return std::nullopt;
    if (standard) {
        if (std::optional<InformationMessage> fault = textFault(data))
            return fault;
    } else if (FindCustomDataFault(data, bits) != CustomDataFault::None) {
        return CustomDataMessage(bits);
    }
    if (!IsoFrames::isWritable(data))
        return MarkerDataMessage(standard ? QLatin1Char('"') + QString::fromLatin1(data) +
                                                QLatin1Char('"')
                                          : QString::fromLatin1(ToHexPairs(data).trimmed()));
    if (data.size() > capacity)
        return MaxCharactersMessage(capacity);
    return std::nullopt;
}
