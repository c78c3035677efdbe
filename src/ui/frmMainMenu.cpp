#include "ui/frmMainMenu.h"

#include "app/MainModule.h"
#include "ui/EntryFieldGuard.h"
#include "ui/LimitedPlainTextEdit.h"
#include "ui/MessageWindows.h"
#include "ui/TrackInput.h"
#include "ui/WindowSlot.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace {

// A small sans-serif face at the size the window was designed for, so the captions fit
// the fixed positions; the first family present is used.
QFont designFont(const QFont &base) {
    QFont font = base;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Segoe UI"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8);
    return font;
}

} // namespace

frmMainMenu::frmMainMenu(MainModule &state, QWidget *parent)
    : QWidget(parent), state_(state), geometry_(MainDesignGeometry()),
      guard_(new EntryFieldGuard(this)) {
    setObjectName(QStringLiteral("frmMainMenu"));
    setFont(designFont(font()));
    createControls();
    resize(toPixelsX(MainDesign::InnerWidth), toPixelsY(MainDesign::InnerHeight));
    setMinimumSize(size());
    refreshCommands();
}

frmMainMenu::~frmMainMenu() = default;

void frmMainMenu::createControls() {
    auto label = [this](const QString &name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    const QString captions[] = {QStringLiteral("Device Settings:"),
                                QStringLiteral("Port:"),
                                QStringLiteral("Baud:"),
                                QStringLiteral("Parity:"),
                                QStringLiteral("Data Bits:"),
                                QStringLiteral("Coercivity:"),
                                QStringLiteral("Emulation")};
    for (int i = 0; i < 7; ++i)
        label(QStringLiteral("Label1_%1").arg(i), captions[i]);
    for (int i = 0; i < 5; ++i)
        Label2[i] = label(QStringLiteral("Label2_%1").arg(i), QString());
    Label5 = label(QStringLiteral("Label5"), QString());

    const QString headings[] = {
        QStringLiteral("  Input Record (Keyed Entry, Card Swipe Entry, or File Retrieval):"),
        QStringLiteral("  Output Record (Card Swipe Readout):"), QStringLiteral("  Message Box:")};
    for (int i = 0; i < 3; ++i) {
        QLabel *heading = label(QStringLiteral("Label3_%1").arg(i), headings[i]);
        heading->setAutoFillBackground(true);
        heading->setBackgroundRole(QPalette::Highlight);
        heading->setForegroundRole(QPalette::HighlightedText);
    }
    const QString trackCaptions[] = {QStringLiteral("T1:"), QStringLiteral("T2:"),
                                     QStringLiteral("T3:"), QStringLiteral("T3:"),
                                     QStringLiteral("T2:"), QStringLiteral("T1:")};
    std::array<QLabel *, 6> trackCaptionLabels{};
    for (int i = 0; i < 6; ++i)
        trackCaptionLabels[i] = label(QStringLiteral("LIT1_%1").arg(i), trackCaptions[i]);

    for (int i = 0; i < 6; ++i) {
        const bool input = i < 3;
        if (i == 2 || i == 5) {
            auto *box = new LimitedPlainTextEdit(this);
            box->setTabChangesFocus(true);
            box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            box->setWordWrapMode(QTextOption::WrapAnywhere);
            box->document()->setDocumentMargin(1);
            box->setReadOnly(!input);
            if (input)
                box->setMaxLength(TrackMaxLength[2]);
            connect(box, &QPlainTextEdit::textChanged, this, [this, i] { trackChanged(i); });
            TIT[i] = box;
        } else {
            auto *box = new QLineEdit(this);
            box->setReadOnly(!input);
            if (input)
                box->setMaxLength(TrackMaxLength[i]);
            connect(box, &QLineEdit::textChanged, this, [this, i] { trackChanged(i); });
            TIT[i] = box;
        }
        TIT[i]->setObjectName(QStringLiteral("TIT%1").arg(i));
        // "T1:" is said twice on screen; the record tells the two apart.
        const QString name = input ? QStringLiteral("Input record track %1").arg(i + 1)
                                   : QStringLiteral("Output record track %1").arg(i - 2);
        TIT[i]->setAccessibleName(name);
        // The output captions run upwards: LIT1(5) is track 1.
        trackCaptionLabels[input ? i : 8 - i]->setBuddy(TIT[i]);
        if (input)
            guard_->attach(TIT[i], TrackEntryRule(i, state_));
        else
            TIT[i]->setFocusPolicy(Qt::ClickFocus);
    }
    for (int i = 0; i < 6; ++i) {
        LT[i] = label(QStringLiteral("LT%1").arg(i), QStringLiteral("0"));
        LT[i]->setAccessibleDescription(QStringLiteral("Characters in ") +
                                        TIT[i]->accessibleName().toLower());
    }

    Label4 = label(QStringLiteral("Label4"), QString());
    Label4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label4->setWordWrap(true);
    Label4->setMargin(2);
    Label4->setAccessibleDescription(QStringLiteral("Message Box"));

    const QString commands[] = {QStringLiteral("Read"),
                                QStringLiteral("Write"),
                                QStringLiteral("Copy"),
                                QStringLiteral("Encode from File"),
                                QStringLiteral("Save to File"),
                                QStringLiteral("Incremental Encode"),
                                QStringLiteral("Non-ISO Read/Write"),
                                QStringLiteral("Erase")};
    for (int i = 0; i < 8; ++i) {
        Command1[i] = new QPushButton(commands[i], this);
        Command1[i]->setObjectName(QStringLiteral("Command1_%1").arg(i));
        Command1[i]->setAutoDefault(false);
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { command(i); });
    }
    // Keyboard order follows the rows on screen.
    const int order[] = {0, 1, 2, 7, 3, 4, 5, 6};
    QWidget *previous = TIT[2];
    for (const int i : order) {
        setTabOrder(previous, Command1[i]);
        previous = Command1[i];
    }

    for (const LayoutControl &control : MainDesignLayout())
        laidOut_.push_back(findChild<QWidget *>(QString::fromLatin1(control.name)));
}

