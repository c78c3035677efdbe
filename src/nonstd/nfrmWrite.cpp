#include "nonstd/nfrmWrite.h"

#include "app/MainModule.h"
#include "link/NonIsoFrames.h"
#include "nonstd/NonIsoTexts.h"
#include "nonstd/TrackPanel.h"
#include "ui/DialogFrame.h"
#include "ui/EntryFieldGuard.h"
#include "ui/LimitedPlainTextEdit.h"
#include "ui/SelectionLayout.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A custom field has no length of its own: the box's limit is far beyond any track, and
// keeps a pasted flood from stalling the window.
constexpr int HexFieldLimit = 32767;

bool isEnter(const QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

nfrmWrite::nfrmWrite(MainModule &state, QWidget *parent)
    : QDialog(parent), state_(state), guard_(new EntryFieldGuard(this)),
      noteFrame_(new QFrame(this)), okButton_(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("nfrmWrite"));
    setWindowTitle(StandardCaption);
    setFixedDialogFrame(*this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(10);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i] = new LimitedPlainTextEdit(this);
        const TrackPanel panel = makeTrackPanel(i, boxes_[i], this);
        captions_[i] = panel.caption;
        counts_[i] = panel.count;
        layout->addWidget(panel.frame);
        guard_->attach(boxes_[i], {});
        // After the guard's filter, so Enter reaches this window's filter first.
        boxes_[i]->installEventFilter(this);
        connect(boxes_[i], &LimitedPlainTextEdit::textChanged, this, [this, i] { boxChanged(i); });
    }

    noteFrame_->setObjectName(indexedName("Shape1", 3));
    noteFrame_->setFrameShape(QFrame::StyledPanel);
    auto *note = new QLabel(LsbNote, noteFrame_);
    note->setObjectName(indexedName("Label1", 3));
    auto *noteLayout = new QHBoxLayout(noteFrame_);
    noteLayout->setContentsMargins(10, 6, 10, 6);
    noteLayout->addWidget(note);
    // Kept in place when hidden, so the window does not change size between the modes.
    QSizePolicy keepPlace = noteFrame_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    noteFrame_->setSizePolicy(keepPlace);

    okButton_->setObjectName(indexedName("Command1", 0));
    okButton_->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(indexedName("Command1", 1));
    QHBoxLayout *bottom = buttonRow({okButton_, cancelButton});
    bottom->insertWidget(0, noteFrame_);
    connect(okButton_, &QPushButton::clicked, this, &nfrmWrite::okPressed);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    layout->addSpacing(4);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void nfrmWrite::setSwipeWrite(std::function<void()> opener) {
    swipeWrite_ = std::move(opener);
}

void nfrmWrite::run() {
    load();
    exec();
}

void nfrmWrite::load() {
    const bool standard = state_.NonIsoStdFormat;
    setWindowTitle(standard ? StandardCaption : CustomCaption);
    noteFrame_->setVisible(!standard);
    state_.Track1Data.clear();
    state_.Track2Data.clear();
    state_.Track3Data.clear();
    state_.NonIsoTrackText = {};
    const NonIsoFrames::Selection selection = NonIsoFrames::selectionOf(state_);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const NonIsoTrackEntry &entry = entries_[i] = NonIsoTrackEntry::of(state_, i);
        captions_[i]->setText(standard ? StandardEntryLabel(i, selection.tracks[i])
                                       : CustomEntryLabel(i, selection.tracks[i]));
        boxes_[i]->setMaxLength(standard ? entry.capacity : HexFieldLimit);
        guard_->setRule(boxes_[i], {.keySet = entry.keySet(state_),
                                    .upperCaseKeys = true,
                                    .keyMessage = entry.keyMessage(),
                                    .hexPairs = !standard,
                                    .trimOnLeave = true,
                                    .upperCaseOnLeave = true,
                                    .leaveCheck = [entry](const QByteArray &text) {
                                        return entry.textFault(text);
                                    }});
        guard_->setText(boxes_[i], {});
    }
}

void nfrmWrite::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    activated();
}

void nfrmWrite::activated() {
    boxes_[0]->setFocus(Qt::ActiveWindowFocusReason);
    state_.CancelRequested = false;
}

bool nfrmWrite::eventFilter(QObject *watched, QEvent *event) {
    // A line break is no track data: Enter takes the fields, as in a one-line box.
    if (isEnter(event)) {
        okPressed();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QByteArray nfrmWrite::boxText(std::size_t track) const {
    return boxes_[track]->toPlainText().toLatin1();
}

void nfrmWrite::boxChanged(std::size_t track) {
    const NonIsoTrackEntry &entry = entries_[track];
    const qsizetype count = entry.count(boxText(track));
    counts_[track]->setText(QString::number(count));
    // Nothing is taken away: the operator sees how far over the track the data runs.
    if (!entry.standard && count > entry.capacity) {
        const InformationMessage message = MaxCharactersMessage(entry.capacity);
        QMessageBox::information(this, message.title, message.text);
    }
}

void nfrmWrite::refuse(std::size_t track, const InformationMessage &message) {
    QMessageBox::information(this, message.title, message.text);
    boxes_[track]->setFocus(Qt::OtherFocusReason);
}

void nfrmWrite::okPressed() {
    // The box just left first, then every box: none is written before it passed its check.
    if (!guard_->checkPending())
        return;
    for (LimitedPlainTextEdit *box : boxes_)
        if (!guard_->check(box))
            return;
    std::array<QByteArray, 3> texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = boxText(i);
    if (std::all_of(texts.begin(), texts.end(), [](const QByteArray &t) { return t.isEmpty(); }))
        return;
    std::array<QByteArray, 3> data;
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = entries_[i].data(texts[i]);
        if (const std::optional<InformationMessage> fault = entries_[i].dataFault(data[i])) {
            refuse(i, *fault);
            return;
        }
    }
    state_.NonIsoKeyedText = texts;
    state_.NonIsoTrackText = state_.NonIsoStdFormat ? std::array<QByteArray, 3>{} : data;
    state_.ReplyDone = false;
    state_.CancelRequested = false;
    if (swipeWrite_)
        swipeWrite_();
    activated();
}
