#pragma once

#include "link/LinkSession.h"
#include "link/NonIsoFrames.h"
#include "link/SwipeResult.h"

#include <QByteArray>

#include <array>
#include <chrono>

// The raw (Non-ISO) procedures of both command sets ("KVT-380A"; anything else is LRQ118)
// on a prompt window's link session. The tracks' formats and densities are read from the
// shared state when a procedure starts. Custom data is a KVT-380A feature: in LRQ118 the
// raw read and write end Failed without sending anything. A window's variant is its
// Options, written next to the window with designated initialisers.
class NonIsoProtocol {
public:
    static constexpr auto LrqReadSettle = std::chrono::milliseconds(500);
    static constexpr auto KvtReadAckLimit = std::chrono::milliseconds(500);
    // A standard-format read gives the encoder this long after its answer to P.
    static constexpr auto KvtStandardAckSettle = std::chrono::milliseconds(500);
    static constexpr auto LrqWritePause = std::chrono::milliseconds(500);
    static constexpr auto KvtCustomWriteSettle = std::chrono::milliseconds(200);
    static constexpr auto CancelResetPause = std::chrono::milliseconds(300);
    // The encoder answers each density frame at once; a silent one must not freeze the
    // window, as these waits cannot yield.
    static constexpr auto PrepareReplyLimit = std::chrono::seconds(3);
    static constexpr auto PrepareSettle = std::chrono::milliseconds(300);
    static constexpr auto AfterWritePause = std::chrono::milliseconds(300);
    // The variant a window that writes raw tracks uses: its SendAndWait settles before
    // taking the last character, and its indications wait less and end on the stop flags.
    static constexpr auto WriterSendAndWaitSettle = std::chrono::milliseconds(100);
    static constexpr auto WriterIndicatorReplyLimit = std::chrono::milliseconds(500);

    struct Options {
        SendAndWaitRule sendAndWait{};
        IndicatorRule errorIndicator{};
        ReadyRule ready{};
    };

    NonIsoProtocol(LinkSession &session, const Options &options);

    [[nodiscard]] bool isKvt380a() const { return session_.isKvt380a(); }

    QByteArray SendAndWait(const QByteArray &command);
    void SetErrorIndicator(bool on);
    void SetReadyIndicator();
    // On Done, Track1Data to Track3Data hold what the encoder read.
    [[nodiscard]] SwipeResult RawRead();
    // A track that is "", "*" or "+" is not written.
    [[nodiscard]] SwipeResult RawWrite(const QByteArray &track1, const QByteArray &track2,
                                       const QByteArray &track3);
    // The tracks' densities, before every RawWrite. False when the LRQ118 encoder left a
    // density frame unanswered for PrepareReplyLimit: the rest is not sent, and the write
    // that follows would record at densities nobody chose. Once the window has closed
    // nothing is sent and the answer is true: the stop flags end the loop.
    [[nodiscard]] bool PrepareRawWrite();
    // After a write that did not succeed, before the error indication: LRQ118 resets the
    // encoder; KVT-380A switches ready off and sends the write opening again.
    void AfterFailedWrite();
    // After every write attempt: LRQ118 ready on; KVT-380A ready off and a pause, after
    // which the port is opened again if it is closed, unless the window has closed.
    void AfterWriteAttempt();

private:
    using Tracks = NonIsoFrames::Tracks;

    [[nodiscard]] SwipeResult readLrq118(const NonIsoFrames::Selection &selection);
    [[nodiscard]] SwipeResult readKvt380a(const NonIsoFrames::Selection &selection);
    [[nodiscard]] SwipeResult writeLrq118(const NonIsoFrames::Selection &selection,
                                          const Tracks &tracks);
    [[nodiscard]] SwipeResult writeKvt380a(const NonIsoFrames::Selection &selection,
                                           const Tracks &tracks);
    [[nodiscard]] SwipeResult cancelLrq118Write();

    LinkSession &session_;
    Options options_;
};
