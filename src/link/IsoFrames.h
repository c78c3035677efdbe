#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <optional>

// The bytes of both ISO command sets, and the pure building and parsing of the LRQ118
// track frames.
namespace IsoFrames {

constexpr char Esc = '\x1b';
constexpr char Fs = '\x1c';
constexpr char Eot = '\x04';

namespace Lrq118 {
inline const QByteArray Reset = QByteArray::fromHex("1b61");
inline const QByteArray Opening = QByteArray::fromHex("1b84");
inline const QByteArray ReadyOn = QByteArray::fromHex("1b83");
inline const QByteArray ErrorOn = QByteArray::fromHex("1b85");
inline const QByteArray ErrorOff = QByteArray::fromHex("1b81");
inline const QByteArray Read = QByteArray::fromHex("1b72");
inline const QByteArray Write = QByteArray::fromHex("1b77");
inline const QByteArray Erase = QByteArray::fromHex("1b63");
inline const QByteArray LeadingZeros = QByteArray::fromHex("1b5a3d163d");
inline const QByteArray Density = QByteArray::fromHex("1b6ad24bd2");
inline const QByteArray Success = QByteArray::fromHex("1b30");
inline const QByteArray CommTest = QByteArray::fromHex("1b65");
inline const QByteArray CommTestReply = QByteArray::fromHex("1b79");
inline const QByteArray HighCoercivity = QByteArray::fromHex("1b78");
inline const QByteArray LowCoercivity = QByteArray::fromHex("1b79");
} // namespace Lrq118

namespace Kvt380a {
inline const QByteArray Reset = QByteArray::fromHex("7f");
inline const QByteArray OpeningRead = "L";
inline const QByteArray OpeningWrite = "(";
inline const QByteArray ReadyOn = "L";
inline const QByteArray ReadyOff = "l";
inline const QByteArray ErrorOn = "M";
inline const QByteArray ErrorOff = "m";
inline const QByteArray Read = "P";
inline const std::array<QByteArray, 3> ReadTrack = {"Q", "R", "S"};
inline const std::array<QByteArray, 3> WriteTrack = {"A", "B", "C"};
inline const QByteArray WriteEnd = "@";
inline const std::array<QByteArray, 3> EraseTrack = {"Z", "[", "\\"};
inline const QByteArray EraseEnd = "]";
inline const QByteArray Ack = "^";
inline const QByteArray ResetAck = ":";
inline const QByteArray HighCoercivity = "{";
inline const QByteArray LowCoercivity = "|";
} // namespace Kvt380a

using Tracks = std::array<QByteArray, 3>;

// "+" (blank), "*" (no valid data) and "" are never written.
[[nodiscard]] bool isWritable(const QByteArray &track);

// ESC s, ESC 01, track 1, ESC 02, track 2, ESC 03, track 3, "?", FS.
[[nodiscard]] QByteArray lrqWriteBlock(const Tracks &tracks);
[[nodiscard]] QByteArray lrqEraseFrame(qint16 mask);

// Splits an LRQ118 read reply into the three tracks, sentinels removed; nullopt when the
// reply is not framed as the encoder frames a successful read.
[[nodiscard]] std::optional<Tracks> parseLrqReadReply(const QByteArray &reply);

} // namespace IsoFrames
