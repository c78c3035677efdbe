#include "CardDeck.h"
#include "Simulator.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char *const kHelp = R"help(Usage: kvt450-sim [options]

A virtual KVT-450 series encoder on a pseudo-terminal, for trying the KVT-450
utility without hardware. It prints the device path of its port, then one line
per event: card read, card written, erased, fault, waiting for a swipe. A
write is told track by track, "wrote track 2: 0B 3F (custom 6-bit, 75 BPI)",
then as the whole card, "card written: track 1 ..., track 2 ..., track 3 ...".

Options:
  --mode lrq118|kvt380a  command set the encoder speaks (default kvt380a)
  --port N               the utility finds the encoder as port N while the
                         simulator runs: the device path is put in its settings
                         (group "Ports", key "COMN"); the earlier value is put
                         back when the simulator ends
  --deck FILE            card data file: one card per line, "T1|T2|T3" and
                         CR LF, tracks as below; each read takes the next
                         card, round and round
  --auto-swipe MS        swipe the card MS milliseconds after the encoder asks
                         for one (kvt380a: use 1000 or more, or the swipe comes
                         before the utility listens for it)
  --written FILE         add each card written to FILE as a card data record,
                         tracks as below
  --line-speed           send answers no faster than the serial line would: one
                         byte every (1 start + data + parity + 1 stop) bits at
                         the baud rate, at 1200 baud 7o1 every 8.3 ms (default:
                         whole answers at once)
  --baud N               the baud rate for --line-speed (default 9600)
  --frame DPS            data bits, parity and stop bits for --line-speed:
                         7o1, 7e1, 7n1, 8n1, ... (default 7o1)
  --background           read no commands from standard input
  -h, --help             show this help

Commands on standard input, one per line:
  swipe                  swipe the card in the slot now
  card T1|T2|T3          put a card in the slot (read next, even with a deck)
  blank                  put a blank card in the slot
  show                   show the card, the deck and the encoder's state
  fault silent           answer nothing until "fault clear"
  fault wrong CMD REPLY [N|always]
                         answer CMD with REPLY, in hex: fault wrong 1b65 00
  fault pieces BYTES MS  send replies in pieces of BYTES, MS milliseconds apart
  fault read | write     the next read | the next write or erase fails
  fault vanish           close the port, as an unplugged adapter
  fault clear            end all faults; after "vanish" a new port is opened
  quit                   end; so do the end of the input, Ctrl+C and SIGTERM

Tracks, in decks, in "card" and in the --written file:
  ABC                    text in the track's ISO format and density
  + or nothing | *       blank track | damaged track (reads as "*")
  {t1}ABC {t2}123 {t3}1  text in the standard format T1, T2 or T3
  {5}1F 03 {6}0B3F {7}41 custom values of 5, 6 or 7 bits, in hex
  {6@75}0B 3F            "@210" or "@75" names the density; without it the
                         track's ISO density (210 BPI, 75 BPI for track 2)

Example: kvt450-sim --port 1 --deck sim/decks/sample.txt --auto-swipe 1500
)help";

// The utility listens for the KVT-380A swipe only half a second after asking for one.
constexpr int kQuickestKvtSwipeMs = 1000;

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// Ctrl+C, SIGTERM and a closed terminal end the event loop, so that the settings are
// put back as on any other end.
bool quitOnSignals(QCoreApplication &app) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int fail(const QString &message) {
    std::fprintf(stderr, "kvt450-sim: %s\n", qPrintable(message));
    return 2;
}

