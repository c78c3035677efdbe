#pragma once

#include <initializer_list>

class QDialog;
class QHBoxLayout;
class QLayout;
class QPushButton;
class QWidget;

// The buttons of a Non-ISO window at the right of a row, all as wide as a generous
// "Cancel".
[[nodiscard]] QHBoxLayout *buttonRow(std::initializer_list<QPushButton *> buttons);

// The Non-ISO selection windows: the picture (Picture1) left of the heading with the
// choices under it, the buttons below; the window keeps the size that fits them.
void layOutSelection(QDialog &window, QWidget *heading, QLayout *choices,
                     std::initializer_list<QPushButton *> buttons);
