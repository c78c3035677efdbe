#pragma once

#include "link/IsoFrames.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <vector>

struct MainModule;

// The format and density tables of raw (Non-ISO) tracks and the pure building of their
// frames. Track indexes are 0, 1, 2 for tracks 1, 2, 3. The reset, opening, indicator and
// closing frames, the KVT-380A read request "P" and write end "@" are the ISO ones
// (IsoFrames); an LRQ118 read reply splits with IsoFrames::parseLrqReadReply.
namespace NonIsoFrames {

using IsoFrames::Tracks;

namespace Format {
inline const QByteArray StdT1 = "7-Bit Character (Std T1)";
inline const QByteArray StdT2 = "5-Bit Character (Std T2)";
inline const QByteArray StdT3 = "5-Bit Character (Std T3)";
inline const QByteArray Custom5 = "5-Bit Character";
inline const QByteArray Custom6 = "6-Bit Character";
inline const QByteArray Custom7 = "7-Bit Character";
} // namespace Format

// The lists the format selection offers, in their order.
inline const std::array<QByteArray, 3> StandardFormats = {Format::StdT1, Format::StdT2,
                                                          Format::StdT3};
inline const std::array<QByteArray, 3> CustomFormats = {Format::Custom5, Format::Custom6,
                                                        Format::Custom7};

namespace Density {
inline const QByteArray Bpi210 = "210 BPI (Standard for T1&T3)";
inline const QByteArray Bpi75 = "75 BPI (Standard for T2)";
} // namespace Density

inline const std::array<QByteArray, 2> Densities = {Density::Bpi210, Density::Bpi75};

namespace Lrq118 {
inline const QByteArray Read = QByteArray::fromHex("1b52");
inline const QByteArray Write = QByteArray::fromHex("1b57");
inline const QByteArray Density = QByteArray::fromHex("1b6a");
inline const QByteArray LeadingZeros = QByteArray::fromHex("1b5a");
} // namespace Lrq118

namespace Kvt380a {
inline const std::array<QByteArray, 3> ReadStandardTrack = {"q", "r", "s"};
inline const std::array<QByteArray, 3> ReadCustomTrack = {"U", "V", "W"};
inline const std::array<QByteArray, 3> WriteStandardTrack = {"a", "b", "c"};
inline const std::array<QByteArray, 3> WriteCustomTrack = {"E", "F", "G"};
inline const std::array<QByteArray, 3> DensityTrack = {";1", ";2", ";3"};
// Sent before custom data, one per send, as many as the track's density asks for.
inline const QByteArray Nul = QByteArray(1, '\0');
// Sent one after the other when a write did not succeed, before the error indication.
inline const std::array<QByteArray, 2> AfterFailedWrite = {IsoFrames::Kvt380a::ReadyOff,
                                                           IsoFrames::Kvt380a::OpeningWrite};
} // namespace Kvt380a

struct TrackSetting {
    QByteArray format;  // one of StandardFormats or CustomFormats
    QByteArray density; // one of Densities
};

struct Selection {
    bool standardFormat = true;
    std::array<TrackSetting, 3> tracks;
};

// The format selection and densities as the shared state holds them.
[[nodiscard]] Selection selectionOf(const MainModule &state);

// "1", "2", "3" for the standard formats, "5", "6", "7" for the custom ones, empty for a
// text that is none of them.
[[nodiscard]] QByteArray TrackFormatCode(const QByteArray &formatText);
// 7, 5, 5, 5, 6, 7 for the codes above; 0 for an empty code.
[[nodiscard]] int bitsPerCharacter(const QByteArray &trackFormatCode);

// Only the exact 210 BPI text records at 210 BPI; anything else at 75.
[[nodiscard]] bool is210Bpi(const QByteArray &densityText);
[[nodiscard]] char lrqDensityByte(const QByteArray &densityText);
[[nodiscard]] char lrqLeadingZeroByte(const QByteArray &densityText);
[[nodiscard]] char kvtDensityDigit(const QByteArray &densityText);
[[nodiscard]] int kvtNulCount(const QByteArray &densityText);

// 01, 02, 03, with 10 hex added for the 7-bit T1 format.
[[nodiscard]] char lrqSelector(std::size_t track, const QByteArray &trackFormatCode);

// ESC R s1 s2 s3.
[[nodiscard]] QByteArray lrqReadFrame(const Selection &selection);
// q/r/s (standard) or U/V/W (custom) followed by the track's code, if it has one.
[[nodiscard]] QByteArray kvtReadTrackCommand(const Selection &selection, std::size_t track);

// ESC W ESC s ESC s1 [track 1] ESC s2 [track 2] ESC s3 [track 3] "?" FS; a track without
// data (IsoFrames::isWritable) keeps its selector with nothing after it.
[[nodiscard]] QByteArray lrqWriteFrame(const Selection &selection, const Tracks &tracks);
// a/b/c (standard) or E/F/G (custom) followed by the track's code, if it has one.
[[nodiscard]] QByteArray kvtWriteTrackCommand(const Selection &selection, std::size_t track);
[[nodiscard]] QByteArray kvtTrackData(const QByteArray &data);

// One track of a KVT-380A write: the command, acknowledged; nulCount NUL bytes, one per
// send; the data with its EOT, acknowledged.
struct KvtTrackWrite {
    QByteArray command;
    int nulCount = 0;
    QByteArray data;
};

// The tracks that have data, in order; the write ends with IsoFrames::Kvt380a::WriteEnd.
[[nodiscard]] std::vector<KvtTrackWrite> kvtWriteSteps(const Selection &selection,
                                                       const Tracks &tracks);

// ESC j d1 d2 d3, then ESC Z z1 z2 z3.
[[nodiscard]] QByteArray lrqDensityFrame(const Selection &selection);
[[nodiscard]] QByteArray lrqLeadingZerosFrame(const Selection &selection);
// ";1x", ";2x", ";3x".
[[nodiscard]] std::array<QByteArray, 3> kvtDensityCommands(const Selection &selection);

} // namespace NonIsoFrames
