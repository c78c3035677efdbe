#include "ui/TrackInput.h"

#include "app/MainModule.h"

namespace {

int bitsOf(int track) {
    return track == 0 ? 7 : 5;
}

} // namespace

GuardMessage RefusedKeyMessage(int track) {
    return StandardFormatMessage(bitsOf(track));
}

GuardMessage LeavingMessage(int track) {
    return StandardFormatMessage(bitsOf(track), Wording::Fellowing);
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
