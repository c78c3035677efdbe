#pragma once

#include "ui/CommandWindows.h"
#include "ui/MainLayout.h"
#include "ui/MainRecords.h"

#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class EntryFieldGuard;
class QLabel;
class QPushButton;
class sfrmIncEOK;
struct MainModule;

// The window the operator works in: device settings, the input and output records, the
// message area and the eight commands.
class frmMainMenu : public QWidget, public MainRecords {
    Q_OBJECT
public:
    explicit frmMainMenu(MainModule &state, QWidget *parent = nullptr);
    ~frmMainMenu() override;

    void setCommandWindows(CommandWindows windows);

    // Command1(index) pressed.
    void command(int index);

    [[nodiscard]] QByteArray track(int index) const override;
    void setTrack(int index, const QByteArray &text) override;
    void setLength(int index, const QByteArray &caption) override;
    [[nodiscard]] QByteArray length(int index) const override;
    [[nodiscard]] QByteArray message() const override;
    void setMessage(const QByteArray &text) override;
    void setMessageText(const QString &text) override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createControls();
    void load();
    void activate();
    void ClearInputRecord();
    void ClearOutputRecord();
    void reset();
    [[nodiscard]] bool inputEmpty() const;
    [[nodiscard]] bool available(int index) const;
    void refreshCommands();
    void trackChanged(int index);
    [[nodiscard]] QString boxText(int index) const;
    void incrementalEncode();
    void erase();

    [[nodiscard]] int toPixelsX(double twips) const;
    [[nodiscard]] int toPixelsY(double twips) const;
    [[nodiscard]] double toTwipsX(int pixels) const;
    [[nodiscard]] double toTwipsY(int pixels) const;
    void placeControls();

    MainModule &state_;
    CommandWindows windows_;

    std::array<QWidget *, 6> TIT{};
    std::array<QLabel *, 6> LT{};
    std::array<QPushButton *, 8> Command1{};
    std::array<QLabel *, 5> Label2{};
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QString message_;

    std::vector<QWidget *> laidOut_;
    std::vector<TwipRect> geometry_;
    LayoutReference reference_;
    bool loaded_ = false;
    bool laying_ = false;

    EntryFieldGuard *guard_ = nullptr;

    std::unique_ptr<sfrmIncEOK> incEOk_;
};
