#include "app/CharacterMessages.h"

InformationMessage CharacterListMessage(const QString &title, const QString &characters,
                                        Wording wording) {
    const QString lead = wording == Wording::Following
                             ? QStringLiteral("Use the following characters only:   \n")
                             : QStringLiteral("Use the fellowing characters only:   \n");
    return {title, lead + characters};
}

InformationMessage StandardFormatMessage(int bits, Wording wording) {
    if (bits == 7)
        return CharacterListMessage(
            QStringLiteral(" 7-Bit Character (Std T1) Format Error"),
            QStringLiteral("SP ! \" # $ % & ' ( ) * + , - . / 0 1 2 3 4 5 6 7 8 9 : ; = > @ A B "
                           "C   \n"
                           "D E F G H I J K L M N O P Q R S T U V W X Y Z [ \\ ] ^ _"),
            wording);
    return CharacterListMessage(QStringLiteral(" 5-Bit Character (Std T2/T3) Format Error"),
                                QStringLiteral("0 1 2 3 4 5 6 7 8 9 : ; = > "), wording);
}
