#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial port as the windows use it: a port number, a settings text such as
// "9600,o,7,1", open/close, send, take everything received, count what is waiting.
// Sends and reads on a closed port do nothing: a window's closing step may close the
// port under a wait that is still running.
class CommControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setCommPort(int number) = 0;
    [[nodiscard]] virtual int commPort() const = 0;
    virtual void setSettings(const QByteArray &settings) = 0;
    [[nodiscard]] virtual QByteArray settings() const = 0;

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
};
