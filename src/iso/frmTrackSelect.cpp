#include "iso/frmTrackSelect.h"

#include "app/MainModule.h"
#include "ui/DialogFrame.h"
#include "ui/SelectionLayout.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmTrackSelect::frmTrackSelect(MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmTrackSelect"));
    setWindowTitle(QStringLiteral("Erase-Track Selection"));
    setFixedDialogFrame(*this);

    auto *question = new QLabel(QStringLiteral("Please select the track(s) to erase."), this);
    question->setObjectName(QStringLiteral("Label1"));
    auto *choices = new QVBoxLayout;
    choices->setSpacing(8);
    for (std::size_t i = 0; i < trackBoxes_.size(); ++i) {
        trackBoxes_[i] = new QCheckBox(QStringLiteral("Track %1").arg(i + 1), this);
        trackBoxes_[i]->setObjectName(QStringLiteral("Check1_%1").arg(i));
        choices->addWidget(trackBoxes_[i]);
    }

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    connect(ok, &QPushButton::clicked, this, &frmTrackSelect::okPressed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layOutSelection(*this, QStyle::SP_MessageBoxQuestion, question, choices, {ok, cancel});
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
