#include "nonstd/NonIsoTexts.h"

#include "link/NonIsoFrames.h"
#include "nonstd/HexData.h"

namespace {

constexpr qsizetype StandardNameLength = 15;

int bitsOf(const QByteArray &formatText) {
    return NonIsoFrames::bitsPerCharacter(NonIsoFrames::TrackFormatCode(formatText));
}

int capacityOf(const NonIsoFrames::TrackSetting &setting) {
    return TrackCapacity(bitsOf(setting.format), setting.density);
}

QString trackData(std::size_t track) {
    return QStringLiteral("Track %1 Data").arg(track + 1);
}

} // namespace

std::optional<QString> ReadTrackCaption(std::size_t track, const QByteArray &formatText) {
    const int bits = bitsOf(formatText);
    if (bits == 0)
        return std::nullopt;
    return trackData(track) + QStringLiteral(" (%1-Bit Character)").arg(bits);
}

QString StandardEntryLabel(std::size_t track, const NonIsoFrames::TrackSetting &setting) {
    return trackData(track) + QStringLiteral(" ( ") +
           QString::fromLatin1(setting.format.left(StandardNameLength)) +
           QStringLiteral(" ) Max %1 Characters").arg(capacityOf(setting));
}

QString CustomEntryLabel(std::size_t track, const NonIsoFrames::TrackSetting &setting) {
    const QByteArray maxDigit = MaxHexDigit(bitsOf(setting.format));
    return trackData(track) + QStringLiteral(" ( ") + QString::fromLatin1(setting.format) +
           QStringLiteral(", Hex Value 01 ~ ") + QString::fromLatin1(maxDigit) +
           QStringLiteral("F ) Max %1 Characters.").arg(capacityOf(setting));
}

InformationMessage HexKeyMessage() {
    return CharacterListMessage(QStringLiteral(" Hex Format Error"),
                                QStringLiteral("0 1 2 3 4 5 6 7 8 9 A B C D E F "));
}

InformationMessage HexLengthMessage() {
    return {QStringLiteral("Non-ISO Hex Character Length Error"),
            QStringLiteral("A hex character consists of a pair of  \n"
                           "0123456789ABCDEF.\n"
                           "Append a leading zero as necessary,\n"
                           "such as 0B.")};
}

InformationMessage CustomDataMessage(int bits) {
    const QString maxDigit = QString::fromLatin1(MaxHexDigit(bits));
    return {QStringLiteral("Non-ISO %1-Bit Data Format Error").arg(bits),
            QStringLiteral("Use number 01~03 and 05~%1F only.      \n"
                           "04 is reserved for encoder use. \n"
                           "LSB of first character\n"
                           "must be a '1'.")
                .arg(maxDigit)};
}

InformationMessage MaxCharactersMessage(int capacity) {
    return {QStringLiteral("Non-ISO Write"),
            QStringLiteral("Max Characters are %1  ").arg(capacity)};
}

InformationMessage MarkerDataMessage(const QString &shown) {
    return {QStringLiteral("Non-ISO Write"),
            QStringLiteral("%1 alone marks a blank or unreadable track,\n"
                           "which is not written. Add data or clear the field.")
                .arg(shown)};
}
