#include "nonstd/NonIsoTexts.h"

#include "link/NonIsoFrames.h"
#include "nonstd/HexData.h"

namespace {

constexpr qsizetype StandardNameLength = 15;

const QString UseOnly = QStringLiteral("Use the following characters only:   ");

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

NonIsoMessage StandardFormatMessage(int bits) {
    if (bits == 7)
        return {QStringLiteral(" 7-Bit Character (Std T1) Format Error"),
                UseOnly + QStringLiteral("\nSP ! \" # $ % & ' ( ) * + , - . / 0 1 2 3 4 5 6 7 8 "
                                         "9 : ; = > @ A B C   \n"
                                         "D E F G H I J K L M N O P Q R S T U V W X Y Z [ \\ ] "
                                         "^ _")};
    return {QStringLiteral(" 5-Bit Character (Std T2/T3) Format Error"),
            UseOnly + QStringLiteral("\n0 1 2 3 4 5 6 7 8 9 : ; = > ")};
}

NonIsoMessage HexKeyMessage() {
    return {QStringLiteral(" Hex Format Error"),
            UseOnly + QStringLiteral("\n0 1 2 3 4 5 6 7 8 9 A B C D E F ")};
}

NonIsoMessage HexLengthMessage() {
    return {QStringLiteral("Non-ISO Hex Character Length Error"),
            QStringLiteral("A hex character consists of a pair of  \n"
                           "0123456789ABCDEF.\n"
                           "Append a leading zero as necessary,\n"
                           "such as 0B.")};
}

NonIsoMessage CustomDataMessage(int bits) {
    const QString maxDigit = QString::fromLatin1(MaxHexDigit(bits));
    return {QStringLiteral("Non-ISO %1-Bit Data Format Error").arg(bits),
            QStringLiteral("Use number 01~03 and 05~%1F only.      \n"
                           "04 is reserved for encoder use. \n"
                           "LSB of first character\n"
                           "must be a '1'.")
                .arg(maxDigit)};
}

NonIsoMessage MaxCharactersMessage(int capacity) {
    return {QStringLiteral("Non-ISO Write"),
            QStringLiteral("Max Characters are %1  ").arg(capacity)};
}
