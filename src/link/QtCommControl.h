#pragma once

#include "link/CommControl.h"

#include <QSerialPort>

// The real port, over QSerialPort.
class QtCommControl : public CommControl {
    Q_OBJECT
public:
    explicit QtCommControl(QObject *parent = nullptr);

    bool open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return port_.isOpen(); }
    [[nodiscard]] QString openError() const override { return openError_; }

    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    [[nodiscard]] int inBufferCount() override;
    void waitForBytes(int ms) override;

private:
    void drainDriver();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    QString openError_;
};
