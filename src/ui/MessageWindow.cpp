#include "ui/MessageWindow.h"

#include "ui/DialogFrame.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// A picture has no text of its own for a screen reader to say.
QString iconName(QStyle::StandardPixmap icon) {
    switch (icon) {
    case QStyle::SP_MessageBoxInformation:
        return QStringLiteral("Information");
    case QStyle::SP_MessageBoxCritical:
        return QStringLiteral("Error");
    case QStyle::SP_MessageBoxQuestion:
        return QStringLiteral("Question");
    default:
        return QStringLiteral("Warning");
    }
}

} // namespace

MessageWindow::MessageWindow(QWidget *parent)
    : QDialog(parent), icon_(new QLabel(this)), text_(new QLabel(this)), body_(new QVBoxLayout),
      ok_(new QPushButton(QStringLiteral("OK"), this)) {
    setFixedDialogFrame(*this);

    icon_->setObjectName(QStringLiteral("Picture1"));
    setIcon(QStyle::SP_MessageBoxWarning);
    icon_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    text_->setObjectName(QStringLiteral("Label1"));
    text_->setTextFormat(Qt::PlainText);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    ok_->setObjectName(QStringLiteral("Command1_0"));
    ok_->setDefault(true);
    ok_->setMinimumWidth(ok_->fontMetrics().horizontalAdvance(QStringLiteral("OK")) * 5);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    body_->addWidget(text_);
    auto *content = new QHBoxLayout;
    content->setSpacing(16);
    content->addWidget(icon_, 0, Qt::AlignTop);
    content->addLayout(body_, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(16);
    layout->addLayout(content);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MessageWindow::showModal() {
    load();
    exec();
}

void MessageWindow::setIcon(QStyle::StandardPixmap icon) {
    icon_->setPixmap(dialogPicture(*this, icon));
    icon_->setAccessibleName(iconName(icon));
}

void MessageWindow::setText(const QString &text) {
    text_->setText(text);
    text_->setVisible(!text.isEmpty());
}

void MessageWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    ok_->setFocus(Qt::ActiveWindowFocusReason);
}
