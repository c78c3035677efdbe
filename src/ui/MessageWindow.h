#pragma once

#include <QDialog>
#include <QStyle>

class QLabel;
class QPushButton;
class QVBoxLayout;

// The common form of the small modal message windows: an icon, a text and one OK button
// that has the focus, so Enter closes the window.
class MessageWindow : public QDialog {
    Q_OBJECT
public:
    explicit MessageWindow(QWidget *parent = nullptr);

    // Opens the window modal and returns when the operator has pressed OK.
    void showModal();

protected:
    // Runs each time the window is opened, before it shows: where captions that depend on
    // the shared state are chosen.
    virtual void load() {}
    void setText(const QString &text);
    void setIcon(QStyle::StandardPixmap icon);
    // Where a window puts content of its own, right of the icon.
    [[nodiscard]] QVBoxLayout *body() const { return body_; }
    [[nodiscard]] QLabel *textLabel() const { return text_; }
    void showEvent(QShowEvent *event) override;

private:
    QLabel *icon_;
    QLabel *text_;
    QVBoxLayout *body_;
    QPushButton *ok_;
};
