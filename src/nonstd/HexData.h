#pragma once

#include <QByteArray>
#include <QtGlobal>

// Custom-format track data: one character per value, shown and keyed as hex pairs.

// Two upper-case hex digits and a space per character: codes 11 and 63 give "0B 3F ".
[[nodiscard]] QByteArray ToHexPairs(const QByteArray &data);

// The groups of a hex field: every space that ends a group, plus the last group when no
// space follows it. A leading space counts as one; a run of spaces counts once.
[[nodiscard]] qsizetype CountHexPairs(const QByteArray &text);

enum class HexStatus {
    Converted,
    GroupTooLong,  // a group of more than two characters
    ReservedValue, // the value 4, which ends a track on the encoder
};

// The data is empty unless the status is Converted, so a failed conversion can never be
// taken for track data (valid data may well read "Err").
struct HexConversion {
    HexStatus status = HexStatus::Converted;
    QByteArray data;
};

// Groups are separated by spaces; trailing CR LF pairs are dropped. A group reads as hex up
// to its first character that is not a hex digit, so "G1" gives 0.
[[nodiscard]] HexConversion HexToData(const QByteArray &text);

// "1", "3", "7" for 5, 6, 7 bits: the first digit of the largest value; empty otherwise.
[[nodiscard]] QByteArray MaxHexDigit(int bits);

// Characters a track holds in a format of the given bits per character at the density;
// 0 for bits other than 5, 6 and 7.
[[nodiscard]] int TrackCapacity(int bits, const QByteArray &densityText);

enum class CustomDataFault {
    None,
    OutOfRange,     // a value of 0 or above the largest value of the width
    ReservedValue,  // the value 4
    EvenFirstValue, // the first value's lowest bit is 0
};

// The first rule the data breaks, values checked in order before the first one's parity.
// Empty data is never written and breaks nothing.
[[nodiscard]] CustomDataFault FindCustomDataFault(const QByteArray &data, int bits);
