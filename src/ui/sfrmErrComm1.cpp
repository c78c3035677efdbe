#include "ui/sfrmErrComm1.h"

#include <QGridLayout>
#include <QLabel>

sfrmErrComm1::sfrmErrComm1(QWidget *parent) : MessageWindow(parent), reason_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Communications Error"));
    setText(QString());

    const QString lines[] = {
        QStringLiteral("     Is encoder connected to PC?"),
        QStringLiteral("     Is COM port selection correct?"),
        QStringLiteral("     Is encoder powered up?"),
        QStringLiteral("     Is emulation mode selection        correct?"),
    };
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(6);
    const QString bullet = QString(QChar(0x2022));
    int row = 0;
    for (const QString &line : lines) {
        auto *mark = new QLabel(bullet, this);
        mark->setObjectName(QStringLiteral("Image%1").arg(row + 1));
        mark->setAlignment(Qt::AlignTop);
        auto *label = new QLabel(line, this);
        label->setObjectName(QStringLiteral("Line%1").arg(row + 1));
        label->setTextFormat(Qt::PlainText);
        grid->addWidget(mark, row, 0);
        grid->addWidget(label, row, 1);
        ++row;
    }
    // The last question wraps after its run of spaces, as the checklist was laid out.
    auto *last = findChild<QLabel *>(QStringLiteral("Line4"));
    last->setWordWrap(true);
    last->setFixedWidth(last->fontMetrics().horizontalAdvance(lines[1]));
    body()->addLayout(grid);

    reason_->setObjectName(QStringLiteral("Reason"));
    reason_->setTextFormat(Qt::PlainText);
    reason_->setWordWrap(true);
    reason_->setMaximumWidth(fontMetrics().averageCharWidth() * 48);
    reason_->setVisible(false);
    body()->addSpacing(4);
    body()->addWidget(reason_);
}

void sfrmErrComm1::setReason(const QString &reason) {
    reason_->setText(reason);
    reason_->setVisible(!reason.isEmpty());
}
