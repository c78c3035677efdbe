#include "nonstd/frmNonISOFmtSel.h"

#include "app/MainModule.h"
#include "link/NonIsoFrames.h"
#include "ui/SelectionLayout.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const std::array<QString, 3> TrackNames = {QStringLiteral("T1:"), QStringLiteral("T2:"),
                                           QStringLiteral("T3:")};

QString indexed(const char *name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QComboBox *formatList(const std::array<QByteArray, 3> &formats, QWidget *parent) {
    auto *list = new QComboBox(parent);
    for (const QByteArray &format : formats)
        list->addItem(QString::fromLatin1(format));
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return list;
}

} // namespace

frmNonISOFmtSel::frmNonISOFmtSel(MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state),
      standardOption_(new QRadioButton(QStringLiteral("Standard Format on "), this)),
      customOption_(new QRadioButton(QStringLiteral("Custom Data Format"), this)),
      customNote_(new QLabel(QStringLiteral("(5, 6, or 7 Bits per Character)"), this)),
      readButton_(new QPushButton(QStringLiteral("Read"), this)),
      writeButton_(new QPushButton(QStringLiteral("Write"), this)) {
    setObjectName(QStringLiteral("frmNonISOFmtSel"));
    setWindowTitle(QStringLiteral("Non-ISO Read/Write - Data Format Selection"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);

    auto *heading = new QLabel(QStringLiteral("Please select a data format for each track."), this);
    heading->setObjectName(indexed("Label1", 0));
    auto *standardNote = new QLabel(QStringLiteral("Non-Standard Track"), this);
    standardNote->setObjectName(indexed("Label1", 1));
    customNote_->setObjectName(indexed("Label1", 2));
    standardOption_->setObjectName(indexed("Option1", 0));
    customOption_->setObjectName(indexed("Option1", 1));
    auto *options = new QButtonGroup(this);
    options->addButton(standardOption_, 0);
    options->addButton(customOption_, 1);

    // The notes and lists sit under their option's text, not under its indicator.
    const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, this) +
                       style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, this);
    const auto column = [this, indent](QRadioButton *option, QLabel *note,
                                       std::array<QComboBox *, 3> &lists,
                                       std::array<QLabel *, 3> &rowLabels, int firstLabel,
                                       int labelStep, const std::array<QByteArray, 3> &formats) {
        auto *rows = new QGridLayout;
        rows->setContentsMargins(indent, 4, 0, 0);
        rows->setHorizontalSpacing(8);
        rows->setVerticalSpacing(6);
        for (int i = 0; i < 3; ++i) {
            rowLabels[i] = new QLabel(TrackNames[i], this);
            rowLabels[i]->setObjectName(indexed("LIT1", firstLabel + labelStep * i));
            lists[i] = formatList(formats, this);
            rowLabels[i]->setBuddy(lists[i]);
            rows->addWidget(rowLabels[i], i, 0);
            rows->addWidget(lists[i], i, 1);
        }
        rows->setColumnStretch(1, 1);
        note->setContentsMargins(indent, 0, 0, 0);
        auto *layout = new QVBoxLayout;
        layout->setSpacing(2);
        layout->addWidget(option);
        layout->addWidget(note);
        layout->addLayout(rows);
        layout->addStretch();
        return layout;
    };
    std::array<QLabel *, 3> standardTrackLabels{};
    QVBoxLayout *standardColumn = column(standardOption_, standardNote, standardFormats_,
                                         standardTrackLabels, 0, 1, NonIsoFrames::StandardFormats);
    QVBoxLayout *customColumn = column(customOption_, customNote_, customFormats_,
                                       customTrackLabels_, 5, -1, NonIsoFrames::CustomFormats);
    for (int i = 0; i < 3; ++i) {
        standardFormats_[i]->setObjectName(indexed("Combo1", i));
        customFormats_[i]->setObjectName(indexed("Combo2", i));
    }

    auto *choices = new QHBoxLayout;
    choices->setSpacing(28);
    choices->addLayout(standardColumn);
    choices->addLayout(customColumn);
    readButton_->setObjectName(QStringLiteral("Command1"));
    writeButton_->setObjectName(QStringLiteral("Command2"));
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("Command3"));
    readButton_->setDefault(true);
    layOutSelection(*this, QStyle::SP_DriveFDIcon, heading, choices,
                    {readButton_, writeButton_, cancelButton});

    connect(options, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            optionChosen();
    });
    connect(readButton_, &QPushButton::clicked, this, [this] { start(windows_.readCard); });
    connect(writeButton_, &QPushButton::clicked, this, [this] { start(windows_.densities); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    setWindows({});
}

void frmNonISOFmtSel::setWindows(const NonIsoWindows &windows) {
    windows_ = windows;
    readButton_->setEnabled(static_cast<bool>(windows_.readCard));
    writeButton_->setEnabled(static_cast<bool>(windows_.densities));
}

void frmNonISOFmtSel::run() {
    load();
    exec();
}

void frmNonISOFmtSel::load() {
    // Each track starts in its own ISO format.
    for (std::size_t i = 0; i < standardFormats_.size(); ++i)
        standardFormats_[i]->setCurrentIndex(static_cast<int>(i));
    for (QComboBox *list : customFormats_)
        list->setCurrentIndex(0);
    const bool customOffered = state_.isKvt380a();
    customOption_->setEnabled(customOffered);
    customNote_->setEnabled(customOffered);
    for (QLabel *label : customTrackLabels_)
        label->setEnabled(customOffered);
    standardOption_->setChecked(true);
    optionChosen();
    readButton_->setFocus();
}

void frmNonISOFmtSel::optionChosen() {
    if (!state_.isKvt380a() && customOption_->isChecked())
        standardOption_->setChecked(true);
    const bool standard = standardOption_->isChecked();
    for (QComboBox *list : standardFormats_)
        list->setEnabled(standard);
    for (QComboBox *list : customFormats_)
        list->setEnabled(!standard);
}

void frmNonISOFmtSel::start(const std::function<void()> &opener) {
    if (!opener)
        return;
    state_.NonIsoStdFormat = standardOption_->isChecked();
    const auto &lists = state_.NonIsoStdFormat ? standardFormats_ : customFormats_;
    state_.NonIsoT1Format = lists[0]->currentText().toLatin1();
    state_.NonIsoT2Format = lists[1]->currentText().toLatin1();
    state_.NonIsoT3Format = lists[2]->currentText().toLatin1();
    // A copy: the window it opens may set the openers again.
    const std::function<void()> open = opener;
    open();
}
