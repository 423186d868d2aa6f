// Hand-made PNG files for decoder tests: chunks with real CRCs, zlib's compress for the data.
#pragma once

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace velmira::test {

inline void putBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

inline std::vector<uint8_t> pngSignature() {
    return {137, 80, 78, 71, 13, 10, 26, 10};
}

inline void appendChunk(std::vector<uint8_t>& out, const char* type,
                        const std::vector<uint8_t>& data) {
    putBe32(out, uint32_t(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBe32(out, uint32_t(crc32(0, out.data() + typeAt, uInt(4 + data.size()))));
}

struct Header {
    uint32_t width, height;
    uint8_t depth = 8, colour = 6, compression = 0, filter = 0, interlace = 0;
};

inline std::vector<uint8_t> ihdrData(const Header& h) {
    std::vector<uint8_t> d;
    putBe32(d, h.width);
    putBe32(d, h.height);
    d.insert(d.end(), {h.depth, h.colour, h.compression, h.filter, h.interlace});
    return d;
}

inline std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, raw.data(), uLong(raw.size()), 9) != Z_OK) return {};
    out.resize(size);
    return out;
}

// A complete file: signature, IHDR, the compressed stream in IDAT chunks of at most
// idatSize bytes (with a tEXt chunk and an empty IDAT between them when splitting), IEND.
inline std::vector<uint8_t> makePng(const Header& h, const std::vector<uint8_t>& compressed,
                                    size_t idatSize = SIZE_MAX) {
    std::vector<uint8_t> out = pngSignature();
    appendChunk(out, "IHDR", ihdrData(h));
    for (size_t at = 0; at < compressed.size(); at += idatSize) {
        const size_t n = std::min(idatSize, compressed.size() - at);
        appendChunk(out, "IDAT", {compressed.begin() + at, compressed.begin() + at + n});
        if (idatSize != SIZE_MAX) {
            appendChunk(out, "tEXt", {'C', 'o', 'm', 0, 'x'});
            appendChunk(out, "IDAT", {});
        }
    }
    appendChunk(out, "IEND", {});
    return out;
}

using Rgba = std::array<uint8_t, 4>;

// A w x h picture of 8-bit RGBA (colour type 6), pixel(x, y) for each pixel, rows unfiltered.
inline std::vector<uint8_t> rgbaPng(int w, int h, const std::function<Rgba(int, int)>& pixel) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < w; ++x) {
            const Rgba p = pixel(x, y);
            raw.insert(raw.end(), p.begin(), p.end());
        }
    }
    return makePng({uint32_t(w), uint32_t(h), 8, 6}, zlibCompress(raw));
}

} // namespace velmira::test