std::optional<int> intValue(const QString &text, int lowest, int highest) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= lowest && value <= highest ? std::optional<int>(value) : std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    Simulator::Options options;
    const QStringList args = app.arguments().mid(1);
    QString deckFile;
    bool pacedLine = false;
    EncoderModel::LineSpeed line;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == QLatin1String("--background")) {
            options.readCommands = false;
            continue;
        }
        if (arg == QLatin1String("--line-speed")) {
            pacedLine = true;
            continue;
        }
        const std::optional<QString> given = value();
        if (!given)
            return fail(QStringLiteral("%1 needs a value; see --help").arg(arg));
        if (arg == QLatin1String("--mode")) {
            const QString mode = given->toLower().remove(QLatin1Char('-'));
            if (mode == QLatin1String("lrq118"))
                options.set = EncoderModel::CommandSet::Lrq118;
            else if (mode == QLatin1String("kvt380a"))
                options.set = EncoderModel::CommandSet::Kvt380a;
            else
                return fail(QStringLiteral("--mode is lrq118 or kvt380a, not \"%1\"").arg(*given));
        } else if (arg == QLatin1String("--port")) {
            options.port = intValue(*given, 1, 32767);
            if (!options.port)
                return fail(QStringLiteral("--port needs a port number, not \"%1\"").arg(*given));
        } else if (arg == QLatin1String("--auto-swipe")) {
            options.autoSwipeMs = intValue(*given, 0, 3600000);
            if (!options.autoSwipeMs)
                return fail(
                    QStringLiteral("--auto-swipe needs milliseconds, not \"%1\"").arg(*given));
        } else if (arg == QLatin1String("--baud")) {
            const std::optional<int> baud = intValue(*given, 1, 4000000);
            if (!baud)
                return fail(QStringLiteral("--baud needs a baud rate, not \"%1\"").arg(*given));
            line.baud = *baud;
        } else if (arg == QLatin1String("--frame")) {
            const QString frame = given->toLower();
            static const QRegularExpression shape(QStringLiteral("^([5-8])([neo])1$"));
            const QRegularExpressionMatch match = shape.match(frame);
            if (!match.hasMatch())
                return fail(QStringLiteral("--frame is data bits, parity n, e or o, and 1 stop "
                                           "bit, such as 7o1 or 8n1, not \"%1\"")
                                .arg(*given));
            line.dataBits = match.captured(1).toInt();
            line.parity = match.captured(2) != QLatin1String("n");
        } else if (arg == QLatin1String("--deck")) {
            deckFile = *given;
        } else if (arg == QLatin1String("--written")) {
            options.writtenFile = *given;
        } else {
            return fail(QStringLiteral("unknown option \"%1\"; see --help").arg(arg));
        }
    }

    if (!deckFile.isEmpty()) {
        QFile file(deckFile);
        if (!file.open(QIODevice::ReadOnly))
            return fail(
                QStringLiteral("cannot read the deck %1: %2").arg(deckFile, file.errorString()));
        const QByteArray text = file.readAll();
        QStringList notes;
        options.deck = CardDeck::parse(text, &notes);
        for (const QString &note : std::as_const(notes))
            std::fprintf(stderr, "kvt450-sim: %s: %s\n", qPrintable(deckFile), qPrintable(note));
        if (options.deck.isEmpty())
            return fail(QStringLiteral("the deck %1 holds no card: each line must be "
                                       "\"track1|track2|track3\" ending in CR LF%2")
                            .arg(deckFile, text.contains('\n') && !text.contains("\r\n")
                                               ? QStringLiteral(" (its lines end in LF only)")
                                               : QString()));
    }
    if (pacedLine)
        options.lineSpeed = line;
    if (!quitOnSignals(app))
        return fail(QStringLiteral("cannot watch for Ctrl+C"));

    Simulator simulator(options);
    QObject::connect(&simulator, &Simulator::finished, &app, &QCoreApplication::quit);
    QString error;
    if (!simulator.start(error))
        return fail(error);
    QString summary = options.set == EncoderModel::CommandSet::Lrq118
                          ? QStringLiteral("LRQ118 encoder")
                          : QStringLiteral("KVT-380A encoder");
    if (!options.deck.isEmpty())
        summary += QStringLiteral(", deck of %1 card%2")
                       .arg(options.deck.size())
                       .arg(options.deck.size() == 1 ? "" : "s");
    summary += options.autoSwipeMs
                   ? QStringLiteral(", automatic swipe after %1 ms").arg(*options.autoSwipeMs)
                   : QStringLiteral(", swipe by hand");
    if (options.lineSpeed)
        summary +=
            QStringLiteral(", answers paced at %1 baud (%2 bits, %3 ms a byte)")
                .arg(line.baud)
                .arg(line.bitsPerByte())
                .arg(std::chrono::duration<double, std::milli>(line.byteTime()).count(), 0, 'f', 1);
    if (options.set == EncoderModel::CommandSet::Kvt380a && options.autoSwipeMs &&
        *options.autoSwipeMs < kQuickestKvtSwipeMs)
        summary += QStringLiteral("\nnote: a swipe this quick can come before the utility "
                                  "listens for it; %1 ms or more is safe")
                       .arg(kQuickestKvtSwipeMs);
    std::fputs(qPrintable(summary + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    return app.exec();
}
