#pragma once

#include "link/Clock.h"
#include "link/IsoFrames.h"
#include "link/SwipeResult.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <optional>

class CommControl;
class Waiter;
struct MainModule;

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

// Both ISO command sets ("KVT-380A", anything else is LRQ118) as one set of procedures.
// Each prompt window owns one, configured by the Options of its variant.
class IsoProtocol {
public:
    // Which frames the window's unload sends.
    enum class Closing { ReadWindow, WriteWindow, EraseWindow, CopyWindow, SaveWindow, FileWindow };
    // How ReadTracks reads: as the read window, the copy window or the save window does.
    enum class Read { Standard, Copy, Save };
    enum class Opening { Read, Write };

    static constexpr auto ResetReplyLimit = std::chrono::seconds(2);
    static constexpr auto ResetPause = std::chrono::milliseconds(300);
    static constexpr auto OpeningReplyLimit = std::chrono::seconds(1);
    static constexpr auto IndicatorReplyLimit = std::chrono::seconds(1);
    static constexpr auto LrqReadSettle = std::chrono::seconds(1);
    static constexpr auto CopyReadPause = std::chrono::milliseconds(500);
    static constexpr auto CopyReadSettle = std::chrono::milliseconds(500);
    static constexpr auto KvtReadAckLimit = std::chrono::milliseconds(500);
    static constexpr std::array<Duration, 3> KvtTrackReplyTimes = {std::chrono::milliseconds(300),
                                                                   std::chrono::milliseconds(200),
                                                                   std::chrono::milliseconds(300)};
    static constexpr auto CollectSilence = std::chrono::milliseconds(300);
    static constexpr auto WritePause = std::chrono::milliseconds(500);
    static constexpr auto ErasePause = std::chrono::milliseconds(500);
    static constexpr auto EraseSettle = std::chrono::milliseconds(300);
    // The encoder answers the density frame at once; a silent one must not hang the window.
    static constexpr auto PrepareWriteReplyLimit = std::chrono::seconds(3);
    static constexpr auto PrepareWriteSettle = std::chrono::milliseconds(300);
    // A SendAndWait that cannot yield cannot be cancelled, so it gives up after this.
    static constexpr auto UnyieldingReplyLimit = std::chrono::seconds(2);
    static constexpr auto ReadClosingReplyLimit = std::chrono::seconds(2);
    static constexpr auto CopyClosingReplyLimit = std::chrono::milliseconds(500);
    static constexpr auto CopyClosingPause = std::chrono::milliseconds(200);
    static constexpr auto WaitReadyReplyLimit = std::chrono::milliseconds(500);
    static constexpr auto WaitReadyPause = std::chrono::milliseconds(200);
    static constexpr auto FileSendAndWaitSettle = std::chrono::milliseconds(100);
    static constexpr auto IncrementalResetReplyLimit = std::chrono::milliseconds(500);
    static constexpr auto IncrementalResetSettle = std::chrono::milliseconds(100);

    struct Options {
        // Yield before sending and between polls; when off the wait is bounded instead.
        bool sendAndWaitYields = true;
        bool sendAndWaitOpensPort = false;
        // Pause after the first reply byte before taking the reply.
        Duration sendAndWaitSettle{};
        bool errorIndicatorYields = true;
        bool errorIndicatorOpensPortLrq118 = false;
        bool errorIndicatorOpensPortKvt380a = false;
        // The reply wait also ends on CancelRequested or ReplyDone.
        bool errorIndicatorWaitEnds = false;
        // KVT-380A reset: how long the reply may take, the pause before taking it, and
        // whether it yields before sending.
        Duration resetReplyLimit = ResetReplyLimit;
        Duration resetSettle{};
        bool resetYieldsFirst = false;
        Read read = Read::Standard;
        // LRQ118 write: pause before the frame, and the flushes around it.
        bool writePauses = true;
        bool writeFlushes = true;
        // Skip and Cancel during the swipe wait end the write with Skipped.
        bool writeSkips = false;
        // KVT-380A write: the command and final answers must be exactly "^".
        bool writeAckExact = false;
        Closing closing = Closing::ReadWindow;
    };

    [[nodiscard]] static Options forReadWindow();
    [[nodiscard]] static Options forWriteWindow();
    [[nodiscard]] static Options forCopyWindow();
    [[nodiscard]] static Options forEraseWindow();
    [[nodiscard]] static Options forIncrementalWindow();
    [[nodiscard]] static Options forSaveWindow();
    [[nodiscard]] static Options forEncodeFromFileWindow();

    inline static const QByteArray NoReply = "ERR";

    IsoProtocol(MainModule &state, CommControl &port, Waiter &waiter, SwipePrompt &prompt,
                Options options);

    [[nodiscard]] bool isKvt380a() const;

    // Sends command and returns the first reply, or "ERR" when the wait was cancelled.
    QByteArray SendAndWait(const QByteArray &command);
    void SetErrorIndicator(bool on);
    void SetReadyIndicator();
    [[nodiscard]] SwipeResult ReadTracks();
    [[nodiscard]] SwipeResult WriteTracks(const QByteArray &track1, const QByteArray &track2,
                                          const QByteArray &track3);
    void PrepareWrite();
    [[nodiscard]] SwipeResult EraseTracks(qint16 mask);

    // Sends command, then collects everything until 0.3 s pass without a byte; ends early
    // on CancelRequested (CollectReply) or never (SendAndCollect).
    QByteArray CollectReply(const QByteArray &command);
    QByteArray SendAndCollect(const QByteArray &command);
    // KVT-380A: ready indication and a short settle before each read of the save window.
    void WaitReady();

    // The opening handshake's steps; the handshake fails when a step returns false.
    [[nodiscard]] bool ResetStep();
    void PauseAfterReset();
    [[nodiscard]] bool OpeningCommand(Opening kind);

    // The frames the window's unload sends before the port is closed.
    void SendClosingFrames();

    // Closes the port if open, applies the shared line settings and port number, opens it.
    bool openPort();
    // Flushes what is waiting.
    void discardInput();

private:
    [[nodiscard]] bool cancelRequested() const;
    bool openWithSharedSettings();
    bool reopenIfClosed();
    void send(const QByteArray &bytes);
    void yieldOnce();
    void pause(Duration length);
    bool waitForBytes(int count, std::optional<Duration> limit, bool cancellable);

    [[nodiscard]] SwipeResult readLrq118();
    [[nodiscard]] SwipeResult readKvt380a();
    [[nodiscard]] SwipeResult readKvt380aCollected();
    [[nodiscard]] SwipeResult writeLrq118(const IsoFrames::Tracks &tracks);
    [[nodiscard]] SwipeResult writeKvt380a(const IsoFrames::Tracks &tracks);
    [[nodiscard]] SwipeResult skipStep();
    [[nodiscard]] bool acknowledged(const QByteArray &reply, bool exact) const;
    QByteArray collectUntilSilence(const QByteArray &command, bool yieldFirst, bool cancellable);
    void storeTracks(const IsoFrames::Tracks &tracks);

    MainModule &state_;
    CommControl &port_;
    Waiter &waiter_;
    SwipePrompt &prompt_;
    Options options_;
};
