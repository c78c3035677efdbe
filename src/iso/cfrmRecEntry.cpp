#include "iso/cfrmRecEntry.h"

#include "app/MainModule.h"
#include "app/TrackFault.h"
#include "iso/IncrementalBatch.h"
#include "ui/DialogFrame.h"
#include "ui/EntryFieldGuard.h"
#include "ui/TrackInput.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const std::array<QString, cfrmRecEntry::BoxesPerTrack> FieldCaptions = {
    QStringLiteral("Prefix:"), QStringLiteral("Starting #:"), QStringLiteral("Increment:"),
    QStringLiteral("Count:"), QStringLiteral("Suffix:")};
const std::array<QString, 3> TrackHeadings = {
    QStringLiteral("  Track 1 Data (<= 76 Alphanumerics)"),
    QStringLiteral("  Track 2 Data (<= 37 Numerics)"),
    QStringLiteral("  Track 3 Data (<= 104 Numerics)")};
const GuardMessage NumeralMessage{QStringLiteral("Format Error"),
                                  QStringLiteral("Use numeral only. ")};
// The number boxes of tracks 2 and 3 take this many characters; those of track 1 any number.
constexpr int NumberBoxLength = 76;
const QColor UnavailableCaption(128, 128, 128);

int trackOf(int index) {
    return index / cfrmRecEntry::BoxesPerTrack;
}

cfrmRecEntry::Field fieldOf(int index) {
    return static_cast<cfrmRecEntry::Field>(index % cfrmRecEntry::BoxesPerTrack);
}

bool isTextField(cfrmRecEntry::Field field) {
    return field == cfrmRecEntry::Prefix || field == cfrmRecEntry::Suffix;
}

} // namespace

