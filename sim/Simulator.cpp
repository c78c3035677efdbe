#include "Simulator.h"

#include "CardDeck.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

std::optional<int> number(const QByteArray &word) {
    bool ok = false;
    const int value = word.toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}

std::optional<QByteArray> hexBytes(const QByteArray &word) {
    if (word.isEmpty() || word.size() % 2 != 0)
        return std::nullopt;
    for (const char c : word) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    return QByteArray::fromHex(word);
}

} // namespace

QStringList Simulator::commandHelp() {
    return {
        QStringLiteral("swipe                  swipe the card in the slot now"),
        QStringLiteral("card T1|T2|T3          put a card in the slot (read next, even with a "
                       "deck)"),
        QStringLiteral("blank                  put a blank card in the slot"),
        QStringLiteral("show                   show the card, the deck and the encoder's state"),
        QStringLiteral("fault silent           answer nothing until \"fault clear\""),
        QStringLiteral("fault wrong CMD REPLY [N|always]"),
        QStringLiteral("                       answer CMD with REPLY, in hex: fault wrong 1b65 "
                       "00"),
        QStringLiteral("fault pieces BYTES MS  send replies in pieces of BYTES, MS milliseconds "
                       "apart"),
        QStringLiteral("fault read | write     the next read | the next write or erase fails"),
        QStringLiteral("fault vanish           close the port, as an unplugged adapter"),
        QStringLiteral("fault clear            end all faults; after \"vanish\" a new port is "
                       "opened"),
        QStringLiteral("help                   show these commands"),
        QStringLiteral("quit                   end; so do the end of the input, Ctrl+C and "
                       "SIGTERM"),
    };
}

Simulator::Simulator(Options options, QObject *parent)
    : QObject(parent), options_(std::move(options)), model_(options_.set) {
    model_.setEventSink([](const QString &line) { say(line); });
    model_.setWrittenSink([this](const Card &card) { appendWritten(card); });
    if (!options_.deck.isEmpty())
        model_.setDeck(options_.deck);
    model_.setLineSpeed(options_.lineSpeed);
    if (options_.autoSwipeMs)
        model_.setAutoSwipe(std::chrono::milliseconds(*options_.autoSwipeMs));
    dueTimer_.setSingleShot(true);
    dueTimer_.setTimerType(Qt::PreciseTimer);
    connect(&dueTimer_, &QTimer::timeout, this, &Simulator::pump);
    listenerTimer_.setSingleShot(true);
    listenerTimer_.setInterval(kNoListenerPoll);
    connect(&listenerTimer_, &QTimer::timeout, this, [this] {
        if (hostNotifier_)
            hostNotifier_->setEnabled(true);
    });
}

Simulator::~Simulator() {
    closePort();
}

bool Simulator::start(QString &error) {
    // Before a pseudo-terminal of ours could take the number of a dead simulator's one.
    for (const PortRegistrationRecord &record : PortRegistration::restoreStale())
        say(QStringLiteral("port %1 was left registered to %2 by a simulator that did not end "
                           "cleanly; %3")
                .arg(record.port)
                .arg(record.device, record.earlier
                                        ? QStringLiteral("it is back to %1").arg(*record.earlier)
                                        : QStringLiteral("it is unregistered again")));
    if (!openPort(error))
        return false;
    if (options_.readCommands) {
        commandNotifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(commandNotifier_, &QSocketNotifier::activated, this, &Simulator::readCommands);
        say(QStringLiteral("type \"help\" for the commands"));
    }
    return true;
}

EncoderModel::Duration Simulator::now() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

bool Simulator::openPort(QString &error) {
    if (!pty_.open(error))
        return false;
    say(QStringLiteral("device: %1").arg(pty_.devicePath()));
    if (options_.port) {
        registration_.reset();
        registration_ = std::make_unique<PortRegistration>(*options_.port, pty_.devicePath());
        say(QStringLiteral("registered as port %1 (%2 in %3)")
                .arg(*options_.port)
                .arg(registration_->key(), PortRegistration::storeFile()));
    }
    hostNotifier_ = new QSocketNotifier(pty_.fd(), QSocketNotifier::Read, this);
    connect(hostNotifier_, &QSocketNotifier::activated, this, &Simulator::readHost);
    return true;
}

void Simulator::closePort() {
    delete hostNotifier_;
    hostNotifier_ = nullptr;
    listenerTimer_.stop();
    registration_.reset();
    pty_.close();
}

void Simulator::readHost() {
    QByteArray bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(pty_.fd(), chunk, sizeof chunk);
        if (n > 0) {
            bytes.append(chunk, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EIO: no program has the port open. Look again a little later rather than spin.
        if (n < 0 && errno == EIO && hostNotifier_) {
            hostNotifier_->setEnabled(false);
            listenerTimer_.start();
        }
        break;
    }
    if (!bytes.isEmpty())
        model_.receive(bytes, now());
    pump();
}

void Simulator::pump() {
    const EncoderModel::Duration at = now();
    const QByteArray out = model_.takeOutput(at);
    if (!out.isEmpty())
        sendToHost(out);
    if (model_.vanished() && pty_.isOpen()) {
        closePort();
        say(QStringLiteral("the port is gone; \"fault clear\" opens a new one"));
    }
    const std::optional<EncoderModel::Duration> due = model_.nextDue();
    if (!due) {
        dueTimer_.stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - at);
    dueTimer_.start(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(1)));
}

