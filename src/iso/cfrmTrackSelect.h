#pragma once

#include <QDialog>

#include <array>

class QRadioButton;
struct MainModule;

// "Incremental Encode", first step: which track carries the number. OK sets IncrTrack and
// IncrCancelled = False; Cancel and the close box leave IncrCancelled as the opener set it.
class cfrmTrackSelect : public QDialog {
    Q_OBJECT
public:
    explicit cfrmTrackSelect(MainModule &state, QWidget *parent = nullptr);

    // Opens the window modal, track 1 chosen, and returns when it has closed.
    void run();

private:
    void okPressed();

    MainModule &state_;
    std::array<QRadioButton *, 3> trackOptions_{};
};
