// Custom track data keyed as hex pairs: counting the pairs and converting them, and the
// checks of the values before a write.
#include "FuzzInput.h"

#include "nonstd/HexData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const int bits = 4 + input.byte() % 5;
    const QByteArray text = input.rest();

    (void)CountHexPairs(text);
    const HexConversion converted = HexToData(text);
    if (converted.status == HexStatus::Converted) {
        const QByteArray pairs = ToHexPairs(converted.data);
        const HexConversion back = HexToData(pairs);
        fuzzCheck(back.status == HexStatus::Converted && back.data == converted.data,
                  "converted data reads back from its own pairs");
        fuzzCheck(CountHexPairs(pairs) == converted.data.size(), "one pair per value");
    } else {
        fuzzCheck(converted.data.isEmpty(), "a failed conversion gives no data");
    }
    // The text itself taken as values.
    if (!text.contains('\x04')) {
        const HexConversion values = HexToData(ToHexPairs(text));
        fuzzCheck(values.status == HexStatus::Converted && values.data == text,
                  "any values but 4 survive the hex pairs");
    }
    const CustomDataFault fault = FindCustomDataFault(text, bits);
    fuzzCheck(fault != CustomDataFault::None || text.isEmpty() || (bits >= 5 && bits <= 7),
              "only 5, 6 and 7 bits carry data");
    fuzzCheck(TrackCapacity(bits, text) >= 0 && MaxHexDigit(bits).size() <= 1,
              "capacities and digits are sane");
    return 0;
}
