#pragma once

#include "ui/PromptWindow.h"

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

struct LinkRuntime;
class MainRecords;

// Runs action once done() holds, checking as the window's waits let events through.
void when(QObject *context, std::function<bool()> done, std::function<void()> action);
// The setup window's OK on port 1 in the command set mode, as the operator confirms it.
[[nodiscard]] bool setUp(LinkRuntime &runtime, const QByteArray &mode);
// What the windows are given, with the real serial port.
[[nodiscard]] PromptWindow::Context programContext(LinkRuntime &runtime, MainRecords &records);

// The program's parts as Main puts them together, with the real serial port, talking to
// kvt450-sim on a pseudo-terminal registered as port 1.
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
    void registrationPutBack();

private:
    QString waitForLine(const QString &prefix);
    void startWithCard(const QString &simMode, const QByteArray &card);

    QTemporaryDir config_;
    QProcess sim_;
    QStringList seen_;
};
