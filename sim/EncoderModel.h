#pragma once

#include "Card.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>

// A KVT-450 series encoder seen from its serial line: it takes the bytes the host sends
// and produces the bytes the encoder answers, with a card in its slot that can be swiped.
// Time is passed in explicitly, so the model runs as well on a test's fake clock as on
// the steady clock.
class EncoderModel {
public:
    using Duration = std::chrono::nanoseconds;
    enum class CommandSet { Lrq118, Kvt380a };

    struct Indicators {
        bool ready = false;
        bool error = false;
    };

    // A command letter of the KVT-380A set that may carry a format character acts on its
    // own when no format character follows within this time.
    static constexpr Duration kFormatCharacterGap = std::chrono::milliseconds(50);
    // A command that never completes (a write block without its end) is dropped at this size.
    static constexpr int kLongestCommand = 4096;
    static constexpr int kAlways = -1;

    // How fast the serial line carries the encoder's answers: each byte takes a start bit,
    // its data bits, a parity bit if any and a stop bit.
    struct LineSpeed {
        int baud = 9600;
        int dataBits = 7;
        bool parity = true;

        [[nodiscard]] int bitsPerByte() const { return 1 + dataBits + (parity ? 1 : 0) + 1; }
        [[nodiscard]] Duration byteTime() const;
    };

    explicit EncoderModel(CommandSet set);

    [[nodiscard]] CommandSet commandSet() const { return set_; }

    // Bytes from the host, arriving at now.
    void receive(const QByteArray &bytes, Duration now);
    // The reply bytes due by now, in order; each byte is handed out once.
    [[nodiscard]] QByteArray takeOutput(Duration now);
    // When the model next has something to do on its own (a reply piece, an automatic
    // swipe, a command letter standing alone), or nothing.
    [[nodiscard]] std::optional<Duration> nextDue() const;
    // The card is swiped through the slot now.
    void swipe(Duration now);

    // Each time a command waits for a card, the card is swiped this long after it.
    void setAutoSwipe(std::optional<Duration> delay) { autoSwipe_ = delay; }
    // Every read swipes the next card of the deck (starting again after the last one);
    // a card put in by hand is read first.
    void setDeck(QList<Card> deck);
    [[nodiscard]] int deckSize() const { return static_cast<int>(deck_.size()); }
    // The card in the slot: the next read reads it, writes and erases change it.
    void insertCard(const Card &card);
    [[nodiscard]] const Card &card() const { return card_; }

    [[nodiscard]] bool waitingForSwipe() const { return waiting_.has_value(); }
    [[nodiscard]] Indicators indicators() const { return indicators_; }
    [[nodiscard]] bool highCoercivity() const { return highCoercivity_; }
    // A summary of the encoder's state for a person: slot, waiting, indicators, faults.
    [[nodiscard]] QStringList status() const;

    // One plain line per event (card read, written, erased, fault, waiting for a swipe).
    void setEventSink(std::function<void(const QString &)> sink) { eventSink_ = std::move(sink); }
    // Called with the card in the slot after each successful write.
    void setWrittenSink(std::function<void(const Card &)> sink) { writtenSink_ = std::move(sink); }

