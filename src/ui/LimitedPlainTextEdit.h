#pragma once

#include <QPlainTextEdit>

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
