#pragma once

class QApplication;

// What every window of the program has without asking for it: Enter on a focused button
// presses it, as Space does; and a drop-down list is named for screen readers by its
// accessible name or by the caption linked to it with setBuddy, rather than by the entry
// it shows. Installing twice does no harm.
void installWindowConventions(QApplication &app);
