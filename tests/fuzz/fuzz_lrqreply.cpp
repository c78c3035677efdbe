// The LRQ118 read reply, as any encoder or line noise may deliver it.
#include "FuzzInput.h"

#include "link/IsoFrames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray reply = FuzzInput(data, size).rest();
    const std::optional<IsoFrames::Tracks> tracks = IsoFrames::parseLrqReadReply(reply);
    if (!tracks)
        return 0;
    const IsoFrames::Tracks &t = *tracks;
    fuzzCheck(reply.startsWith("\x1bs") && reply.endsWith("\x1b"
                                                          "0"),
              "an accepted reply is framed by ESC s and ESC 0");
    fuzzCheck(t[0].size() + t[1].size() + t[2].size() < reply.size(),
              "the tracks come out of the reply");
    fuzzCheck(!t[0].contains("\x1b\x02") && !t[1].contains("\x1b\x03") && !t[2].contains('?'),
              "no track runs past the marker that ends it");
    return 0;
}
