#include "nonstd/nfrmReadStdFmt.h"

#include "app/MainModule.h"
#include "nonstd/HexData.h"
#include "nonstd/NonIsoTexts.h"
#include "nonstd/TrackPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

nfrmReadStdFmt::nfrmReadStdFmt(const MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state), okButton_(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("nfrmReadStdFmt"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);
    setWindowTitle(StandardCaption);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(10);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i] = new QPlainTextEdit(this);
        boxes_[i]->setReadOnly(true);
        const TrackPanel panel = makeTrackPanel(i, boxes_[i], this);
        captions_[i] = panel.caption;
        counts_[i] = panel.count;
        layout->addWidget(panel.frame);
    }

    okButton_->setObjectName(QStringLiteral("Command1_0"));
    okButton_->setDefault(true);
    okButton_->setMinimumWidth(okButton_->fontMetrics().horizontalAdvance(QStringLiteral("OK")) *
                               5);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void nfrmReadStdFmt::showModal() {
    activate();
    exec();
}

void nfrmReadStdFmt::activate() {
    okButton_->setFocus(Qt::ActiveWindowFocusReason);
    SetTrackLabels();
    const std::array<QByteArray, 3> tracks = {state_.Track1Data, state_.Track2Data,
                                              state_.Track3Data};
    const bool standard = state_.NonIsoStdFormat;
    setWindowTitle(standard ? StandardCaption : CustomCaption);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        qsizetype count = 0;
        if (standard) {
            boxes_[i]->setPlainText(QString::fromLatin1(tracks[i]));
            count = tracks[i] == "+" || tracks[i] == "*" ? 0 : tracks[i].size();
        } else {
            QByteArray pairs = ToHexPairs(tracks[i]);
            // A blank track shows as an empty box, not as the code of its marker.
            if (pairs == "2B ")
                pairs.clear();
            boxes_[i]->setPlainText(QString::fromLatin1(pairs));
            count = CountHexPairs(pairs);
        }
        counts_[i]->setText(QString::number(count));
    }
}

void nfrmReadStdFmt::SetTrackLabels() {
    const std::array<QByteArray, 3> formats = {state_.NonIsoT1Format, state_.NonIsoT2Format,
                                               state_.NonIsoT3Format};
    for (std::size_t i = 0; i < formats.size(); ++i)
        if (const std::optional<QString> caption = ReadTrackCaption(i, formats[i]))
            captions_[i]->setText(*caption);
}
