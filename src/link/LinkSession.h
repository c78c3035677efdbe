#pragma once

#include "link/Clock.h"
#include "link/SwipeResult.h"
#include "link/Waiter.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

class CommControl;
struct MainModule;
struct PortConfig;

// What a protocol procedure needs from the prompt window that runs it.
class SwipePrompt {
public:
    virtual ~SwipePrompt() = default;
    // On while the encoder waits for the operator to swipe a card, off otherwise.
    virtual void showSwipePrompt(bool shown) = 0;
    // True once after the operator pressed Skip; taking it clears the request and
    // re-enables the Skip button.
    virtual bool takeSkipRequest() { return false; }
    // The port could not be opened again inside a procedure.
    virtual void portFailed(const QString &why) = 0;
};

// Besides its condition and its limit, what ends a wait.
enum class Stop {
    Never,
    OnCancel,            // CancelRequested
    OnCancelOrReplyDone, // CancelRequested or ReplyDone
};

struct WaitSpec {
    std::optional<Duration> limit; // none: only the condition or a stop ends it
    bool yields = true;
    Stop stop = Stop::Never;
};

inline constexpr auto ResetReplyLimit = std::chrono::seconds(2);
inline constexpr auto ResetPause = std::chrono::milliseconds(300);
inline constexpr auto OpeningReplyLimit = std::chrono::seconds(1);
inline constexpr auto IndicatorReplyLimit = std::chrono::seconds(1);
inline constexpr auto CollectSilence = std::chrono::milliseconds(300);
// A SendAndWait that cannot yield cannot be cancelled, so it gives up after this.
inline constexpr auto UnyieldingReplyLimit = std::chrono::seconds(2);
// A reply is over once the line has been quiet for this many character times, and never
// sooner than MinimumQuietGap: a USB serial adapter hands bytes on in bursts up to ~16 ms
// apart, which must not read as the end of a reply.
inline constexpr int QuietCharacters = 6;
inline constexpr auto MinimumQuietGap = std::chrono::milliseconds(25);
// More than any reply of either command set; a line still busy after this many character
// times past the wait's own length carries no reply but noise.
inline constexpr int LongestReplyCharacters = 512;
// After an answer to the KVT-380A read request other than "^" the read is issued again, but
// not at once: a confused encoder must not drive thousands of reads a second.
inline constexpr auto KvtReadRetryPause = std::chrono::milliseconds(50);
// KVT-380A: the time each track's answer is given before it is taken.
inline constexpr std::array<Duration, 3> KvtTrackReplyTimes = {
    std::chrono::milliseconds(300), std::chrono::milliseconds(200), std::chrono::milliseconds(300)};
inline constexpr auto ClosingReplyLimit = std::chrono::seconds(2);

// The variants of the link primitives that the windows need, with the common behaviour as
// their defaults.
struct SendAndWaitRule {
    // Yields before sending and between polls; one that does not is bounded instead.
    bool yields = true;
    bool opensPort = false;
    // Pause after the first reply byte before the reply is taken.
    Duration settle{};
    bool lastCharacterOnly = false;
    Stop stop = Stop::OnCancel;
    // How long to wait for the first byte; none: until a stop (or UnyieldingReplyLimit).
    std::optional<Duration> limit{};
};

struct IndicatorRule {
    bool yieldsFirst = true;
    bool opensPortLrq118 = false;
    bool opensPortKvt380a = false;
    Duration replyLimit = IndicatorReplyLimit;
    Stop stop = Stop::Never;
};

struct ReadyRule {
    bool flushesFirst = false;
    // The answer stays in the receive buffer for the next read to discard.
    bool leavesReply = false;
};

struct ResetRule {
    bool yieldsFirst = false;
    Duration replyLimit = ResetReplyLimit;
    // Pause after the first reply byte before the reply is taken.
    Duration settle{};
};

// One prompt window's link to the encoder: its port, the shared state, the waits, and the
// primitives both command sets' procedures are made of.
class LinkSession {
public:
    inline static const QByteArray NoReply = "ERR";

    LinkSession(MainModule &state, CommControl &port, Waiter &waiter, SwipePrompt &prompt,
                const PortConfig &config);

