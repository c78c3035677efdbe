#include "ui/MainRecords.h"

MainRecords::Tracks MainRecords::input() const {
    return {track(InputTrack1), track(InputTrack1 + 1), track(InputTrack1 + 2)};
}

void MainRecords::fill(int first, const Tracks &tracks, BlankLength blank) {
    for (int i = 0; i < 3; ++i) {
        const QByteArray &text = tracks[static_cast<std::size_t>(i)];
        setTrack(first + i, text);
        const bool zero = blank == BlankLength::Zero && text == "+";
        setLength(first + i, QByteArray::number(zero ? 0 : text.size()));
    }
}

void MainRecords::showInput(const Tracks &tracks, BlankLength blank) {
    fill(InputTrack1, tracks, blank);
}

void MainRecords::clearInput() {
    fill(InputTrack1, {}, BlankLength::AsText);
}

void MainRecords::showOutput(const Tracks &tracks, BlankLength blank) {
    fill(OutputTrack1, tracks, blank);
}

void MainRecords::markOutputFailed() {
    fill(OutputTrack1, {"*", "*", "*"}, BlankLength::AsText);
    for (int i = OutputTrack1; i < OutputTrack1 + 3; ++i)
        setLength(i, "0");
}

void MainRecords::clearOutput() {
    fill(OutputTrack1, {}, BlankLength::AsText);
}

void MainRecords::setMessageText(const QString &text) {
    setMessage(text.toLatin1());
}
