#pragma once

#include "EncoderModel.h"
#include "PortRegistration.h"
#include "PseudoTerminal.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

class QSocketNotifier;

// The kvt450-sim program: the encoder model behind a pseudo-terminal, driven by the
// steady clock, with commands for a person on standard input and one line per event on
// standard output.
class Simulator final : public QObject {
    Q_OBJECT
public:
    struct Options {
        EncoderModel::CommandSet set = EncoderModel::CommandSet::Kvt380a;
        std::optional<int> port;
        QList<Card> deck;
        std::optional<int> autoSwipeMs;
        std::optional<EncoderModel::LineSpeed> lineSpeed;
        QString writtenFile;
        bool readCommands = true;
    };

    explicit Simulator(Options options, QObject *parent = nullptr);

    // The commands a person can give on standard input, one line each.
    [[nodiscard]] static QStringList commandHelp();
    ~Simulator() override;

    // Opens the port and starts listening; on failure returns false and error says why.
    bool start(QString &error);

Q_SIGNALS:
    void finished();

private:
    static constexpr auto kNoListenerPoll = std::chrono::milliseconds(50);

    [[nodiscard]] static EncoderModel::Duration now();
    bool openPort(QString &error);
    void closePort();
    void readHost();
    void readCommands();
    void pump();
    void sendToHost(const QByteArray &bytes);
    void command(const QByteArray &line);
    void fault(const QList<QByteArray> &words);
    void appendWritten(const Card &card);
    static void say(const QString &line);

    Options options_;
    EncoderModel model_;
    PseudoTerminal pty_;
    std::unique_ptr<PortRegistration> registration_;
    QSocketNotifier *hostNotifier_ = nullptr;
    QSocketNotifier *commandNotifier_ = nullptr;
    QTimer dueTimer_;
    QTimer listenerTimer_;
    QByteArray commandBuffer_;
};
