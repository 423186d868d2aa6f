// Ogg Vorbis files made by the tests themselves: a synthesised tone encoded with
// libvorbisenc, with optional Vorbis comments (the loop points "start" and "end"), and a
// reference decode by plain ov_read to compare the engine's decoder with.
#pragma once

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tools/sample_sound/vorbis_encoder.h"

namespace velmira::test {

struct OggTone {
    int channels = 1;
    long rate = 44100;
    int64_t frames = 44100;
    double hz = 440.0;
    float quality = 0.0f; // libvorbisenc's VBR quality, -0.1 (smallest) ... 1
    double noise = 0.0;   // amplitude of white noise mixed in (a fuller, music-like bit rate)
    std::vector<std::pair<std::string, std::string>> comments;
};

// A sine whose amplitude grows from 0.2 to 0.8 over the file, so that every stretch of
// it sounds (and decodes) different; the right channel is a quarter period behind. The
// noise, when asked for, is the same on every run.
inline std::vector<uint8_t> encodeOggTone(const OggTone& tone) {
    tools::VorbisFormat format;
    format.channels = tone.channels;
    format.rate = tone.rate;
    format.quality = tone.quality;
    format.serial = 0x5eed;
    format.comments = tone.comments;
    const double step = 2.0 * M_PI * tone.hz / static_cast<double>(tone.rate);
    uint32_t seed = 12345;
    auto noise = [&seed, &tone] {
        seed = seed * 1664525u + 1013904223u;
        return tone.noise * (static_cast<double>(seed >> 8) / 8388608.0 - 1.0);
    };
    std::vector<uint8_t> out;
    const bool encoded = tools::encodeVorbis(
        format, tone.frames,
        [&](float** buffer, int64_t at, int count) {
            for (int i = 0; i < count; ++i) {
                const double t = static_cast<double>(at + i);
                const double amplitude = 0.2 + 0.6 * t / static_cast<double>(tone.frames);
                for (int c = 0; c < tone.channels; ++c)
                    buffer[c][i] =
                        static_cast<float>(amplitude * std::sin(step * t - c * M_PI / 2) + noise());
            }
        },
        out);
    if (!encoded) throw std::runtime_error("vorbis_encode_init_vbr failed");
    return out;
}

// A file in memory for plain libvorbisfile: ov_open_callbacks(&memory, &vf, nullptr, 0,
// OggMemory::callbacks()) reads, seeks and tells within the bytes.
struct OggMemory {
    const std::vector<uint8_t>* file;
    size_t at = 0;

    static ov_callbacks callbacks() {
        ov_callbacks c{};
        c.read_func = [](void* to, size_t size, size_t count, void* source) -> size_t {
            auto* m = static_cast<OggMemory*>(source);
            const size_t n = std::min(size * count, m->file->size() - m->at);
            std::memcpy(to, m->file->data() + m->at, n);
            m->at += n;
            return size ? n / size : 0;
        };
        c.seek_func = [](void* source, ogg_int64_t offset, int origin) -> int {
            auto* m = static_cast<OggMemory*>(source);
            const int64_t base = origin == SEEK_SET   ? 0
                                 : origin == SEEK_CUR ? static_cast<int64_t>(m->at)
                                                      : static_cast<int64_t>(m->file->size());
            const int64_t to = base + offset;
            if (to < 0 || to > static_cast<int64_t>(m->file->size())) return -1;
            m->at = static_cast<size_t>(to);
            return 0;
        };
        c.tell_func = [](void* source) -> long {
            return static_cast<long>(static_cast<OggMemory*>(source)->at);
        };
        return c;
    }
};

// The whole file decoded by plain ov_read: 16-bit little-endian interleaved bytes.
inline std::vector<uint8_t> decodeOggReference(const std::vector<uint8_t>& file) {
    OggMemory memory{&file};
    OggVorbis_File vf;
    if (ov_open_callbacks(&memory, &vf, nullptr, 0, OggMemory::callbacks()) < 0)
        throw std::runtime_error("reference decode: not Ogg Vorbis");
    std::vector<uint8_t> pcm;
    char chunk[8192];
    int bitstream = 0;
    for (;;) {
        const long n = ov_read(&vf, chunk, sizeof chunk, 0, 2, 1, &bitstream);
        if (n == OV_HOLE) continue;
        if (n <= 0) break;
        pcm.insert(pcm.end(), chunk, chunk + n);
    }
    ov_clear(&vf);
    return pcm;
}

} // namespace velmira::test
