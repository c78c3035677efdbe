#pragma once

#include "nonstd/NonIsoEntry.h"

#include <QDialog>

#include <array>
#include <functional>

class EntryFieldGuard;
class LimitedPlainTextEdit;
class QFrame;
class QLabel;
class QPushButton;
struct MainModule;

// "Non-ISO Write": the operator keys the three tracks, as text in the chosen standard
// formats or as the hex values of custom data. Every key and every field left is checked,
// and each track shows its count against its capacity. OK opens the swipe write over this
// window, but only with data that passes every check: a field that fails, or custom data
// beyond its track's capacity, gets its message and the focus instead.
class nfrmWrite : public QDialog {
    Q_OBJECT
public:
    static inline const QString StandardCaption =
        QStringLiteral("Non-ISO Write: Standard Format on Non-Standard Track (ASCII)");
    static inline const QString CustomCaption =
        QStringLiteral("Non-ISO Write: Custom Data Format (Hex)");
    static inline const QString LsbNote =
        QStringLiteral("Please note LSB of first character must be a '1'.");

    explicit nfrmWrite(MainModule &state, QWidget *parent = nullptr);

    // What OK opens: the swipe write, shown modal; it returns when that has closed.
    void setSwipeWrite(std::function<void()> opener);
    // Opens the window with empty fields for the formats and densities in the shared state,
    // and returns when it has closed.
    void run();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    void activated();
    void boxChanged(std::size_t track);
    [[nodiscard]] QByteArray boxText(std::size_t track) const;
    void refuse(std::size_t track, const InformationMessage &message);
    void okPressed();

    MainModule &state_;
    EntryFieldGuard *guard_;
    std::function<void()> swipeWrite_;
    std::array<NonIsoTrackEntry, 3> entries_{};
    std::array<LimitedPlainTextEdit *, 3> boxes_{};
    std::array<QLabel *, 3> captions_{};
    std::array<QLabel *, 3> counts_{};
    QFrame *noteFrame_;
    QPushButton *okButton_;
};
