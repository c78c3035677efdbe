#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPlainTextEdit;
class QPushButton;
struct MainModule;

// The tracks of the card just read, as text in the standard formats or as hex pairs in the
// custom format, each with its character count. The format choice is the one the shared
// state holds.
class nfrmReadStdFmt : public QDialog {
    Q_OBJECT
public:
    static inline const QString StandardCaption =
        QStringLiteral("Non-ISO Read: Standard Format on Non-Standard Track (ASCII)");
    static inline const QString CustomCaption =
        QStringLiteral("Non-ISO Read: Custom Data Format (Hex)");

    explicit nfrmReadStdFmt(const MainModule &state, QWidget *parent = nullptr);

    // Fills the window from Track1Data to Track3Data, shows it modal and returns when the
    // operator has pressed OK.
    void showModal();

private:
    void activate();
    // The captions follow each track's character size; an unlisted format leaves its
    // caption as it was.
    void SetTrackLabels();

    const MainModule &state_;
    std::array<QLabel *, 3> captions_{};
    std::array<QPlainTextEdit *, 3> boxes_{};
    std::array<QLabel *, 3> counts_{};
    QPushButton *okButton_;
};
