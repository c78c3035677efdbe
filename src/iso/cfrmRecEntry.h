#pragma once

#include <QDialog>

#include <array>

class EntryFieldGuard;
class QLabel;
class QLineEdit;
class QPushButton;
struct MainModule;

// "Incremental Encode", second step: the base record. Five boxes per track (Prefix,
// Starting #, Increment, Count, Suffix), of which the numbered track's five and the other
// tracks' Prefix take input. OK fills the batch's shared values and sets IncrCancelled =
// False; Cancel and the close box leave IncrCancelled as the opener set it.
class cfrmRecEntry : public QDialog {
    Q_OBJECT
public:
    static constexpr int BoxesPerTrack = 5;
    static constexpr int BoxCount = 3 * BoxesPerTrack;
    // A box's place within its track's five.
    enum Field { Prefix, StartingNumber, Increment, Count, Suffix };

    explicit cfrmRecEntry(MainModule &state, QWidget *parent = nullptr);

    // Opens the window modal with every box empty and returns when it has closed.
    void run();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *createTrackGroup(int track);
    void attachRules();
    void showAvailableBoxes();
    void setBoxAvailable(int index, bool available);
    void boxChanged(int index);
    [[nodiscard]] QByteArray boxText(int index) const;
    [[nodiscard]] int trackLength(int track) const;
    // The numbered track's number boxes, read as ValOrZero reads them; false, with a message
    // and the box to correct focused, when one cannot be taken.
    [[nodiscard]] bool numbersAccepted(int firstBox);
    void refuse(int index, const QString &text);
    void okPressed();

    MainModule &state_;
    EntryFieldGuard *guard_;
    std::array<QLineEdit *, BoxCount> boxes_{};
    std::array<QLabel *, BoxCount> captions_{};
    std::array<QLabel *, BoxCount> lengths_{};
    std::array<QLabel *, 3> trackLengths_{};
    QPushButton *okButton_ = nullptr;
};
