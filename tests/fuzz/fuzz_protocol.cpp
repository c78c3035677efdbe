// The ISO and Non-ISO procedures of both command sets, in every variant the windows use,
// over a port that answers with the fuzz input: bytes at any moment and at any line speed,
// the port closing under a wait, Cancel and Skip at any moment. Every procedure ends once
// the operator has cancelled, and no read reports a card it was not sent.
#include "FakeTime.h"
#include "FuzzInput.h"
#include "ScriptedPort.h"

#include "app/MainModule.h"
#include "link/IsoProtocol.h"
#include "link/LinkSession.h"
#include "link/NonIsoFrames.h"
#include "link/NonIsoProtocol.h"
#include "link/PortConfig.h"
#include "link/Waiter.h"

#include <QCoreApplication>

#include <array>
#include <utility>

using namespace std::chrono_literals;

namespace {

class Prompt final : public SwipePrompt {
public:
    void showSwipePrompt(bool) override {}
    bool takeSkipRequest() override { return std::exchange(skip, false); }
    void portFailed(const QString &) override {}

    bool skip = false;
};

IsoProtocol::Options options(FuzzInput &input) {
    const std::uint8_t a = input.byte(), b = input.byte(), c = input.byte();
    IsoProtocol::Options o;
    o.sendAndWait = {.yields = (a & 1) == 0,
                     .opensPort = (a & 2) != 0,
                     .settle = a & 4 ? Duration(100ms) : Duration(),
                     .lastCharacterOnly = (a & 8) != 0,
                     .stop = a & 16 ? Stop::OnCancelOrReplyDone : Stop::OnCancel,
                     .limit = a & 32 ? std::optional<Duration>(1s) : std::nullopt};
    o.errorIndicator = {.yieldsFirst = (a & 64) == 0,
                        .opensPortLrq118 = (a & 128) != 0,
                        .opensPortKvt380a = (b & 1) != 0,
                        .replyLimit = b & 2 ? Duration(500ms) : Duration(1s),
                        .stop = b & 4 ? Stop::OnCancelOrReplyDone : Stop::Never};
    o.read = {.pauseFirst = b & 8 ? Duration(500ms) : Duration(),
              .opensPort = (b & 16) != 0,
              .promptsAtStart = (b & 32) != 0,
              .lrqSettle = b & 64 ? Duration(500ms) : Duration(1s),
              .lrqResetsAfter = (b & 128) != 0,
              .kvtCollects = (c & 1) != 0,
              .collectYieldsFirst = (c & 2) != 0,
              .collectStop = c & 4 ? Stop::Never : Stop::OnCancel};
    o.write = {.pauses = (c & 8) == 0,
               .flushes = (c & 16) == 0,
               .skips = (c & 32) != 0,
               .ackExact = (c & 64) != 0,
               .cancelResets = (c & 128) != 0};
    return o;
}

// The Non-ISO format and density of each track, from two bytes of the input.
void chooseRawFormats(MainModule &state, FuzzInput &input) {
    const std::uint8_t formats = input.byte(), densities = input.byte();
    const auto format = [](unsigned choice) {
        namespace Format = NonIsoFrames::Format;
        const std::array<QByteArray, 7> texts = {Format::StdT1,   Format::StdT2,   Format::StdT3,
                                                 Format::Custom5, Format::Custom6, Format::Custom7,
                                                 "no such format"};
        return texts.at(choice % texts.size());
    };
    state.NonIsoStdFormat = (formats & 1) != 0;
    state.NonIsoT1Format = format(formats >> 1);
    state.NonIsoT2Format = format(densities >> 3);
    state.NonIsoT3Format = format(formats >> 4);
    state.NonIsoT1Density = NonIsoFrames::Densities.at(densities & 1);
    state.NonIsoT2Density = NonIsoFrames::Densities.at((densities >> 1) & 1);
    state.NonIsoT3Density = NonIsoFrames::Densities.at((densities >> 2) & 1);
}

const std::array<QByteArray, 6> TrackChoices = {"", "+", "*", "ABC", "1234", "=9"};
const std::array<QByteArray, 2> RawChoices = {QByteArray::fromHex("0b1f03"), "12=9"};
constexpr std::array<int, 4> Bauds = {9600, 2400, 1200, 19200};
// After the last scripted event the operator cancels; every wait ends within this.
constexpr Duration CancelAfterScript = 1s;
constexpr Duration LongestEnding = 30s;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    MainModule state;
    state.initialise();
    const std::uint8_t line = input.byte();
    state.EmulationMode = line & 1 ? "KVT-380A" : "LRQ118";
    PortConfig config;
    config.line.baud = Bauds.at((line >> 1) & 3);
    FakeClock clock;
    FakePump pump(clock, 5ms);
    Waiter waiter(clock, pump);
    ScriptedPort port(clock);
    if (line & 8)
        port.paceReplies(characterTime(config.line));
    if ((line & 16) == 0)
        port.open();
    Prompt prompt;
    LinkSession session(state, port, waiter, prompt, config);
    const IsoProtocol::Options isoOptions = options(input);
    IsoProtocol protocol(session, isoOptions);
    NonIsoProtocol raw(session, {.sendAndWait = isoOptions.sendAndWait,
                                 .errorIndicator = isoOptions.errorIndicator,
                                 .ready = {.flushesFirst = isoOptions.read.opensPort,
                                           .leavesReply = isoOptions.read.promptsAtStart}});
    chooseRawFormats(state, input);
    const std::uint8_t procedure = input.byte();
    const std::uint8_t argument = input.byte();