void frmMainMenu::setCommandWindows(CommandWindows windows) {
    windows_ = std::move(windows);
    refreshCommands();
}

void frmMainMenu::load() {
    Label2[0]->setText(QStringLiteral("COM ") + QString::fromLatin1(state_.CommPort));
    Label2[1]->setText(QString::fromLatin1(state_.BaudRate));
    Label2[2]->setText(QString::fromLatin1(state_.ParityName));
    Label2[3]->setText(QString::fromLatin1(state_.DataBits));
    reference_ = {static_cast<float>(toTwipsX(width())),
                  static_cast<int>(std::lrint(toTwipsY(height())))};
    Label2[4]->setText(state_.HighCoercivity ? QStringLiteral("High") : QStringLiteral("Low"));
    setWindowTitle(QStringLiteral("KVT-450 Series Utility: Main Menu"));
    placeControls();
    loaded_ = true;
}

void frmMainMenu::activate() {
    refreshCommands();
    Label5->setText(QString::fromLatin1(state_.EmulationMode));
    Label5->adjustSize();
}

void frmMainMenu::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!loaded_)
        load();
    activate();
}

void frmMainMenu::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activate();
}

void frmMainMenu::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    QCoreApplication::quit();
}

bool frmMainMenu::inputEmpty() const {
    return boxText(0).isEmpty() && boxText(1).isEmpty() && boxText(2).isEmpty();
}

bool frmMainMenu::available(int index) const {
    const CommandWindows &w = windows_;
    switch (index) {
    case 0:
        return static_cast<bool>(w.readCard);
    case 1:
        return static_cast<bool>(w.writeCard);
    case 2:
        return static_cast<bool>(w.copyCard);
    case 3:
        return static_cast<bool>(w.encodeFromFile);
    case 4:
        return static_cast<bool>(w.saveToFile);
    case 5:
        return w.incrTrackSelect && w.recEntry && w.writeIncr;
    case 6:
        return static_cast<bool>(w.nonIsoFmtSel);
    case 7:
        return w.eraseTrackSelect && w.eraseCard;
    default:
        return false;
    }
}

