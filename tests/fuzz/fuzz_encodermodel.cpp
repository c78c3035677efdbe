// The virtual encoder's command parser in both command sets, fed any bytes at any pace,
// with swipes in between.
#include "FuzzInput.h"

#include "EncoderModel.h"

using namespace std::chrono_literals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t setup = input.byte();
    EncoderModel model(setup & 1 ? EncoderModel::CommandSet::Lrq118
                                 : EncoderModel::CommandSet::Kvt380a);
    if (setup & 2)
        model.setAutoSwipe(std::chrono::milliseconds(setup >> 2));
    if (setup & 4)
        model.answerInPieces(1 + (setup >> 5), 3ms);
    model.setDeck({Card::fromTexts("ABC", "123", "+")});

    EncoderModel::Duration now = 1h;
    qsizetype answered = 0;
    while (!input.empty()) {
        const std::uint8_t step = input.byte();
        now += std::chrono::milliseconds(step & 0x3f);
        switch (step >> 6) {
        case 0:
            model.swipe(now);
            break;
        case 1:
            model.insertCard(Card::fromTexts(input.bytes(8), input.bytes(8), input.bytes(8)));
            break;
        default:
            model.receive(input.bytes(1 + input.byte() % 64), now);
            break;
        }
        answered += model.takeOutput(now).size();
    }
    answered += model.takeOutput(now + 1h).size();
    fuzzCheck(answered < 1'000'000, "the model's answers stay in proportion");
    return 0;
}