    // The rest is the other end: bytes arriving, the port failing, the operator.
    Duration at{};
    qsizetype arriving = 0;
    while (!input.empty()) {
        const std::uint8_t event = input.byte();
        at += std::chrono::milliseconds(10 * (event & 0x3f));
        switch (event >> 6) {
        case 0: {
            const QByteArray bytes = input.bytes(1 + input.byte() % 48);
            arriving += bytes.size();
            port.arrive(bytes, at);
            break;
        }
        case 1:
            pump.after(at, [&port] { port.close(); });
            break;
        case 2:
            pump.after(at, [&prompt] { prompt.skip = true; });
            break;
        default:
            pump.after(at, [&state] { state.CancelRequested = true; });
            break;
        }
    }
    pump.after(at + CancelAfterScript, [&state] {
        state.CancelRequested = true;
        state.ReplyDone = true;
    });

    const Duration start = clock.now();
    SwipeResult result = SwipeResult::NotDone;
    const auto track = [&argument](int shift) {
        return TrackChoices.at((argument >> shift) % 6);
    };
    const bool reads = procedure % 17 == 0 || procedure % 17 == 12;
    switch (procedure % 17) {
    case 0:
        result = protocol.ReadTracks();
        break;
    case 1:
        result = protocol.WriteTracks(track(0), track(3), track(5));
        break;
    case 2:
        result = protocol.EraseTracks(argument & 7);
        break;
    case 3:
        protocol.PrepareWrite();
        break;
    case 4:
        (void)session.ResetStep({.yieldsFirst = (argument & 1) != 0,
                                 .replyLimit = argument & 2 ? Duration(500ms) : Duration(2s),
                                 .settle = argument & 4 ? Duration(100ms) : Duration()});
        break;
    case 5:
        (void)session.OpeningCommand(argument & 1 ? "L" : "(");
        break;
    case 6:
        protocol.SetErrorIndicator(argument & 1);
        break;
    case 7:
        protocol.SetReadyIndicator();
        break;
    case 8:
        protocol.WaitReady();
        break;
    case 9:
        (void)protocol.SendAndWait("L");
        break;
    case 10:
        (void)session.collectUntilSilence("Q", argument & 1,
                                          argument & 2 ? Stop::Never : Stop::OnCancel);
        break;
    case 11:
        (void)session.pauseUntilQuiet(300ms, argument & 1, Stop::OnCancel);
        break;
    case 12:
        result = raw.RawRead();
        break;
    case 13:
        result =
            raw.RawWrite(RawChoices.at(argument & 1), track(1), RawChoices.at((argument >> 4) & 1));
        break;
    case 14:
        (void)raw.PrepareRawWrite();
        break;
    case 15:
        raw.AfterFailedWrite();
        break;
    default:
        raw.AfterWriteAttempt();
        break;
    }
    fuzzCheck(clock.now() - start < at + CancelAfterScript + LongestEnding,
              "every procedure ends once the operator has cancelled");
    if (result == SwipeResult::Done && reads) {
        fuzzCheck(arriving > 0, "no card is read from silence");
        fuzzCheck(state.Track1Data.size() + state.Track2Data.size() + state.Track3Data.size() <=
                      arriving,
                  "a read invents no track data");
    }
    return 0;
}