void frmMainMenu::refreshCommands() {
    for (int i = 0; i < 8; ++i)
        Command1[i]->setEnabled(available(i) && (i != 1 || !inputEmpty()));
}

namespace {

// The opener is copied first: a window may replace the openers while it is open.
void openWindow(const std::function<void()> &opener) {
    const std::function<void()> open = opener;
    open();
}

} // namespace

void frmMainMenu::command(int index) {
    guard_->checkPending();
    if (!available(index))
        return;
    if (index != 1)
        ClearInputRecord();
    setMessage({});
    state_.CancelRequested = false;
    switch (index) {
    case 0:
        ClearOutputRecord();
        openWindow(windows_.readCard);
        reset();
        break;
    case 1:
        if (inputEmpty()) {
            QApplication::beep();
            setMessage("\r\nPlease fill in the input record.");
            return;
        }
        ClearOutputRecord();
        openWindow(windows_.writeCard);
        reset();
        break;
    case 2:
        ClearInputRecord();
        ClearOutputRecord();
        openWindow(windows_.copyCard);
        reset();
        break;
    case 3:
        ClearOutputRecord();
        openWindow(windows_.encodeFromFile);
        reset();
        break;
    case 4:
        ClearOutputRecord();
        openWindow(windows_.saveToFile);
        reset();
        break;
    case 5:
        incrementalEncode();
        break;
    case 6:
        ClearInputRecord();
        ClearOutputRecord();
        state_.NonIsoMode = true;
        openWindow(windows_.nonIsoFmtSel);
        state_.NonIsoMode = false;
        reset();
        break;
    case 7:
        erase();
        break;
    default:
        break;
    }
}

void frmMainMenu::incrementalEncode() {
    state_.IncrCancelled = true;
    openWindow(windows_.incrTrackSelect);
    if (state_.IncrCancelled)
        return;
    state_.IncrCancelled = true;
    openWindow(windows_.recEntry);
    if (state_.IncrCancelled)
        return;
    openWindow(windows_.writeIncr);
    windowIn(incEOk_, this).showModal();
    reset();
}

void frmMainMenu::erase() {
    ClearInputRecord();
    ClearOutputRecord();
    state_.EraseTrackMask = 0;
    openWindow(windows_.eraseTrackSelect);
    if (state_.EraseTrackMask == 0)
        return;
    openWindow(windows_.eraseCard);
    reset();
}

void frmMainMenu::ClearInputRecord() {
    for (int i = 0; i < 3; ++i) {
        setTrack(i, {});
        LT[i]->setText(QStringLiteral("0"));
    }
}

void frmMainMenu::ClearOutputRecord() {
    for (int i = 3; i < 6; ++i) {
        setTrack(i, {});
        LT[i]->setText(QStringLiteral("0"));
    }
}

void frmMainMenu::reset() {
    ClearInputRecord();
    ClearOutputRecord();
}

QString frmMainMenu::boxText(int index) const {
    return EntryFieldGuard::text(TIT[index]);
}

void frmMainMenu::trackChanged(int index) {
    LT[index]->setText(QString::number(boxText(index).size()));
    LT[index]->adjustSize();
    if (index < 3)
        refreshCommands();
}

QByteArray frmMainMenu::track(int index) const {
    if (index < 0 || index >= 6)
        return {};
    return boxText(index).toLatin1();
}

void frmMainMenu::setTrack(int index, const QByteArray &text) {
    if (index < 0 || index >= 6)
        return;
    guard_->setText(TIT[index], QString::fromLatin1(text));
}

void frmMainMenu::setLength(int index, const QByteArray &caption) {
    if (index < 0 || index >= 6)
        return;
    LT[index]->setText(QString::fromLatin1(caption));
    LT[index]->adjustSize();
}

QByteArray frmMainMenu::length(int index) const {
    if (index < 0 || index >= 6)
        return {};
    return LT[index]->text().toLatin1();
}

QByteArray frmMainMenu::message() const {
    return message_.toLatin1();
}

void frmMainMenu::setMessage(const QByteArray &text) {
    setMessageText(QString::fromLatin1(text));
}

void frmMainMenu::setMessageText(const QString &text) {
    message_ = text;
    Label4->setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}