cfrmRecEntry::cfrmRecEntry(MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state), guard_(new EntryFieldGuard(this)) {
    setObjectName(QStringLiteral("cfrmRecEntry"));
    setWindowTitle(QStringLiteral("Incremental Encode - Base Record Entry"));
    setFixedDialogFrame(*this);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(dialogPicture(*this, QStyle::SP_MessageBoxInformation));
    auto *prompt = new QLabel(QStringLiteral("Please enter the base record to encode."), this);
    prompt->setObjectName(QStringLiteral("Label1"));

    auto *tracks = new QHBoxLayout;
    tracks->setSpacing(18);
    for (int track = 0; track < 3; ++track)
        tracks->addWidget(createTrackGroup(track));
    attachRules();

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("Command1_1"));
    okButton_->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command1_0"));
    cancel->setAutoDefault(false);
    connect(okButton_, &QPushButton::clicked, this, &cfrmRecEntry::okPressed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *heading = new QHBoxLayout;
    heading->setSpacing(16);
    heading->addWidget(picture, 0, Qt::AlignVCenter);
    heading->addWidget(prompt, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(14);
    layout->addLayout(heading);
    layout->addLayout(tracks);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget *cfrmRecEntry::createTrackGroup(int track) {
    auto *group = new QWidget(this);
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    auto *heading = new QLabel(TrackHeadings.at(std::size_t(track)), group);
    heading->setObjectName(QStringLiteral("Label3_%1").arg(track));
    heading->setAutoFillBackground(true);
    heading->setBackgroundRole(QPalette::Highlight);
    heading->setForegroundRole(QPalette::HighlightedText);
    heading->setMinimumHeight(heading->sizeHint().height() + 4);
    grid->addWidget(heading, 0, 0, 1, 3);
    const int lengthWidth = fontMetrics().horizontalAdvance(QStringLiteral("000"));
    for (int field = 0; field < BoxesPerTrack; ++field) {
        const int index = track * BoxesPerTrack + field;
        const auto at = std::size_t(index);
        captions_[at] = new QLabel(FieldCaptions.at(std::size_t(field)), group);
        captions_[at]->setObjectName(QStringLiteral("LIT1_%1").arg(index));
        boxes_[at] = new QLineEdit(group);
        boxes_[at]->setObjectName(QStringLiteral("TIT%1").arg(index));
        boxes_[at]->setMinimumWidth(fontMetrics().averageCharWidth() * 24);
        if (field == Prefix)
            boxes_[at]->setMaxLength(int(TrackCapacity.at(std::size_t(track))));
        else if (track > 0)
            boxes_[at]->setMaxLength(NumberBoxLength);
        lengths_[at] = new QLabel(QStringLiteral("0"), group);
        lengths_[at]->setObjectName(QStringLiteral("LT%1").arg(index));
        lengths_[at]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lengths_[at]->setMinimumWidth(lengthWidth);
        captions_[at]->setBuddy(boxes_[at]);
        grid->addWidget(captions_[at], field + 1, 0);
        grid->addWidget(boxes_[at], field + 1, 1);
        grid->addWidget(lengths_[at], field + 1, 2);
        connect(boxes_[at], &QLineEdit::textChanged, this, [this, index] { boxChanged(index); });
    }
    auto *totalCaption = new QLabel(QStringLiteral("Track length:"), group);
    totalCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    trackLengths_[std::size_t(track)] = new QLabel(QStringLiteral("0"), group);
    QLabel *total = trackLengths_[std::size_t(track)];
    total->setObjectName(QStringLiteral("LM%1").arg(track));
    total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = total->font();
    bold.setBold(true);
    total->setFont(bold);
    grid->addWidget(totalCaption, BoxesPerTrack + 1, 0, 1, 2);
    grid->addWidget(total, BoxesPerTrack + 1, 2);
    grid->setColumnStretch(1, 1);
    return group;
}

void cfrmRecEntry::attachRules() {
    for (int index = 0; index < BoxCount; ++index) {
        const int track = trackOf(index);
        const Field field = fieldOf(index);
        EntryRule rule;
        if (isTextField(field)) {
            rule = TrackEntryRule(track, state_);
            // This window has always answered a refused key with its leaving message.
            rule.keyMessage = LeavingMessage(track);
        } else {
            rule.keySet = state_.DigitChars;
            rule.keyMessage = NumeralMessage;
            rule.upperCaseOnLeave = track == 0 && field == StartingNumber;
            rule.leaveCheck = [](const QByteArray &text) -> std::optional<GuardMessage> {
                if (IncrementalBatch::ReadsAsNumber(text))
                    return std::nullopt;
                return NumeralMessage;
            };
        }
        guard_->attach(boxes_[std::size_t(index)], std::move(rule));
    }
}

void cfrmRecEntry::run() {
    for (QLineEdit *box : boxes_)
        guard_->setText(box, QString());
    showAvailableBoxes();
    exec();
}

void cfrmRecEntry::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    okButton_->setFocus(Qt::ActiveWindowFocusReason);
}

void cfrmRecEntry::showAvailableBoxes() {
    for (int index = 0; index < BoxCount; ++index)
        setBoxAvailable(index, fieldOf(index) == Prefix || trackOf(index) == state_.IncrTrack - 1);
}

void cfrmRecEntry::setBoxAvailable(int index, bool available) {
    QLineEdit *box = boxes_[std::size_t(index)];
    box->setEnabled(available);
    QPalette boxColours = box->palette();
    boxColours.setColor(QPalette::Base,
                        palette().color(available ? QPalette::Base : QPalette::Button));
    box->setPalette(boxColours);
    QLabel *caption = captions_[std::size_t(index)];
    QPalette captionColours = caption->palette();
    captionColours.setColor(QPalette::WindowText,
                            available ? palette().color(QPalette::ButtonText) : UnavailableCaption);
    caption->setPalette(captionColours);
}

QByteArray cfrmRecEntry::boxText(int index) const {
    return boxes_[std::size_t(index)]->text().toLatin1();
}

int cfrmRecEntry::trackLength(int track) const {
    const int first = track * BoxesPerTrack;
    return int(boxText(first + Prefix).size() + boxText(first + StartingNumber).size() +
               boxText(first + Suffix).size());
}

void cfrmRecEntry::boxChanged(int index) {
    const Field field = fieldOf(index);
    // The step and the count are no part of the card's data.
    const bool counted = field != Increment && field != Count;
    lengths_[std::size_t(index)]->setText(
        QString::number(counted ? boxes_[std::size_t(index)]->text().size() : 0));
    for (int track = 0; track < 3; ++track)
        trackLengths_[std::size_t(track)]->setText(QString::number(trackLength(track)));
}

void cfrmRecEntry::refuse(int index, const QString &text) {
    QMessageBox::information(this, NumeralMessage.title, text);
    boxes_[std::size_t(index)]->setFocus(Qt::OtherFocusReason);
}

bool cfrmRecEntry::numbersAccepted(int firstBox) {
    for (const Field field : {StartingNumber, Increment, Count}) {
        const QByteArray text = boxText(firstBox + field);
        // ValOrZero would silently number the cards from 0, or write one card.
        if (!ValInRange(text)) {
            refuse(firstBox + field,
                   QStringLiteral("%1 %2 is out of range: use a whole number from -2147483648 "
                                  "to 2147483647.")
                       .arg(FieldCaptions.at(field).chopped(1), QString::fromLatin1(text)));
            return false;
        }
    }
    // A negative count never counts down to 0: the batch would run until Cancel.
    if (ValOrZero(boxText(firstBox + Count)) < 0) {
        refuse(firstBox + Count, QStringLiteral("Count cannot be negative: enter how many cards "
                                                "to write, or leave it empty for one."));
        return false;
    }
    return true;
}

void cfrmRecEntry::okPressed() {
    guard_->checkPending();
    // Enter in a box presses OK without leaving the box: its text is checked all the same.
    if (const auto box = std::find(boxes_.begin(), boxes_.end(), focusWidget());
        box != boxes_.end())
        guard_->check(*box);
    if (trackLength(0) + trackLength(1) + trackLength(2) == 0)
        return;
    const int first = BoxesPerTrack * (state_.IncrTrack - 1);
    if (!numbersAccepted(first))
        return;
    state_.IncrCancelled = false;
    state_.IncrSuffix = boxText(first + Suffix);
    state_.IncrCount = ValOrZero(boxText(first + Count));
    state_.IncrStep = ValOrZero(boxText(first + Increment));
    state_.IncrNumber = ValOrZero(boxText(first + StartingNumber));
    state_.Track1Data = boxText(Prefix);
    state_.Track2Data = boxText(BoxesPerTrack + Prefix);
    state_.Track3Data = boxText(2 * BoxesPerTrack + Prefix);
    if (state_.IncrCount == 0)
        state_.IncrCount = 1;
    accept();
}
