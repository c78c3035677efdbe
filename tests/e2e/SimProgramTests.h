#pragma once

#include <QObject>

// kvt450-sim as an operator starts it, on a real pseudo-terminal opened with QSerialPort.
class TestSimProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pacedCustomWriteReportedAndRecorded();
    void commandLine_data();
    void commandLine();
    void operatorCommands();
    void killedSimulatorsRegistrationPutBack();
};
