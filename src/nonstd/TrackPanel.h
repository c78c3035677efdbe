#pragma once

#include <QString>

#include <cstddef>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QWidget;

// One track in the Non-ISO data windows: the caption Label1(i) above the box TIT(i) and its
// count LT(i), in the frame Shape1(i).
struct TrackPanel {
    QFrame *frame = nullptr;
    QLabel *caption = nullptr;
    QLabel *count = nullptr;
};

// Puts box into a new panel for track (0, 1, 2) in window. The box gets its name, a
// fixed-pitch face in which hex pairs line up, and room for the longest track in pairs.
[[nodiscard]] TrackPanel makeTrackPanel(std::size_t track, QPlainTextEdit *box, QWidget *window);

// "Name_index", the name of an element of a control array.
[[nodiscard]] QString indexedName(const char *name, std::size_t index);
