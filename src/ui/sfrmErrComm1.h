#pragma once

#include "ui/MessageWindow.h"

// The "Communications Error" checklist, with an optional line saying what the port
// itself reported.
class sfrmErrComm1 : public MessageWindow {
    Q_OBJECT
public:
    explicit sfrmErrComm1(QWidget *parent = nullptr);

    void setReason(const QString &reason);

private:
    QLabel *reason_;
};
