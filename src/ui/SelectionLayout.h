#pragma once

#include <QStyle>

#include <initializer_list>

class QDialog;
class QHBoxLayout;
class QLayout;
class QPushButton;
class QWidget;

// A window's buttons at the right of a row, all as wide as a generous "Cancel".
[[nodiscard]] QHBoxLayout *buttonRow(std::initializer_list<QPushButton *> buttons);

// The windows where the operator chooses tracks, formats or densities: the picture
// (Picture1) left of the heading with the choices under it, the buttons below; the window
// keeps the size that fits them.
void layOutSelection(QDialog &window, QStyle::StandardPixmap icon, QWidget *heading,
                     QLayout *choices, std::initializer_list<QPushButton *> buttons);
