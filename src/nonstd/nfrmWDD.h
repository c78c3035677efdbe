#pragma once

#include <QDialog>

#include <array>

class QComboBox;
class QPushButton;
struct MainModule;

// "Non-ISO Write - Data Density Selection": 210 or 75 BPI for each track. The choice is in
// the shared state from the moment the window opens and after every pick.
class nfrmWDD : public QDialog {
    Q_OBJECT
public:
    explicit nfrmWDD(MainModule &state, QWidget *parent = nullptr);

    // Opens the window with each track's ISO density, and returns when it has closed: true
    // when the operator pressed OK.
    [[nodiscard]] bool run();

private:
    void storeDensities();

    MainModule &state_;
    std::array<QComboBox *, 3> densities_{};
    QPushButton *okButton_;
};
