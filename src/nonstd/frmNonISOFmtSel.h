#pragma once

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
struct MainModule;

// What the format selection opens; each opener shows its window modal and returns when it
// has closed. A button stays disabled while its opener is not set.
struct NonIsoWindows {
    std::function<void()> readCard{};  // nfrmReadCard
    std::function<void()> densities{}; // nfrmWDD
};

// "Non-ISO Read/Write": the operator picks standard formats on any track, or custom data
// of 5, 6 or 7 bits per character (KVT-380A only), then reads or writes. The window stays
// open under the read and write windows until Cancel, so one choice serves many runs.
class frmNonISOFmtSel : public QDialog {
    Q_OBJECT
public:
    explicit frmNonISOFmtSel(MainModule &state, QWidget *parent = nullptr);

    void setWindows(const NonIsoWindows &windows);
    // Loads the window (standard option, the ISO format of each track), shows it modal and
    // returns when it has closed.
    void run();

private:
    void load();
    // Keeps the custom option out of LRQ118 and enables the lists of the chosen option.
    void optionChosen();
    // Stores the choice in the shared state, then opens the window.
    void start(const std::function<void()> &opener);

    MainModule &state_;
    NonIsoWindows windows_;
    QRadioButton *standardOption_;
    QRadioButton *customOption_;
    QLabel *customNote_;
    std::array<QLabel *, 3> customTrackLabels_{};
    std::array<QComboBox *, 3> standardFormats_{};
    std::array<QComboBox *, 3> customFormats_{};
    QPushButton *readButton_;
    QPushButton *writeButton_;
};
