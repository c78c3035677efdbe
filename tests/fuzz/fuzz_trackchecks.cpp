// The character checks of keyed, swiped and filed track texts, and the lenient number
// reader behind the numeric boxes.
#include "FuzzInput.h"

#include "app/MainModule.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray text = FuzzInput(data, size).rest();
    const bool track1 = IsTrack1Text(text);
    const bool track23 = IsTrack23Text(text);
    fuzzCheck(!track23 || track1, "what tracks 2 and 3 carry, track 1 carries too");
    fuzzCheck(!track1 || !text.contains('?'), "track 1 never takes its end sentinel");
    const bool raw5 = IsRaw5BitText(text);
    const bool raw6 = IsRaw6BitText(text);
    const bool raw7 = IsRaw7BitText(text);
    fuzzCheck((!raw5 || raw6) && (!raw6 || raw7), "a narrower custom width fits a wider one");
    fuzzCheck(!raw7 || (static_cast<unsigned char>(text.front()) & 1) == 1,
              "custom data starts with an odd value");
    (void)ValOrZero(text);
    return 0;
}
