#include "Card.h"

#include <QStringList>

std::optional<TrackFormat> trackFormatFromCode(char code) {
    switch (code) {
    case '1':
    case '2':
    case '3':
    case '5':
    case '6':
    case '7':
        return static_cast<TrackFormat>(code);
    default:
        return std::nullopt;
    }
}

TrackFormat isoFormat(int track) {
    switch (track) {
    case 1:
        return TrackFormat::StdT1;
    case 2:
        return TrackFormat::StdT2;
    default:
        return TrackFormat::StdT3;
    }
}

int isoDensity(int track) {
    return track == 2 ? kLowDensity : kHighDensity;
}

bool isCustom(TrackFormat format) {
    return format == TrackFormat::Custom5 || format == TrackFormat::Custom6 ||
           format == TrackFormat::Custom7;
}

int bitsPerCharacter(TrackFormat format) {
    switch (format) {
    case TrackFormat::StdT1:
    case TrackFormat::Custom7:
        return 7;
    case TrackFormat::Custom6:
        return 6;
    default:
        return 5;
    }
}

int trackCapacity(TrackFormat format, int density) {
    const bool high = density == kHighDensity;
    switch (bitsPerCharacter(format)) {
    case 7:
        return high ? 76 : 27;
    case 6:
        return high ? 88 : 32;
    default:
        return high ? 106 : 39;
    }
}

bool readableAs(TrackFormat recorded, TrackFormat wanted) {
    const auto numeric = [](TrackFormat f) {
        return f == TrackFormat::StdT2 || f == TrackFormat::StdT3;
    };
    return recorded == wanted || (numeric(recorded) && numeric(wanted));
}

namespace {

bool fits(unsigned char c, TrackFormat format) {
    switch (format) {
    case TrackFormat::StdT1:
        return c >= 0x20 && c <= 0x5F && c != '?';
    case TrackFormat::StdT2:
    case TrackFormat::StdT3:
        return c >= 0x30 && c <= 0x3E;
    default:
        return c >= 1 && c < (1u << bitsPerCharacter(format));
    }
}

QString hexValues(const QByteArray &data) {
    return QString::fromLatin1(data.toHex(' ').toUpper());
}

} // namespace

QString recordingProblem(const QByteArray &data, TrackFormat format, int density) {
    for (const char c : data) {
        if (!fits(static_cast<unsigned char>(c), format))
            return QStringLiteral("the %1 format cannot hold the character %2")
                .arg(formatName(format), hexValues(QByteArray(1, c)));
    }
    const int capacity = trackCapacity(format, density);
    if (data.size() > capacity)
        return QStringLiteral("%1 characters do not fit (at most %2 in the %3 format at %4 BPI)")
            .arg(data.size())
            .arg(capacity)
            .arg(formatName(format))
            .arg(density);
    return {};
}

QString formatName(TrackFormat format) {
    switch (format) {
    case TrackFormat::StdT1:
        return QStringLiteral("7-bit T1");
    case TrackFormat::StdT2:
        return QStringLiteral("5-bit T2");
    case TrackFormat::StdT3:
        return QStringLiteral("5-bit T3");
    default:
        return QStringLiteral("custom %1-bit").arg(bitsPerCharacter(format));
    }
}

Track Track::recorded(const QByteArray &data, TrackFormat format, int density) {
    return {State::Recorded, data, format, density};
}

bool Track::isReadableAs(TrackFormat wanted) const {
    return state == State::Blank || (state == State::Recorded && readableAs(format, wanted));
}

QByteArray Track::readAs(TrackFormat wanted) const {
    if (state == State::Blank)
        return "+";
    if (!isReadableAs(wanted))
        return "*";
    return data;
}

QString Track::describe(int trackNumber) const {
    switch (state) {
    case State::Blank:
        return QStringLiteral("blank");
    case State::Damaged:
        return QStringLiteral("unreadable");
    case State::Recorded:
        break;
    }
    const QString shown = isCustom(format)
                              ? hexValues(data)
                              : QLatin1Char('"') + QString::fromLatin1(data) + QLatin1Char('"');
    if (format == isoFormat(trackNumber) && density == isoDensity(trackNumber))
        return shown;
    return QStringLiteral("%1 (%2, %3 BPI)").arg(shown, formatName(format)).arg(density);
}

Card Card::fromTexts(const QByteArray &t1, const QByteArray &t2, const QByteArray &t3) {
    Card card;
    const std::array<QByteArray, 3> texts{t1, t2, t3};
    for (int k = 0; k < 3; ++k) {
        const QByteArray &text = texts[k];
        Track &track = card.tracks[k];
        if (text.isEmpty() || text == "+")
            continue;
        const TrackFormat format = isoFormat(k + 1);
        const int density = isoDensity(k + 1);
        if (text == "*" || !recordingProblem(text, format, density).isEmpty())
            track = Track::damaged();
        else
            track = Track::recorded(text, format, density);
    }
    return card;
}

QString Card::describe() const {
    QStringList parts;
    for (int k = 0; k < 3; ++k)
        parts << QStringLiteral("track %1 %2").arg(k + 1).arg(tracks[k].describe(k + 1));
    return parts.join(QStringLiteral(", "));
}