    // Faults. Silent: every byte is ignored, nothing is answered.
    void setSilent(bool silent) { silent_ = silent; }
    // The next `times` replies to a command (kAlways: every one) are `reply` instead. A
    // command is named by its ESC and command byte (LRQ118) or its letter (KVT-380A); EOT
    // names the acknowledgement of a track's data. The reply replaced is the command's
    // first one: the immediate answer, or the answer after the swipe when there is none.
    void answerWrongly(const QByteArray &command, const QByteArray &reply, int times = 1);
    // Every reply leaves in pieces of `bytes`, one piece every `gap`; 0 bytes: whole.
    void answerInPieces(int bytes, Duration gap);
    // Answers arrive one byte per byte time of the line, each byte once it has been carried
    // whole; none (the default), or a speed of no baud: a whole answer arrives at once.
    void setLineSpeed(std::optional<LineSpeed> speed);
    [[nodiscard]] std::optional<LineSpeed> lineSpeed() const { return lineSpeed_; }
    // The next read (or write or erase) fails as if the card could not be read (written).
    void failNextRead() { failRead_ = true; }
    void failNextWrite() { failWrite_ = true; }
    // The encoder is gone, as an unplugged adapter: nothing is taken or answered any more.
    void vanish();
    void reappear() { vanished_ = false; }
    [[nodiscard]] bool vanished() const { return vanished_; }
    void clearFaults();

private:
    enum class Operation { Read, RawRead, Write, RawWrite, Erase, KvtRead, KvtWrite, KvtErase };
    struct Waiting {
        Waiting(Operation operation, Duration since, QByteArray command,
                std::array<TrackFormat, 3> formats = {})
            : operation(operation), since(since), command(std::move(command)), formats(formats) {}

        Operation operation;
        Duration since;
        QByteArray command;
        std::array<TrackFormat, 3> formats;
        std::array<std::optional<Track>, 3> tracks{};
        QString problem;
        int mask = 0;
    };
    struct DataEntry {
        DataEntry(int track, TrackFormat format, int density)
            : track(track), format(format), density(density) {}

        int track;
        TrackFormat format;
        int density;
        QByteArray data;
        int zeros = 0;
    };
    struct Scheduled {
        Duration at;
        QByteArray bytes;
    };
    struct WrongAnswer {
        QByteArray reply;
        int times;
    };

    void settle(Duration now);
    void parse(Duration now);
    // Each returns the bytes taken from the front of the input, 0 to wait for more.
    qsizetype stepLrq118(Duration now);
    qsizetype stepKvt380a(Duration now);
    qsizetype takeData(Duration now);

    void reset();
    void beginWait(Waiting waiting, const QString &what);
    void cancelWait();
    void completeSwipe(Duration at);
    void finishRead(const Waiting &waiting, Duration at);
    void finishWrite(const Waiting &waiting, Duration at);
    void finishErase(const Waiting &waiting, Duration at);
    [[nodiscard]] Card cardForRead();
    void lrq118WriteBlock(const QByteArray &command, const QByteArray &block, bool raw,
                          Duration now);
    void kvtStage(DataEntry entry, Duration now);
    void resetByDel(Duration now);
    // When bytes waiting for a possible next byte (a format character, or data after a
    // DEL) are to be taken on their own.
    [[nodiscard]] std::optional<Duration> gapDue() const;
    [[nodiscard]] QByteArray kvtTrackReply(int track, TrackFormat format) const;

    void answer(const QByteArray &command, QByteArray reply, Duration at);
    void send(const QByteArray &bytes, Duration at);
    // One piece of an answer onto the line, leaving at `leaves`.
    void carry(const QByteArray &piece, Duration leaves);
    void event(const QString &line) const;

    CommandSet set_;
    QByteArray in_;
    Duration lastByteAt_{};
    std::deque<Scheduled> out_;
    std::optional<Waiting> waiting_;
    std::optional<DataEntry> entry_;
    std::array<std::optional<Track>, 3> staged_{};
    int eraseMask_ = 0;
    std::array<int, 3> densities_{kHighDensity, kLowDensity, kHighDensity};
    Indicators indicators_;
    bool highCoercivity_ = true;

    Card card_;
    bool cardByHand_ = false;
    QList<Card> deck_;
    qsizetype nextDeckCard_ = 0;
    Card lastRead_;
    bool lastReadFailed_ = false;
    std::optional<Duration> autoSwipe_;

    bool silent_ = false;
    bool vanished_ = false;
    bool failRead_ = false;
    bool failWrite_ = false;
    int pieceBytes_ = 0;
    Duration pieceGap_{};
    std::optional<LineSpeed> lineSpeed_;
    Duration lineFreeAt_{};
    QHash<QByteArray, WrongAnswer> wrong_;

    std::function<void(const QString &)> eventSink_;
    std::function<void(const Card &)> writtenSink_;
};
