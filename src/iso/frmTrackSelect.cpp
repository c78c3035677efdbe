#include "iso/frmTrackSelect.h"

#include "app/MainModule.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmTrackSelect::frmTrackSelect(MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmTrackSelect"));
    setWindowTitle(QStringLiteral("Erase-Track Selection"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    picture->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(size, size));
    auto *question = new QLabel(QStringLiteral("Please select the track(s) to erase."), this);
    question->setObjectName(QStringLiteral("Label1"));

    auto *choice = new QVBoxLayout;
    choice->setSpacing(8);
    choice->addWidget(question);
    for (int i = 0; i < 3; ++i) {
        auto *box = new QCheckBox(QStringLiteral("Track %1").arg(i + 1), this);
        box->setObjectName(QStringLiteral("Check1_%1").arg(i));
        choice->addWidget(box);
        trackBoxes_[static_cast<std::size_t>(i)] = box;
    }
    auto *content = new QHBoxLayout;
    content->setSpacing(16);
    content->addWidget(picture, 0, Qt::AlignTop);
    content->addLayout(choice, 1);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(16);
    layout->addLayout(content);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &frmTrackSelect::okPressed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmTrackSelect::run() {
    for (QCheckBox *box : trackBoxes_)
        box->setChecked(false);
    trackBoxes_[0]->setFocus();
    exec();
}

void frmTrackSelect::okPressed() {
    for (std::size_t i = 0; i < trackBoxes_.size(); ++i) {
        if (trackBoxes_[i]->isChecked())
            state_.EraseTrackMask = static_cast<qint16>(state_.EraseTrackMask | (1 << i));
    }
    accept();
}
