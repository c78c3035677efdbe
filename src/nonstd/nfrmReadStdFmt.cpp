#include "nonstd/nfrmReadStdFmt.h"

#include "app/MainModule.h"
#include "nonstd/HexData.h"
#include "nonstd/NonIsoTexts.h"

#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// Room for the longest track, 106 characters, as hex pairs: 27 pairs a line (and some slack
// for the wrapping), 4 lines.
constexpr int BoxColumns = 3 * 27 + 3;
constexpr int BoxLines = 4;

QString indexed(const char *name, std::size_t index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

} // namespace

nfrmReadStdFmt::nfrmReadStdFmt(const MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state), okButton_(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("nfrmReadStdFmt"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);
    setWindowTitle(StandardCaption);

    // Hex pairs line up in a fixed-pitch face.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics fixedMetrics(fixed);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(10);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        auto *frame = new QFrame(this);
        frame->setObjectName(indexed("Shape1", i));
        frame->setFrameShape(QFrame::StyledPanel);
        captions_[i] = new QLabel(QStringLiteral("Track %1 Data").arg(i + 1), frame);
        captions_[i]->setObjectName(indexed("Label1", i));
        counts_[i] = new QLabel(QStringLiteral("0"), frame);
        counts_[i]->setObjectName(indexed("LT", i));
        counts_[i]->setAlignment(Qt::AlignRight | Qt::AlignTop);
        counts_[i]->setMinimumWidth(
            counts_[i]->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
        boxes_[i] = new QPlainTextEdit(frame);
        boxes_[i]->setObjectName(indexed("TIT", i));
        boxes_[i]->setReadOnly(true);
        boxes_[i]->setTabChangesFocus(true);
        boxes_[i]->setFont(fixed);
        boxes_[i]->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        boxes_[i]->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        const int frame2 = 2 * boxes_[i]->frameWidth();
        const auto margin2 = static_cast<int>(2 * boxes_[i]->document()->documentMargin());
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        boxes_[i]->setFixedSize(fixedMetrics.horizontalAdvance(QLatin1Char('0')) * BoxColumns +
                                    frame2 + margin2 + scrollBar,
                                fixedMetrics.lineSpacing() * BoxLines +
                                    fixedMetrics.lineSpacing() / 2 + frame2 + margin2);

        auto *data = new QHBoxLayout;
        data->setSpacing(10);
        data->addWidget(boxes_[i]);
        data->addWidget(counts_[i], 0, Qt::AlignTop);
        auto *track = new QVBoxLayout(frame);
        track->setContentsMargins(10, 8, 10, 10);
        track->setSpacing(6);
        track->addWidget(captions_[i]);
        track->addLayout(data);
        layout->addWidget(frame);
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
