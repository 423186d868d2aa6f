// The PNG decoder on arbitrary bytes: it must reject or decode, never read or write out of
// bounds. Files declaring more than a million pixels are skipped (the decoder accepts them,
// but allocating and clearing megabytes per input only slows the fuzzer down).
#include <cstddef>
#include <cstdint>

#include "graphics/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 24) {
        const uint64_t width =
            (uint64_t{data[16]} << 24) | (data[17] << 16) | (data[18] << 8) | data[19];
        const uint64_t height =
            (uint64_t{data[20]} << 24) | (data[21] << 16) | (data[22] << 8) | data[23];
        if (width * height > (1u << 20)) return 0;
    }
    velmira::OwnedSurface surface;
    if (velmira::decodePng(data, size, surface)) {
        // Touch every decoded byte so that a wrong size shows up under the sanitizer.
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < surface.byteCount(); i += 61)
            sink = sink ^ surface.pixels()[i];
    }
    return 0;
}
