#include "iso/IncrementalBatch.h"

#include "app/MainModule.h"

#include <QRegularExpression>

namespace IncrementalBatch {

bool ReadsAsNumber(const QByteArray &text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^ *[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([EeDd][+-]?[0-9]+)? *$)"));
    return number.match(QString::fromLatin1(text)).hasMatch();
}

QByteArray NumberedText(const QByteArray &base, qint64 number, const QByteArray &suffix) {
    return base + QByteArray::number(number) + suffix;
}

IsoFrames::Tracks CurrentCard(const MainModule &state) {
    IsoFrames::Tracks card = {state.Track1Data, state.Track2Data, state.Track3Data};
    QByteArray &numbered = card.at(std::size_t(state.IncrTrack - 1));
    numbered = NumberedText(numbered, state.IncrNumber, state.IncrSuffix);
    return card;
}

std::optional<CardFault> FindCardFault(const IsoFrames::Tracks &card) {
    for (int track = 1; track <= 3; ++track) {
        if (const auto fault = FindTrackFault(track, card.at(std::size_t(track - 1))))
            return CardFault{track, *fault};
    }
    return std::nullopt;
}

bool CardWritten(MainModule &state) {
    state.IncrNumber += state.IncrStep;
    --state.IncrCount;
    return state.IncrCount == 0;
}

} // namespace IncrementalBatch
