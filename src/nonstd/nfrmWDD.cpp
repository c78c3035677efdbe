#include "nonstd/nfrmWDD.h"

#include "app/MainModule.h"
#include "link/NonIsoFrames.h"
#include "nonstd/TrackPanel.h"
#include "ui/DialogFrame.h"
#include "ui/SelectionLayout.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace Density = NonIsoFrames::Density;

namespace {

// The ISO densities: 210 BPI on tracks 1 and 3, 75 on track 2.
const std::array<QByteArray, 3> IsoDensities = {Density::Bpi210, Density::Bpi75, Density::Bpi210};

} // namespace

nfrmWDD::nfrmWDD(MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state), okButton_(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("nfrmWDD"));
    setWindowTitle(QStringLiteral("Non-ISO Write - Data Density Selection"));
    setFixedDialogFrame(*this);

    auto *heading =
        new QLabel(QStringLiteral("Please select a write density for each track."), this);
    heading->setObjectName(QStringLiteral("Label1"));
    auto *rows = new QGridLayout;
    rows->setHorizontalSpacing(8);
    rows->setVerticalSpacing(6);
    for (std::size_t i = 0; i < densities_.size(); ++i) {
        auto *trackName = new QLabel(QStringLiteral("T%1:").arg(i + 1), this);
        trackName->setObjectName(indexedName("LIT1", i));
        densities_[i] = new QComboBox(this);
        densities_[i]->setObjectName(indexedName("Combo1", i));
        for (const QByteArray &density : NonIsoFrames::Densities)
            densities_[i]->addItem(QString::fromLatin1(density));
        densities_[i]->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        trackName->setBuddy(densities_[i]);
        const int row = static_cast<int>(i);
        rows->addWidget(trackName, row, 0);
        rows->addWidget(densities_[i], row, 1);
        connect(densities_[i], &QComboBox::currentIndexChanged, this, &nfrmWDD::storeDensities);
    }
    rows->setColumnStretch(1, 1);

    okButton_->setObjectName(QStringLiteral("Command2"));
    okButton_->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("Command3"));
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    layOutSelection(*this, QStyle::SP_DriveFDIcon, heading, rows, {okButton_, cancelButton});
}

bool nfrmWDD::run() {
    for (std::size_t i = 0; i < densities_.size(); ++i)
        densities_[i]->setCurrentText(QString::fromLatin1(IsoDensities[i]));
    storeDensities();
    okButton_->setFocus();
    return exec() == QDialog::Accepted;
}

void nfrmWDD::storeDensities() {
    state_.NonIsoT1Density = densities_[0]->currentText().toLatin1();
    state_.NonIsoT2Density = densities_[1]->currentText().toLatin1();
    state_.NonIsoT3Density = densities_[2]->currentText().toLatin1();
}
