#include "iso/cfrmTrackSelect.h"

#include "app/MainModule.h"
#include "ui/DialogFrame.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

cfrmTrackSelect::cfrmTrackSelect(MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("cfrmTrackSelect"));
    setWindowTitle(QStringLiteral("Incremental Encode - Track Selection"));
    setFixedDialogFrame(*this);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(dialogPicture(*this, QStyle::SP_MessageBoxQuestion));
    auto *prompt = new QLabel(QStringLiteral("Please select a track to increment."), this);
    prompt->setObjectName(QStringLiteral("Label1"));

    auto *frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *options = new QVBoxLayout(frame);
    for (std::size_t i = 0; i < trackOptions_.size(); ++i) {
        trackOptions_[i] = new QRadioButton(QStringLiteral("Track %1").arg(i + 1), frame);
        trackOptions_[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        options->addWidget(trackOptions_[i]);
    }

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1_1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command1_0"));
    connect(ok, &QPushButton::clicked, this, &cfrmTrackSelect::okPressed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *text = new QVBoxLayout;
    text->setSpacing(10);
    text->addWidget(prompt);
    text->addWidget(frame);
    auto *content = new QHBoxLayout;
    content->setSpacing(16);
    content->addWidget(picture, 0, Qt::AlignTop);
    content->addLayout(text, 1);
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
}

void cfrmTrackSelect::run() {
    trackOptions_[0]->setChecked(true);
    exec();
}

void cfrmTrackSelect::okPressed() {
    for (std::size_t i = 0; i < trackOptions_.size(); ++i) {
        if (trackOptions_[i]->isChecked())
            state_.IncrTrack = static_cast<qint16>(i + 1);
    }
    state_.IncrCancelled = false;
    accept();
}
