#include "Card.h"

#include <QStringList>

#include <cctype>

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

// A character as an operator can find it in what was typed: itself when printable, and
// its code in hex.
QString shownCharacter(char c) {
    const auto code = static_cast<unsigned char>(c);
    const QString hexCode = hexValues(QByteArray(1, c));
    if (code < 0x21 || code > 0x7E)
        return QStringLiteral("hex %1").arg(hexCode);
    return QStringLiteral("\"%1\" (hex %2)").arg(QChar::fromLatin1(c), hexCode);
}

std::optional<QByteArray> valuesFromHex(const QByteArray &text) {
    const QByteArray digits = QByteArray(text).replace(' ', QByteArray());
    if (digits.size() % 2 != 0)
        return std::nullopt;
    for (const char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    return QByteArray::fromHex(digits);
}

std::optional<TrackFormat> formatFromName(const QByteArray &name) {
    const QByteArray lower = name.toLower();
    if (lower == "t1" || lower == "t2" || lower == "t3")
        return trackFormatFromCode(lower[1]);
    if (lower == "5" || lower == "6" || lower == "7")
        return trackFormatFromCode(lower[0]);
    return std::nullopt;
}

QByteArray formatNotationName(TrackFormat format) {
    const char code = static_cast<char>(format);
    return isCustom(format) ? QByteArray(1, code) : QByteArray("t") + code;
}

} // namespace

QString recordingProblem(const QByteArray &data, TrackFormat format, int density) {
    for (qsizetype at = 0; at < data.size(); ++at) {
        const char c = data[at];
        if (fits(static_cast<unsigned char>(c), format))
            continue;
        if (isCustom(format))
            return QStringLiteral("value %1, %2 hex, is not in the %3 format")
                .arg(at + 1)
                .arg(hexValues(QByteArray(1, c)), formatName(format));
        return QStringLiteral("character %1, %2, is not in the %3 format")
            .arg(at + 1)
            .arg(shownCharacter(c), formatName(format));
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

Track trackFromNotation(const QByteArray &text, int trackNumber, QString *problem) {
    const auto refuse = [problem](const QString &why) {
        if (problem)
            *problem = why;
        return Track::damaged();
    };
    if (text.isEmpty() || text == "+")
        return {};
    if (text == "*")
        return Track::damaged();
    TrackFormat format = isoFormat(trackNumber);
    int density = isoDensity(trackNumber);
    QByteArray data = text;
    if (text.startsWith('{')) {
        const qsizetype close = text.indexOf('}');
        if (close < 0)
            return refuse(QStringLiteral("\"{\" opens a format but no \"}\" closes it"));
        const QList<QByteArray> parts = text.mid(1, close - 1).split('@');
        const std::optional<TrackFormat> named = formatFromName(parts[0]);
        if (!named || parts.size() > 2)
            return refuse(QStringLiteral("\"%1\" is no format; use t1, t2, t3 (standard) or "
                                         "5, 6, 7 (custom), optionally followed by @210 or @75")
                              .arg(QString::fromLatin1(text.left(close + 1))));
        format = *named;
        if (parts.size() == 2) {
            if (parts[1] != "210" && parts[1] != "75")
                return refuse(QStringLiteral("the density is 210 or 75 BPI, not \"%1\"")
                                  .arg(QString::fromLatin1(parts[1])));
            density = parts[1].toInt();
        }
        data = text.mid(close + 1);
        if (isCustom(format)) {
            const std::optional<QByteArray> values = valuesFromHex(data);
            if (!values)
                return refuse(QStringLiteral("custom data is hex values in pairs of digits, "
                                             "such as 0B 3F, not \"%1\"")
                                  .arg(QString::fromLatin1(data)));
            data = *values;
        }
        if (data.isEmpty())
            return refuse(QStringLiteral("no data follows the format"));
    }
    const QString why = recordingProblem(data, format, density);
    if (!why.isEmpty())
        return refuse(why);
    return Track::recorded(data, format, density);
}

QByteArray trackNotation(const Track &track, int trackNumber) {
    switch (track.state) {
    case Track::State::Blank:
        return "+";
    case Track::State::Damaged:
        return "*";
    case Track::State::Recorded:
        break;
    }
    if (track.format == isoFormat(trackNumber) && track.density == isoDensity(trackNumber))
        return track.data;
    const QByteArray data = isCustom(track.format) ? track.data.toHex(' ').toUpper() : track.data;
    return '{' + formatNotationName(track.format) + '@' + QByteArray::number(track.density) + '}' +
           data;
}

Card Card::fromTexts(const QByteArray &t1, const QByteArray &t2, const QByteArray &t3,
                     QStringList *problems) {
    Card card;
    const std::array<QByteArray, 3> texts{t1, t2, t3};
    for (int k = 0; k < 3; ++k) {
        QString problem;
        card.tracks[k] = trackFromNotation(texts[k], k + 1, &problem);
        if (problems && !problem.isEmpty())
            *problems << QStringLiteral("track %1: %2").arg(k + 1).arg(problem);
    }
    return card;
}

QString Card::describe() const {
    QStringList parts;
    for (int k = 0; k < 3; ++k)
        parts << QStringLiteral("track %1 %2").arg(k + 1).arg(tracks[k].describe(k + 1));
    return parts.join(QStringLiteral(", "));
}
