#include "link/NonIsoFrames.h"

#include "app/MainModule.h"

namespace NonIsoFrames {

namespace {

struct FormatEntry {
    const QByteArray &text;
    const char *code;
    int bits;
};

const std::array<FormatEntry, 6> FormatTable = {{
    {Format::StdT1, "1", 7},
    {Format::StdT2, "2", 5},
    {Format::StdT3, "3", 5},
    {Format::Custom5, "5", 5},
    {Format::Custom6, "6", 6},
    {Format::Custom7, "7", 7},
}};

// What each density means to the two command sets.
struct DensityValues {
    char lrqDensity;
    char lrqLeadingZeros;
    char kvtDigit;
    int kvtNulCount;
};

constexpr DensityValues At210Bpi{'\xd2', '\x3d', '1', 15};
constexpr DensityValues At75Bpi{'\x4b', '\x16', '0', 6};

constexpr char T1Selector = 0x10;
constexpr char EndSentinel = '?';

const DensityValues &valuesOf(const QByteArray &densityText) {
    return is210Bpi(densityText) ? At210Bpi : At75Bpi;
}

QByteArray codeOf(const Selection &selection, std::size_t track) {
    return TrackFormatCode(selection.tracks[track].format);
}

QByteArray perTrack(const QByteArray &command, const Selection &selection,
                    char (*byteOf)(const QByteArray &)) {
    QByteArray frame = command;
    for (const TrackSetting &track : selection.tracks)
        frame += byteOf(track.density);
    return frame;
}

} // namespace

Selection selectionOf(const MainModule &state) {
    return {state.NonIsoStdFormat,
            {{{state.NonIsoT1Format, state.NonIsoT1Density},
              {state.NonIsoT2Format, state.NonIsoT2Density},
              {state.NonIsoT3Format, state.NonIsoT3Density}}}};
}

QByteArray TrackFormatCode(const QByteArray &formatText) {
    for (const FormatEntry &entry : FormatTable)
        if (entry.text == formatText)
            return entry.code;
    return {};
}

int bitsPerCharacter(const QByteArray &trackFormatCode) {
    for (const FormatEntry &entry : FormatTable)
        if (trackFormatCode == entry.code)
            return entry.bits;
    return 0;
}

bool is210Bpi(const QByteArray &densityText) {
    return densityText == Density::Bpi210;
}

char lrqDensityByte(const QByteArray &densityText) {
    return valuesOf(densityText).lrqDensity;
}

char lrqLeadingZeroByte(const QByteArray &densityText) {
    return valuesOf(densityText).lrqLeadingZeros;
}

char kvtDensityDigit(const QByteArray &densityText) {
    return valuesOf(densityText).kvtDigit;
}

int kvtNulCount(const QByteArray &densityText) {
    return valuesOf(densityText).kvtNulCount;
}

char lrqSelector(std::size_t track, const QByteArray &trackFormatCode) {
    const char plain = static_cast<char>(track + 1);
    return trackFormatCode == "1" ? static_cast<char>(plain + T1Selector) : plain;
}

QByteArray lrqReadFrame(const Selection &selection) {
    QByteArray frame = Lrq118::Read;
    for (std::size_t track = 0; track < selection.tracks.size(); ++track)
        frame += lrqSelector(track, codeOf(selection, track));
    return frame;
}

QByteArray kvtReadTrackCommand(const Selection &selection, std::size_t track) {
    const auto &letters =
        selection.standardFormat ? Kvt380a::ReadStandardTrack : Kvt380a::ReadCustomTrack;
    return letters[track] + codeOf(selection, track);
}

QByteArray lrqWriteFrame(const Selection &selection, const Tracks &tracks) {
    QByteArray frame = Lrq118::Write;
    frame += IsoFrames::Esc;
    frame += 's';
    for (std::size_t track = 0; track < tracks.size(); ++track) {
        frame += IsoFrames::Esc;
        frame += lrqSelector(track, codeOf(selection, track));
        if (IsoFrames::isWritable(tracks[track]))
            frame += tracks[track];
    }
    frame += EndSentinel;
    frame += IsoFrames::Fs;
    return frame;
}

QByteArray kvtWriteTrackCommand(const Selection &selection, std::size_t track) {
    const auto &letters =
        selection.standardFormat ? Kvt380a::WriteStandardTrack : Kvt380a::WriteCustomTrack;
    return letters[track] + codeOf(selection, track);
}

QByteArray kvtTrackData(const QByteArray &data) {
    return data + IsoFrames::Eot;
}

std::vector<KvtTrackWrite> kvtWriteSteps(const Selection &selection, const Tracks &tracks) {
    std::vector<KvtTrackWrite> steps;
    for (std::size_t track = 0; track < tracks.size(); ++track) {
        if (!IsoFrames::isWritable(tracks[track]))
            continue;
        const int nulCount =
            selection.standardFormat ? 0 : kvtNulCount(selection.tracks[track].density);
        steps.push_back(
            {kvtWriteTrackCommand(selection, track), nulCount, kvtTrackData(tracks[track])});
    }
    return steps;
}

QByteArray lrqDensityFrame(const Selection &selection) {
    return perTrack(Lrq118::Density, selection, lrqDensityByte);
}

QByteArray lrqLeadingZerosFrame(const Selection &selection) {
    return perTrack(Lrq118::LeadingZeros, selection, lrqLeadingZeroByte);
}

std::array<QByteArray, 3> kvtDensityCommands(const Selection &selection) {
    std::array<QByteArray, 3> commands;
    for (std::size_t track = 0; track < commands.size(); ++track)
        commands[track] =
            Kvt380a::DensityTrack[track] + kvtDensityDigit(selection.tracks[track].density);
    return commands;
}

} // namespace NonIsoFrames
