#pragma once

#include <QDialog>

#include <array>

class QCheckBox;
struct MainModule;

// "Erase-Track Selection": which tracks the erase window erases. OK adds the ticked
// tracks to EraseTrackMask (1, 2, 4); Cancel and the title-bar button leave it alone.
class frmTrackSelect : public QDialog {
    Q_OBJECT
public:
    explicit frmTrackSelect(MainModule &state, QWidget *parent = nullptr);

    // Shows the window modal, nothing ticked, and returns when it has closed.
    void run();

private:
    void okPressed();

    MainModule &state_;
    std::array<QCheckBox *, 3> trackBoxes_{};
};
