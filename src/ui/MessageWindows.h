#pragma once

#include "ui/MessageWindow.h"

class QLabel;
class QPlainTextEdit;
struct MainModule;

// A message window whose caption and text never change.
class FixedMessageWindow : public MessageWindow {
    Q_OBJECT
public:
    FixedMessageWindow(const QString &caption, const QString &text, QWidget *parent);
};

class sfrmEraseErr : public FixedMessageWindow {
    Q_OBJECT
public:
    explicit sfrmEraseErr(QWidget *parent = nullptr);
};

// End of an "Encode from File" run that was not ended early.
class sfrmRFOK : public FixedMessageWindow {
    Q_OBJECT
public:
    explicit sfrmRFOK(QWidget *parent = nullptr);
};

// End of an incremental-encode batch.
class sfrmIncEOK : public FixedMessageWindow {
    Q_OBJECT
public:
    explicit sfrmIncEOK(QWidget *parent = nullptr);
};

// The chosen card data file failed the format check; a line below the text says where and
// what is wrong.
class sfrmFormatError : public FixedMessageWindow {
    Q_OBJECT
public:
    explicit sfrmFormatError(QWidget *parent = nullptr);

    void setProblem(const QString &problem);

private:
    QLabel *problem_;
};

// Caption chosen each time the window opens: the Non-ISO caption while that command runs.
class sfrmReadErr : public MessageWindow {
    Q_OBJECT
public:
    explicit sfrmReadErr(const MainModule &state, QWidget *parent = nullptr);

protected:
    void load() override;

private:
    const MainModule &state_;
};

// Caption chosen each time the window opens: Non-ISO first, then the caption a batch window
// put into WriteErrCaption, then the default.
class sfrmWriteErr : public MessageWindow {
    Q_OBJECT
public:
    explicit sfrmWriteErr(const MainModule &state, QWidget *parent = nullptr);

protected:
    void load() override;

private:
    const MainModule &state_;
};

// Writing the card data file failed or was declined; names the file and, when there is
// one, the reason.
class sfrmSaveError : public MessageWindow {
    Q_OBJECT
public:
    explicit sfrmSaveError(QWidget *parent = nullptr);

    void setFileName(const QString &path, const QString &reason = {});

private:
    QLabel *LB;
    QPlainTextEdit *LC;
    QLabel *reason_ = nullptr;
};
