#pragma once

#include "FakeRecords.h"
#include "ModalWatcher.h"

#include "link/LinkRuntime.h"
#include "ui/PromptWindow.h"

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// Runs action once done() holds, checking as the window's waits let events through.
void when(QObject *context, std::function<bool()> done, std::function<void()> action);

// The program's parts as Main puts them together, with the real serial port, and the main
// window's records; every modal window but the one under test is answered.
struct Program {
    // The setup window's OK on port 1 in the command set mode, as the operator confirms it.
    [[nodiscard]] bool setUp(const QByteArray &mode);
    [[nodiscard]] PromptWindow::Context context();
    // Runs a prompt window until its first card is done, then presses Cancel.
    void oneCard(PromptWindow &window);

    LinkRuntime runtime;
    MainModule &state = runtime.state;
    FakeRecords records;
    ModalWatcher watcher;
};

// The program against kvt450-sim on a pseudo-terminal registered as port 1.
class TestEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void readAndWrite_data();
    void readAndWrite();
    void saveAndEncodeFiles_data();
    void saveAndEncodeFiles();
    void copyAndErase_data();
    void copyAndErase();
    void incrementalBatch_data();
    void incrementalBatch();
    void nonIsoRead_data();
    void nonIsoRead();
    void nonIsoWrite_data();
    void nonIsoWrite();
    void portHeldByAnotherProgram();

private:
    QString waitForLine(const QString &prefix);
    // The simulator on port 1 in the row's command set (simMode), swiping 1.2 s after it is
    // asked, with card in its slot unless it is empty; then the program set up for it in
    // the row's mode.
    void start(const QByteArray &card, const QStringList &simArgs = {});

    std::unique_ptr<Program> program_;
    QTemporaryDir config_;
    QProcess sim_;
    QStringList seen_;
};
