#pragma once

#include "link/IsoFrames.h"
#include "link/LinkSession.h"
#include "link/SwipeResult.h"

#include <QByteArray>

#include <array>
#include <chrono>

// The ISO procedures of both command sets ("KVT-380A"; anything else is LRQ118) on a
// prompt window's link session. A window that needs a variant says so in its Options,
// written next to the window with designated initialisers.
class IsoProtocol {
public:
    static constexpr auto LrqReadSettle = std::chrono::seconds(1);
    static constexpr auto KvtReadAckLimit = std::chrono::milliseconds(500);
    static constexpr auto WritePause = std::chrono::milliseconds(500);
    static constexpr auto ErasePause = std::chrono::milliseconds(500);
    static constexpr auto EraseSettle = std::chrono::milliseconds(300);
    // The encoder answers the density frame at once; a silent one must not hang the window.
    static constexpr auto PrepareWriteReplyLimit = std::chrono::seconds(3);
    static constexpr auto PrepareWriteSettle = std::chrono::milliseconds(300);
    static constexpr auto WaitReadyReplyLimit = std::chrono::milliseconds(500);
    static constexpr auto WaitReadyPause = std::chrono::milliseconds(200);

    struct ReadOptions {
        Duration pauseFirst{};
        bool opensPort = false;
        // Shows the swipe prompt as soon as the read starts.
        bool promptsAtStart = false;
        Duration lrqSettle = LrqReadSettle;
        // LRQ118: after every outcome, ESC a and the port left closed.
        bool lrqResetsAfter = false;
        // KVT-380A: P through SendAndWait, then each track collected until silence.
        bool kvtCollects = false;
        bool collectYieldsFirst = false;
        Stop collectStop = Stop::OnCancel;
    };

    struct WriteOptions {
        // LRQ118: pause before the frame, and the flushes around it.
        bool pauses = true;
        bool flushes = true;
        // Skip (or, LRQ118, Cancel) during the swipe wait ends the write with Skipped.
        bool skips = false;
        // KVT-380A: the command and final answers must be exactly "^".
        bool ackExact = false;
        // KVT-380A: Cancel during the swipe wait sends DEL rather than l.
        bool cancelResets = false;
    };

    struct Options {
        SendAndWaitRule sendAndWait{};
        IndicatorRule errorIndicator{};
        ReadOptions read{};
        WriteOptions write{};
    };

    IsoProtocol(LinkSession &session, const Options &options);

    [[nodiscard]] bool isKvt380a() const { return session_.isKvt380a(); }

    QByteArray SendAndWait(const QByteArray &command);
    void SetErrorIndicator(bool on);
    void SetReadyIndicator();
    [[nodiscard]] SwipeResult ReadTracks();
    [[nodiscard]] SwipeResult WriteTracks(const QByteArray &track1, const QByteArray &track2,
                                          const QByteArray &track3);
    void PrepareWrite();
    [[nodiscard]] SwipeResult EraseTracks(qint16 mask);
    // KVT-380A: ready indication and a short settle before each read of the save window.
    void WaitReady();
    // KVT-380A, before the error window of a write-type window: the ready indication on, then
    // off (L, l), each answer awaited at most 1 s so that a silent encoder cannot keep the
    // error window from showing.
    void ResetIndications();

private:
    [[nodiscard]] SwipeResult readLrq118();
    [[nodiscard]] SwipeResult readKvt380a();
    [[nodiscard]] SwipeResult readKvt380aCollected();
    [[nodiscard]] SwipeResult writeLrq118(const IsoFrames::Tracks &tracks);
    [[nodiscard]] SwipeResult writeKvt380a(const IsoFrames::Tracks &tracks);
    [[nodiscard]] SwipeResult skipStep();
    [[nodiscard]] SwipeResult eraseCancelled();
    [[nodiscard]] bool acknowledged(const QByteArray &reply, bool exact) const;

    LinkSession &session_;
    Options options_;
};
