// The ISO procedures of both command sets, in every variant the windows use, over a port
// that answers with the fuzz input: bytes at any moment and at any line speed, the port
// closing under a wait, Cancel and Skip at any moment. Every procedure ends once the
// operator has cancelled, and none reports a card it was not sent.
#include "FakeTime.h"
#include "FuzzInput.h"
#include "ScriptedPort.h"

#include "app/MainModule.h"
#include "link/IsoProtocol.h"
#include "link/LinkSession.h"
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

const std::array<QByteArray, 6> TrackChoices = {"", "+", "*", "ABC", "1234", "=9"};
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
    IsoProtocol protocol(session, options(input));
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
    switch (procedure % 12) {
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
    default:
        (void)session.pauseUntilQuiet(300ms, argument & 1, Stop::OnCancel);
        break;
    }
    fuzzCheck(clock.now() - start < at + CancelAfterScript + LongestEnding,
              "every procedure ends once the operator has cancelled");
    if (result == SwipeResult::Done && procedure % 12 == 0) {
        fuzzCheck(arriving > 0, "no card is read from silence");
        fuzzCheck(state.Track1Data.size() + state.Track2Data.size() + state.Track3Data.size() <=
                      arriving,
                  "a read invents no track data");
    }
    return 0;
}
