#include "SimOptions.h"

#include "CardDeck.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace {

const char *const HelpStart = R"help(Usage: kvt450-sim [options]

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
                         back when the simulator ends. Meanwhile group
                         "Simulator" keeps COMN/Device, COMN/Earlier (the
                         earlier value; absent: none) and COMN/Process, so
                         that if this simulator is killed, the next one to
                         start puts the earlier value back
  --deck FILE            card data file: one card per line, "T1|T2|T3" and
                         CR LF or LF, tracks as below; each read takes the
                         next card, round and round
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
)help";

const char *const HelpEnd = R"help(
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
constexpr int QuickestKvtSwipeMs = 1000;
// A deck is read whole; no card data file of a real run comes near this.
constexpr qint64 LargestDeckBytes = 16 * 1024 * 1024;

const QStringList ValueOptions{"--mode",  "--port", "--auto-swipe", "--baud",
                               "--frame", "--deck", "--written"};

int fail(const QString &message) {
    std::fprintf(stderr, "kvt450-sim: %s\n", qPrintable(message));
    return 2;
}

std::optional<int> intValue(const QString &text, int lowest, int highest) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= lowest && value <= highest ? std::optional<int>(value) : std::nullopt;
}

std::optional<int> loadDeck(const QString &deckFile, Simulator::Options &options) {
    QFile file(deckFile);
    if (!file.open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("cannot read the deck %1: %2").arg(deckFile, file.errorString()));
    if (file.size() > LargestDeckBytes)
        return fail(QStringLiteral("the deck %1 is larger than %2 MiB; no deck needs that much")
                        .arg(deckFile)
                        .arg(LargestDeckBytes / (1024 * 1024)));
    QStringList notes;
    options.deck = CardDeck::parse(file.readAll(), &notes);
    for (const QString &note : std::as_const(notes))
        std::fprintf(stderr, "kvt450-sim: %s: %s\n", qPrintable(deckFile), qPrintable(note));
    if (options.deck.isEmpty())
        return fail(QStringLiteral("the deck %1 holds no card: each line must be "
                                   "\"track1|track2|track3\" and end in CR LF or LF")
                        .arg(deckFile));
    return std::nullopt;
}

// One option with its value; returns the exit code on a mistake.
std::optional<int> readValue(const QString &option, const QString &value,
                             Simulator::Options &options, EncoderModel::LineSpeed &line,
                             QString &deckFile) {
    if (option == QLatin1String("--mode")) {
        const QString mode = value.toLower().remove(QLatin1Char('-'));
        if (mode == QLatin1String("lrq118"))
            options.set = EncoderModel::CommandSet::Lrq118;
        else if (mode == QLatin1String("kvt380a"))
            options.set = EncoderModel::CommandSet::Kvt380a;
        else
            return fail(QStringLiteral("--mode is lrq118 or kvt380a, not \"%1\"").arg(value));
    } else if (option == QLatin1String("--port")) {
        options.port = intValue(value, 1, 32767);
        if (!options.port)
            return fail(QStringLiteral("--port needs a port number, not \"%1\"").arg(value));
    } else if (option == QLatin1String("--auto-swipe")) {
        options.autoSwipeMs = intValue(value, 0, 3600000);
        if (!options.autoSwipeMs)
            return fail(QStringLiteral("--auto-swipe needs milliseconds, not \"%1\"").arg(value));
    } else if (option == QLatin1String("--baud")) {
        const std::optional<int> baud = intValue(value, 1, 4000000);
        if (!baud)
            return fail(QStringLiteral("--baud needs a baud rate, not \"%1\"").arg(value));
        line.baud = *baud;
    } else if (option == QLatin1String("--frame")) {
        static const QRegularExpression shape(QStringLiteral("^([5-8])([neo])1$"));
        const QRegularExpressionMatch match = shape.match(value.toLower());
        if (!match.hasMatch())
            return fail(QStringLiteral("--frame is data bits, parity n, e or o, and 1 stop "
                                       "bit, such as 7o1 or 8n1, not \"%1\"")
                            .arg(value));
        line.dataBits = match.captured(1).toInt();
        line.parity = match.captured(2) != QLatin1String("n");
    } else if (option == QLatin1String("--deck")) {
        deckFile = value;
    } else {
        options.writtenFile = value;
    }
    return std::nullopt;
}

} // namespace

namespace SimOptions {

std::optional<int> read(const QStringList &args, Simulator::Options &options) {
    QString deckFile;
    bool pacedLine = false;
    EncoderModel::LineSpeed line;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(HelpStart, stdout);
            for (const QString &command : Simulator::commandHelp())
                std::fprintf(stdout, "  %s\n", qPrintable(command));
            std::fputs(HelpEnd, stdout);
            return 0;
        }
        if (arg == QLatin1String("--background")) {
            options.readCommands = false;
        } else if (arg == QLatin1String("--line-speed")) {
            pacedLine = true;
        } else if (!ValueOptions.contains(arg)) {
            return fail(QStringLiteral("unknown option: %1 (see kvt450-sim --help)").arg(arg));
        } else if (i + 1 >= args.size()) {
            return fail(QStringLiteral("%1 needs a value; see --help").arg(arg));
        } else if (const auto code = readValue(arg, args[++i], options, line, deckFile)) {
            return code;
        }
    }
    if (pacedLine)
        options.lineSpeed = line;
    if (!deckFile.isEmpty())
        return loadDeck(deckFile, options);
    return std::nullopt;
}

QStringList summary(const Simulator::Options &options) {
    const bool kvt = options.set == EncoderModel::CommandSet::Kvt380a;
    QStringList lines{QStringLiteral("Speaking the %1 command set.")
                          .arg(kvt ? QStringLiteral("KVT-380A") : QStringLiteral("LRQ118"))};
    QString setup = kvt ? QStringLiteral("KVT-380A encoder") : QStringLiteral("LRQ118 encoder");
    if (!options.deck.isEmpty())
        setup += QStringLiteral(", deck of %1 card%2")
                     .arg(options.deck.size())
                     .arg(options.deck.size() == 1 ? "" : "s");
    setup += options.autoSwipeMs
                 ? QStringLiteral(", automatic swipe after %1 ms").arg(*options.autoSwipeMs)
                 : QStringLiteral(", swipe by hand");
    if (const auto &line = options.lineSpeed)
        setup += QStringLiteral(", answers paced at %1 baud (%2 bits, %3 ms a byte)")
                     .arg(line->baud)
                     .arg(line->bitsPerByte())
                     .arg(std::chrono::duration<double, std::milli>(line->byteTime()).count(), 0,
                          'f', 1);
    lines << setup;
    if (kvt && options.autoSwipeMs && *options.autoSwipeMs < QuickestKvtSwipeMs)
        lines << QStringLiteral("note: a swipe this quick can come before the utility "
                                "listens for it; %1 ms or more is safe")
                     .arg(QuickestKvtSwipeMs);
    return lines;
}

} // namespace SimOptions
