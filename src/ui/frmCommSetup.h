#pragma once

#include "link/PortList.h"

#include <QDialog>

#include <functional>
#include <optional>

class CommControl;
class PortComboBox;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class SerialPortSource;
class SettingsStore;
class Waiter;
struct MainModule;
struct PortConfig;

// The first window of every run: port, line settings, coercivity and command set; OK
// checks that the encoder answers and saves the settings.
class frmCommSetup : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> openMainWindow;
        std::function<void()> endProgram;
        // Shows the "Communications Error" checklist, modal, with a line saying why.
        std::function<void(const QString &reason)> showCommError;
        // Tells the operator, modal, that the settings could not be kept.
        std::function<void(const QString &sentence)> showSaveError;
    };

    // chosen receives the port the check passed with, for every window that opens it later;
    // serialPorts says which devices the port list offers.
    frmCommSetup(MainModule &state, PortConfig &chosen, CommControl &port, Waiter &waiter,
                 SettingsStore &store, const SerialPortSource &serialPorts, Actions actions,
                 QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void load();
    void okPressed();
    void cancelPressed();
    void failure(bool beep, const QString &reason);
    void succeed();
    [[nodiscard]] std::optional<QString> SaveCommSettings();
    void showDevice();
    void readPorts();
    bool openPort(QString &why);

    MainModule &state_;
    PortConfig &chosen_;
    CommControl &port_;
    Waiter &waiter_;
    SettingsStore &store_;
    const SerialPortSource &serialPorts_;
    Actions actions_;
    PortList ports_;
    bool quitting_ = false;
    bool checking_ = false;

    PortComboBox *Combo1;
    QComboBox *Combo2;
    QComboBox *Combo3;
    QComboBox *Combo4;
    QLabel *device_;
    QRadioButton *Option1_0;
    QRadioButton *Option1_1;
    QRadioButton *Option2_0;
    QRadioButton *Option2_1;
    QPushButton *Command1;
    QPushButton *Command2;
};
