#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <optional>

// The state every window shares. Names are the ones operators' documentation and the
// windows use; texts are 8-bit and travel to the encoder byte for byte.
struct MainModule {
    QByteArray EmulationMode = "KVT-380A";
    bool HighCoercivity = true;
    QByteArray CommPort;
    QByteArray BaudRate;
    QByteArray ParityName;
    QByteArray DataBits;
    QByteArray CommSettings;

    QByteArray Track1Data;
    QByteArray Track2Data;
    QByteArray Track3Data;

    bool CancelRequested = false;
    bool ReplyDone = false;

    QByteArray WriteErrCaption;
    bool NonIsoMode = false;
    qint16 EraseTrackMask = 0;

    bool IncrCancelled = false;
    qint16 IncrTrack = 1;
    // The number grows past the 32-bit range in a long batch; its start and step are read
    // as 32-bit values, so 64 bits cannot overflow within any count.
    qint64 IncrNumber = 0;
    qint64 IncrStep = 0;
    qint32 IncrCount = 0;
    QByteArray IncrSuffix;

    QByteArray SaveFileText;
    qint32 SaveCardNumber = 0;
    QByteArray EncodeFileText;
    bool EncodeFileCancelled = false;

    bool NonIsoStdFormat = false;
    QByteArray NonIsoT1Format;
    QByteArray NonIsoT2Format;
    QByteArray NonIsoT3Format;
    QByteArray NonIsoT1Density;
    QByteArray NonIsoT2Density;
    QByteArray NonIsoT3Density;
    std::array<QByteArray, 3> NonIsoKeyedText;
    std::array<QByteArray, 3> NonIsoTrackText;

    QByteArray Track1Chars;
    QByteArray Track23Chars;
    QByteArray DigitChars;
    QByteArray HexChars;

    // Start-up values of the state, as Main sets them before the first window opens.
    void initialise();

    [[nodiscard]] bool isKvt380a() const { return EmulationMode == "KVT-380A"; }
};

[[nodiscard]] bool IsTrack1Text(const QByteArray &text);
[[nodiscard]] bool IsTrack23Text(const QByteArray &text);
[[nodiscard]] bool IsRaw5BitText(const QByteArray &text);
[[nodiscard]] bool IsRaw6BitText(const QByteArray &text);
[[nodiscard]] bool IsRaw7BitText(const QByteArray &text);
[[nodiscard]] qint32 ValOrZero(const QByteArray &text);
// As ValOrZero, but none for a number outside the 32-bit range, which ValOrZero gives as 0.
[[nodiscard]] std::optional<qint32> ValInRange(const QByteArray &text);
