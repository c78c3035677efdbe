#pragma once

#include <QByteArray>
#include <QPlainTextEdit>
#include <QString>

#include <array>

struct MainModule;

// The keyed-entry rules of the input record (track boxes 0, 1, 2).

inline constexpr std::array<int, 3> TrackMaxLength = {76, 37, 104};

struct KeyDecision {
    QString text; // what the box receives: track 1 upper-cased
    bool accepted = true;
};

// Control characters (codes up to 31, and 127) always pass.
[[nodiscard]] KeyDecision CheckTrackKey(int box, const QString &typed, const MainModule &state);
[[nodiscard]] bool IsTrackTextValid(int box, const QByteArray &text);
[[nodiscard]] QByteArray UpperCaseAscii(const QByteArray &text);

[[nodiscard]] QString TrackMessageTitle(int box);
[[nodiscard]] QString RefusedKeyText(int box);
[[nodiscard]] QString LeavingText(int box);

// A multi-line text box that, like the single-line one, refuses characters beyond its
// maximum length, whether typed, pasted, dropped or composed.
class LimitedPlainTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LimitedPlainTextEdit(QWidget *parent = nullptr);

    void setMaxLength(int length) { maxLength_ = length; }
    [[nodiscard]] int maxLength() const { return maxLength_; }
    // Sets the text, cut to the maximum length.
    void setLimitedText(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    [[nodiscard]] int room() const;

    int maxLength_ = 32767;
};
