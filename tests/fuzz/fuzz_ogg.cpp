// The Ogg Vorbis decoder on arbitrary bytes: it must refuse or decode, never read or
// write out of bounds and never hang. Each input is decoded looping for a few refills,
// so that the loop points and the jump back are exercised too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/ogg_decoder.h"
#include "resource/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static velmira::Trace trace;
    static velmira::ArchiveIndex archives("/nonexistent/", trace);
    velmira::OggDecoder decoder(archives);
    if (!decoder.openBytes(data, size)) return 0;
    decoder.totalFrames();
    decoder.setLoop(true);
    // An odd size on purpose: the last partial frame must stay silent.
    std::vector<uint8_t> out(16383);
    for (int i = 0; i < 4; ++i)
        decoder.decode(out.data(), static_cast<uint32_t>(out.size()));
    return 0;
}
