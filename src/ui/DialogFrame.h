#pragma once

#include <QPixmap>
#include <QStyle>

class QDialog;
class QWidget;

// The frame of the program's small modal windows: a title bar with only a close box, a size
// the window keeps.
void setFixedDialogFrame(QDialog &dialog);

// A standard icon at the size message boxes show it, for a window's Picture1.
[[nodiscard]] QPixmap dialogPicture(const QWidget &window, QStyle::StandardPixmap icon);
