#include "iso/cfrmTrackSelect.h"

#include "app/MainModule.h"
#include "ui/DialogFrame.h"
#include "ui/SelectionLayout.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

cfrmTrackSelect::cfrmTrackSelect(MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("cfrmTrackSelect"));
    setWindowTitle(QStringLiteral("Incremental Encode - Track Selection"));
    setFixedDialogFrame(*this);

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
    auto *choices = new QVBoxLayout;
    choices->addWidget(frame);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1_1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command1_0"));
    connect(ok, &QPushButton::clicked, this, &cfrmTrackSelect::okPressed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layOutSelection(*this, QStyle::SP_MessageBoxQuestion, prompt, choices, {ok, cancel});
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
