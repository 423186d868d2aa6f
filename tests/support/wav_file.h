// Reads back the 16-bit stereo WAV files the headless sound output records: the canonical
// 44-byte header is checked field by field, and the frames come out as interleaved
// samples.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resource/byte_order.h"

namespace velmira::test {

struct WavFile {
    int32_t rate = 0;
    std::vector<int16_t> samples; // interleaved left, right
    size_t frames() const { return samples.size() / 2; }
    int16_t left(size_t frame) const { return samples[frame * 2]; }
    int16_t right(size_t frame) const { return samples[frame * 2 + 1]; }
};

// False (with what was wrong in why) unless path holds a well-formed 16-bit stereo PCM
// WAV whose sizes agree with its length.
inline bool readWav(const std::string& path, WavFile& out, std::string* why = nullptr) {
    auto fail = [&](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("no file");
    const std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), {}};
    if (b.size() < 44) return fail("shorter than a header");
    auto u16 = [&](size_t at) { return uint32_t{readLe16(&b[at])}; };
    auto u32 = [&](size_t at) { return readLe32(&b[at]); };
    auto tag = [&](size_t at, const char* t) { return std::equal(t, t + 4, b.begin() + at); };
    if (!tag(0, "RIFF") || !tag(8, "WAVE") || !tag(12, "fmt ") || !tag(36, "data"))
        return fail("chunk tags");
    if (u32(4) != b.size() - 8) return fail("RIFF size");
    if (u32(16) != 16 || u16(20) != 1 || u16(22) != 2 || u16(32) != 4 || u16(34) != 16)
        return fail("format chunk");
    if (u32(28) != u32(24) * 4) return fail("bytes per second");
    if (u32(40) != b.size() - 44) return fail("data size");
    out.rate = static_cast<int32_t>(u32(24));
    out.samples.resize((b.size() - 44) / 2);
    for (size_t i = 0; i < out.samples.size(); ++i)
        out.samples[i] = static_cast<int16_t>(u16(44 + 2 * i));
    return true;
}

} // namespace velmira::test