    [[nodiscard]] bool isKvt380a() const;
    [[nodiscard]] MainModule &state() { return state_; }
    [[nodiscard]] CommControl &port() { return port_; }
    [[nodiscard]] SwipePrompt &prompt() { return prompt_; }
    [[nodiscard]] bool stopped(Stop stop) const;
    [[nodiscard]] bool cancelRequested() const;

    // Closes the port if open, applies the port chosen in setup, opens it.
    bool openPort();
    bool reopenIfClosed();
    // As reopenIfClosed, for the steps that follow a Cancel: a port that cannot be opened
    // then is not worth telling the operator about.
    void reopenQuietly();
    void closePort();

    void send(const QByteArray &bytes);
    QByteArray input();
    void discardInput();

    [[nodiscard]] Duration now() const;
    // Lets the user interface handle what is pending, without sleeping.
    void yieldOnce();
    WaitEnd pause(Duration length, bool yields = true, Stop stop = Stop::Never);
    // Waits until condition holds; `ended`, when given, is a further stop tested along with
    // the wait's own.
    WaitEnd waitFor(const std::function<bool()> &condition, const WaitSpec &wait,
                    const std::function<bool()> &ended = {});
    WaitEnd waitForBytes(int count, const WaitSpec &wait, const std::function<bool()> &ended = {});
    // "Take what has arrived after a fixed time", safe at any line speed: waits at least
    // atLeast, then on while bytes are still arriving, until the line has been quiet for
    // quietGap(). Met: the line went quiet; TimedOut: bytes were still arriving
    // LongestReplyCharacters character times after atLeast; Cancelled: a stop ended it.
    WaitEnd pauseUntilQuiet(Duration atLeast, bool yields = true, Stop stop = Stop::Never);
    [[nodiscard]] Duration quietGap() const;
    // Without yielding: waits up to limit for count bytes, then until at least settle has
    // passed since the call, however soon they came.
    WaitEnd waitForBytesAndSettle(int count, Duration limit, Duration settle);
    // Sends command, then collects everything until the line has been silent for
    // CollectSilence; a stop ends it early.
    QByteArray collectUntilSilence(const QByteArray &command, bool yieldsFirst, Stop stop);

    // Sends command and returns the reply as it stands at its first byte, or "ERR" when a
    // stop ended the wait.
    QByteArray SendAndWait(const QByteArray &command, const SendAndWaitRule &rule = {});
    void SetErrorIndicator(bool on, const IndicatorRule &rule = {});
    void SetReadyIndicator(const ReadyRule &rule = {});

    // KVT-380A, after the read request: waits up to limit for its answer. NotDone on
    // Cancel, Failed when none came, nothing when the answer is waiting.
    [[nodiscard]] std::optional<SwipeResult> awaitReadAnswer(Duration limit);
    // KVT-380A: the swipe is announced by a "^" alone, whenever the operator gets to it;
    // false on Cancel.
    [[nodiscard]] bool awaitSwipe();
    // KVT-380A, after a wrong answer to the read request: KvtReadRetryPause (Cancel ends
    // it), the rest of the answer discarded, and NotDone, so that the read is issued again.
    [[nodiscard]] SwipeResult readAgainLater();
    // KVT-380A, after the request for a track (0 to 2): its whole answer into `answer`, taken
    // once the track's time is over and the line has gone quiet. Done; NotDone on Cancel;
    // Failed, with the input discarded, when the answer would not end.
    [[nodiscard]] SwipeResult takeTrackAnswer(std::size_t track, QByteArray &answer);

    // Fills Track1Data, Track2Data and Track3Data.
    void storeTracks(const std::array<QByteArray, 3> &tracks);

    // What a window that reads cards sends when it closes (KVT-380A DEL; LRQ118 ESC a,
    // error off and ready on, as three sends), then the first answer, up to
    // ClosingReplyLimit, discarded.
    void ReadingClosing();

    // The opening handshake's steps; the handshake fails when a step returns false.
    [[nodiscard]] bool ResetStep(const ResetRule &rule = {});
    void PauseAfterReset();
    // LRQ118 sends 1B 84; KVT-380A sends kvtCommand and needs exactly "^" within 1 s.
    [[nodiscard]] bool OpeningCommand(const QByteArray &kvtCommand);

private:
    MainModule &state_;
    CommControl &port_;
    Waiter &waiter_;
    SwipePrompt &prompt_;
    const PortConfig &config_;
};
