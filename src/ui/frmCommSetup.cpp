#include "ui/frmCommSetup.h"

#include "app/MainModule.h"
#include "app/SettingsStore.h"
#include "link/CommControl.h"
#include "link/ConnectionCheck.h"
#include "link/LineSettings.h"
#include "link/PortConfig.h"
#include "ui/PortComboBox.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QLabel *label(const char *name, const QString &text, QWidget *parent) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QComboBox *combo(const char *name, const QStringList &items, QWidget *parent) {
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    return c;
}

// A stored text that matches no entry of a fixed list selects the default entry.
void select(QComboBox *box, const QByteArray &stored, const QByteArray &fallback) {
    int index = box->findText(QString::fromLatin1(stored), Qt::MatchExactly);
    if (index < 0)
        index = box->findText(QString::fromLatin1(fallback), Qt::MatchExactly);
    box->setCurrentIndex(index);
}

QByteArray textOf(const QComboBox *box) {
    return box->currentText().toLatin1();
}

} // namespace

frmCommSetup::frmCommSetup(MainModule &state, PortConfig &chosen, CommControl &port, Waiter &waiter,
                           SettingsStore &store, const SerialPortSource &serialPorts,
                           Actions actions, QWidget *parent)
    : QDialog(parent), state_(state), chosen_(chosen), port_(port), waiter_(waiter), store_(store),
      serialPorts_(serialPorts), actions_(std::move(actions)) {
    setObjectName(QStringLiteral("frmCommSetup"));
    setWindowTitle(QStringLiteral("KVT-450 Series Utility: Initial Setup"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Combo1 = new PortComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    // A typed port is used, not added to the list.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral(".{0,8}")), Combo1));
    connect(Combo1, &PortComboBox::aboutToShowPorts, this, &frmCommSetup::readPorts);
    Combo2 = combo("Combo2", {"19200", "9600", "4800", "2400", "1200"}, this);
    Combo3 = combo("Combo3", {"None", "Even", "Odd"}, this);
    Combo4 = combo("Combo4", {"8", "7"}, this);
    device_ = label("PortDevice", QString(), this);
    device_->setWordWrap(true);
    device_->setToolTip(QStringLiteral("The device this port number stands for on this computer"));
    QPalette grey = device_->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
    device_->setPalette(grey);
    connect(Combo1, &QComboBox::editTextChanged, this, &frmCommSetup::showDevice);

    auto *params = new QGridLayout;
    params->setHorizontalSpacing(12);
    const std::pair<const char *, QString> captions[] = {
        {"Label1", QStringLiteral("Serial Port")},
        {"Label2", QStringLiteral("Baud Rate")},
        {"Label3", QStringLiteral("Parity")},
        {"Label4", QStringLiteral("Data Bits")},
    };
    QComboBox *const boxes[] = {Combo1, Combo2, Combo3, Combo4};
    for (int row = 0; row < 4; ++row) {
        QLabel *caption = label(captions[row].first, captions[row].second, this);
        caption->setBuddy(boxes[row]);
        params->addWidget(caption, row, 0);
        params->addWidget(boxes[row], row, 1);
    }
    // Two rows of room, so that a long adapter name wraps without resizing the window; the
    // first line stands level with the port number.
    device_->setFixedWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("/dev/ttyUSB0 - FT232R USB UART  ")));
    device_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    device_->setContentsMargins(
        0, std::max(0, (Combo1->sizeHint().height() - device_->fontMetrics().height()) / 2), 0, 0);
    params->addWidget(device_, 0, 2, 2, 1);
    params->setColumnStretch(2, 1);

    Option1_0 = new QRadioButton(QStringLiteral("High Co"), this);
    Option1_0->setObjectName(QStringLiteral("Option1_0"));
    Option1_1 = new QRadioButton(QStringLiteral("Low Co"), this);
    Option1_1->setObjectName(QStringLiteral("Option1_1"));
    auto *coercivity = new QButtonGroup(this);
    coercivity->addButton(Option1_0);
    coercivity->addButton(Option1_1);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::StyledPanel);
    Option2_0 = new QRadioButton(QStringLiteral("KVT-380A"), frame);
    Option2_0->setObjectName(QStringLiteral("Option2_0"));
    Option2_1 = new QRadioButton(QStringLiteral("LRQ118"), frame);
    Option2_1->setObjectName(QStringLiteral("Option2_1"));
    auto *modeRow = new QHBoxLayout(frame);
    modeRow->addWidget(Option2_0);
    modeRow->addWidget(Option2_1);
    modeRow->addStretch();

    auto *choices = new QGridLayout;
    choices->setHorizontalSpacing(12);
    QLabel *coercivityCaption = label("Label5", QStringLiteral("Write Coercivity"), this);
    choices->addWidget(coercivityCaption, 0, 0);
    auto *coRow = new QHBoxLayout;
    coRow->setContentsMargins(frame->frameWidth() + modeRow->contentsMargins().left(), 0, 0, 0);
    coRow->addWidget(Option1_0);
    coRow->addWidget(Option1_1);
    coRow->addStretch();
    choices->addLayout(coRow, 0, 1);
    QLabel *modeCaption = label("Label7", QStringLiteral("Emulation Mode"), this);
    modeCaption->setBuddy(frame);
    choices->addWidget(modeCaption, 1, 0);
    choices->addWidget(frame, 1, 1);
    choices->setColumnStretch(1, 1);
    // An option's own text says little without the caption of its pair.
    for (QRadioButton *option : {Option1_0, Option1_1})
        option->setAccessibleDescription(coercivityCaption->text());
    for (QRadioButton *option : {Option2_0, Option2_1})
        option->setAccessibleDescription(modeCaption->text());

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    connect(Command1, &QPushButton::clicked, this, &frmCommSetup::okPressed);
    connect(Command2, &QPushButton::clicked, this, &frmCommSetup::cancelPressed);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto *heading = label("Label6", QStringLiteral("RS-232 Parameters"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(heading);
    layout->addLayout(params);
    layout->addSpacing(6);
    layout->addLayout(choices);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    load();
}

void frmCommSetup::load() {
    store_.restoreStaleRegistrations();
    const CommSetupValues stored = store_.load();
    const CommSetupValues defaults;
    readPorts();
    QByteArray port = stored.Port;
    // On a first run, the one adapter plugged in is most likely the encoder.
    if (const std::optional<int> adapter = ports_.adapterProposal(); adapter && !store_.hasPort())
        port = QByteArray::number(*adapter);
    Combo1->setEditText(QString::fromLatin1(port));
    select(Combo2, stored.Baud, defaults.Baud);
    select(Combo3, stored.Parity, defaults.Parity);
    select(Combo4, stored.DataBit, defaults.DataBit);
    state_.HighCoercivity = stored.Coercivity == "High";
    (state_.HighCoercivity ? Option1_0 : Option1_1)->setChecked(true);
    state_.EmulationMode = stored.Mode == "KVT-380A" ? "KVT-380A" : "LRQ118";
    (state_.isKvt380a() ? Option2_0 : Option2_1)->setChecked(true);
    showDevice();
}

void frmCommSetup::readPorts() {
    const std::optional<int> saved =
        store_.hasPort() ? parsePortNumber(store_.load().Port) : std::nullopt;
    ports_ = PortList(store_.portOverrides(), serialPorts_, saved);
    Combo1->setPorts(ports_.entries());
    showDevice();
}

void frmCommSetup::showDevice() {
    device_->setText(portDeviceLabel(textOf(Combo1), ports_));
}

bool frmCommSetup::openPort(QString &why) {
    // The port is taken apart once, here; every later window opens what passed the check.
    const std::optional<PortConfig> config =
        makePortConfig(state_.CommPort, state_.CommSettings, ports_, why);
    if (!config)
        return false;
    port_.setConfig(*config);
    if (!port_.open()) {
        why = port_.openError();
        return false;
    }
    chosen_ = *config;
    return true;
}

void frmCommSetup::okPressed() {
    state_.EmulationMode = Option2_1->isChecked() ? "LRQ118" : "KVT-380A";
    Command1->setEnabled(false);
    checking_ = true;
    state_.CommPort = textOf(Combo1);
    state_.BaudRate = textOf(Combo2);
    state_.ParityName = textOf(Combo3);
    state_.DataBits = textOf(Combo4);
    state_.CommSettings = buildCommSettings(state_.BaudRate, state_.ParityName, state_.DataBits);
    if (port_.isOpen())
        port_.close();

    QString why;
    if (!openPort(why)) {
        checking_ = false;
        failure(true, why);
        return;
    }
    state_.HighCoercivity = Option1_0->isChecked();

    ConnectionCheck check(state_, port_, waiter_, [this] { return quitting_; });
    const ConnectionCheck::Outcome outcome = check.run(Option1_0->isChecked());
    checking_ = false;
    switch (outcome) {
    case ConnectionCheck::Outcome::Passed:
        succeed();
        return;
    case ConnectionCheck::Outcome::PassedWithWarning:
        actions_.showCommError(check.failureReason());
        Command1->setEnabled(true);
        succeed();
        return;
    case ConnectionCheck::Outcome::Failed:
        failure(false, check.failureReason());
        return;
    case ConnectionCheck::Outcome::FailedWithBeep:
        failure(true, check.failureReason());
        return;
    case ConnectionCheck::Outcome::Abandoned:
        return;
    }
}

void frmCommSetup::failure(bool beep, const QString &reason) {
    if (beep)
        QApplication::beep();
    actions_.showCommError(reason);
    Command1->setEnabled(true);
}

void frmCommSetup::succeed() {
    if (quitting_)
        return;
    // The check passed: the main window opens with these settings, kept or not.
    if (const std::optional<QString> problem = SaveCommSettings())
        actions_.showSaveError(*problem);
    actions_.openMainWindow();
    close();
}

std::optional<QString> frmCommSetup::SaveCommSettings() {
    CommSetupValues values;
    values.Mode = state_.EmulationMode;
    values.Coercivity = Option1_0->isChecked() ? "High" : "Low";
    values.Port = textOf(Combo1);
    values.Baud = textOf(Combo2);
    values.Parity = textOf(Combo3);
    values.DataBit = textOf(Combo4);
    const std::optional<QString> problem = store_.save(values);
    // The number keeps standing for the device that passed, also one it was offered for.
    if (PortList(store_.portOverrides()).entry(chosen_.number).device != chosen_.device)
        store_.setPortOverride(chosen_.number, chosen_.device);
    return problem;
}

void frmCommSetup::cancelPressed() {
    quitting_ = true;
    port_.close();
    actions_.endProgram();
}

void frmCommSetup::closeEvent(QCloseEvent *event) {
    // Closing while a check runs ends the program: the check unwinds at its next poll.
    if (checking_ && !quitting_)
        cancelPressed();
    if (port_.isOpen())
        port_.close();
    QDialog::closeEvent(event);
}

void frmCommSetup::keyPressEvent(QKeyEvent *event) {
    // Escape is Cancel, which ends the program rather than just hiding the window.
    if (event->key() == Qt::Key_Escape) {
        cancelPressed();
        return;
    }
    QDialog::keyPressEvent(event);
}
