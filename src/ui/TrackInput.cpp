#include "ui/TrackInput.h"

#include "app/MainModule.h"

namespace {

const QString Track1Title = QStringLiteral(" 7-Bit Character (Std T1) Format Error");
const QString Track23Title = QStringLiteral(" 5-Bit Character (Std T2/T3) Format Error");
const QString Track1List =
    QStringLiteral("SP ! \" # $ % & ' ( ) * + , - . / 0 1 2 3 4 5 6 7 8 9 : ; = > @ A B C   \n"
                   "D E F G H I J K L M N O P Q R S T U V W X Y Z [ \\ ] ^ _");
const QString Track23List = QStringLiteral("0 1 2 3 4 5 6 7 8 9 : ; = > ");

GuardMessage message(int track, const QString &lead) {
    return {track == 0 ? Track1Title : Track23Title,
            lead + (track == 0 ? Track1List : Track23List)};
}

} // namespace

GuardMessage RefusedKeyMessage(int track) {
    return message(track, QStringLiteral("Use the following characters only:   \n"));
}

// The leaving message has always read "fellowing"; operators' notes quote it that way.
GuardMessage LeavingMessage(int track) {
    return message(track, QStringLiteral("Use the fellowing characters only:   \n"));
}

EntryRule TrackEntryRule(int track, const MainModule &state) {
    EntryRule rule;
    rule.keySet = track == 0 ? state.Track1Chars : state.Track23Chars;
    rule.upperCaseKeys = track == 0;
    rule.upperCaseOnLeave = track == 0;
    rule.keyMessage = RefusedKeyMessage(track);
    rule.leaveCheck = [track](const QByteArray &text) -> std::optional<GuardMessage> {
        const bool valid = track == 0 ? IsTrack1Text(text) : IsTrack23Text(text);
        if (valid)
            return std::nullopt;
        return LeavingMessage(track);
    };
    return rule;
}