void Simulator::sendToHost(const QByteArray &bytes) {
    if (!pty_.isOpen())
        return;
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(pty_.fd(), bytes.constData() + sent, bytes.size() - sent);
        if (n > 0)
            sent += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    // Nobody listening, or a listener that stopped reading: the bytes are lost, as they
    // would be on a serial line.
}

void Simulator::readCommands() {
    char chunk[4096];
    ssize_t n = 0;
    do {
        n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    } while (n < 0 && errno == EINTR);
    if (n > 0)
        commandBuffer_.append(chunk, n);
    for (qsizetype end = commandBuffer_.indexOf('\n'); end >= 0;
         end = commandBuffer_.indexOf('\n')) {
        const QByteArray line = commandBuffer_.left(end);
        commandBuffer_.remove(0, end + 1);
        command(line);
    }
    if (n <= 0) {
        if (!commandBuffer_.isEmpty())
            command(std::exchange(commandBuffer_, {}));
        commandNotifier_->setEnabled(false);
        Q_EMIT finished();
    }
}

void Simulator::command(const QByteArray &line) {
    const QByteArray text = line.trimmed();
    const QList<QByteArray> words = text.simplified().split(' ');
    const QByteArray verb = words.first().toLower();
    if (text.isEmpty())
        return;
    if (verb == "swipe") {
        model_.swipe(now());
    } else if (verb == "card") {
        const QList<QByteArray> tracks = text.mid(4).trimmed().split('|');
        if (tracks.size() != 3) {
            say(QStringLiteral("usage: card TRACK1|TRACK2|TRACK3 (\"+\" or nothing: blank, "
                               "\"*\": damaged, {t1}ABC: a standard format, {6}0B 3F: "
                               "custom values; see --help)"));
            return;
        }
        QStringList problems;
        const Card card = Card::fromTexts(tracks[0], tracks[1], tracks[2], &problems);
        if (!problems.isEmpty()) {
            say(QStringLiteral("card not put in the slot: %1")
                    .arg(problems.join(QStringLiteral("; "))));
            return;
        }
        model_.insertCard(card);
        say(QStringLiteral("card in the slot: %1").arg(model_.card().describe()));
    } else if (verb == "blank") {
        model_.insertCard(Card{});
        say(QStringLiteral("card in the slot: %1").arg(model_.card().describe()));
    } else if (verb == "show") {
        if (pty_.isOpen())
            say(QStringLiteral("device: %1").arg(pty_.devicePath()));
        for (const QString &status : model_.status())
            say(status);
    } else if (verb == "fault") {
        fault(words);
    } else if (verb == "quit" || verb == "exit") {
        Q_EMIT finished();
    } else if (verb == "help") {
        for (const QString &help : commandHelp())
            say(help);
    } else {
        say(QStringLiteral("unknown command \"%1\"; \"help\" lists the commands")
                .arg(QString::fromLatin1(text)));
    }
    pump();
}

void Simulator::fault(const QList<QByteArray> &words) {
    const QByteArray kind = words.value(1).toLower();
    if (kind == "silent") {
        model_.setSilent(true);
        say(QStringLiteral("fault: silent from now on"));
    } else if (kind == "wrong" && words.size() >= 4 && words.size() <= 5) {
        const std::optional<QByteArray> command = hexBytes(words[2]);
        const std::optional<QByteArray> reply = hexBytes(words[3]);
        const QByteArray times = words.value(4, "1").toLower();
        const std::optional<int> count =
            times == "always" ? std::optional<int>(EncoderModel::kAlways) : number(times);
        if (!command || !reply || !count || *count == 0) {
            say(QStringLiteral("usage: fault wrong CMD REPLY [N|always], CMD and REPLY in hex, "
                               "for example: fault wrong 1b65 1b7958"));
            return;
        }
        model_.answerWrongly(*command, *reply, *count);
        say(QStringLiteral("fault: %1 will be answered %2 %3")
                .arg(QString::fromLatin1(words[2]), QString::fromLatin1(words[3]),
                     *count == EncoderModel::kAlways ? QStringLiteral("always")
                                                     : QStringLiteral("%1 time(s)").arg(*count)));
    } else if (kind == "pieces" && words.size() == 4 && number(words[2]) && number(words[3])) {
        model_.answerInPieces(*number(words[2]), std::chrono::milliseconds(*number(words[3])));
        say(QStringLiteral("fault: replies in pieces of %1 bytes, %2 ms apart")
                .arg(*number(words[2]))
                .arg(*number(words[3])));
    } else if (kind == "read") {
        model_.failNextRead();
        say(QStringLiteral("fault: the next read fails"));
    } else if (kind == "write") {
        model_.failNextWrite();
        say(QStringLiteral("fault: the next write or erase fails"));
    } else if (kind == "vanish") {
        model_.vanish();
    } else if (kind == "clear") {
        const bool reopen = !pty_.isOpen();
        model_.clearFaults();
        say(QStringLiteral("faults cleared"));
        QString error;
        if (reopen && !openPort(error))
            say(error);
    } else {
        say(QStringLiteral("usage: fault silent | wrong CMD REPLY [N|always] | pieces BYTES MS | "
                           "read | write | vanish | clear"));
    }
}

void Simulator::appendWritten(const Card &card) {
    if (options_.writtenFile.isEmpty())
        return;
    QFile file(options_.writtenFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) ||
        file.write(CardDeck::record(card)) < 0)
        say(QStringLiteral("cannot add the card to %1: %2")
                .arg(options_.writtenFile, file.errorString()));
}

void Simulator::say(const QString &line) {
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}
