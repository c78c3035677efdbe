#pragma once

#include "link/PortConfig.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial port as the windows use it: the port chosen in setup, open/close, send, take
// everything received, count what is waiting.
// Sends and reads on a closed port do nothing: a window's closing step may close the
// port under a wait that is still running.
class CommControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void setConfig(const PortConfig &config) { config_ = config; }
    [[nodiscard]] const PortConfig &config() const { return config_; }

    // Opens the port; on failure returns false and openError() says why in the
    // operator's words.
    virtual bool open() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    [[nodiscard]] virtual QString openError() const = 0;

    virtual void output(const QByteArray &bytes) = 0;
    virtual QByteArray input() = 0;
    [[nodiscard]] virtual int inBufferCount() = 0;

    // Blocks without processing window events until a byte is waiting or ms have passed.
    virtual void waitForBytes(int ms) = 0;

Q_SIGNALS:
    // The open port failed under us (an unplugged adapter); the port is closed by now.
    void connectionLost(const QString &why);

private:
    PortConfig config_;
};
