// Ogg Vorbis encoding in memory with libvorbisenc, for the sample game's sound generator
// and for the tests that make their own sound files. Header-only: the generator is built
// on its own, apart from the engine's libraries.
//
// The output is the same on every run for the same samples: libvorbisenc is
// deterministic, and the Ogg stream's serial number is the caller's.
#pragma once

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace velmira::tools {

struct VorbisFormat {
    int channels = 1;     // 1 or 2
    long rate = 44100;    // frames per second
    float quality = 0.4f; // libvorbisenc's VBR quality, -0.1 (smallest) ... 1
    int serial = 0;       // the Ogg stream's serial number
    std::vector<std::pair<std::string, std::string>> comments; // Vorbis comments, in order
};

// Writes `count` frames from frame `at` on into out[channel][0 .. count).
using VorbisSamples = std::function<void(float** out, int64_t at, int count)>;

// Encodes `frames` frames, asked of samples 4096 at a time, into a whole Ogg Vorbis file.
// False (out untouched) when libvorbisenc refuses the format.
inline bool encodeVorbis(const VorbisFormat& format, int64_t frames, const VorbisSamples& samples,
                         std::vector<uint8_t>& out) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, format.channels, format.rate, format.quality) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    for (const auto& [tag, value] : format.comments)
        vorbis_comment_add_tag(&vc, tag.c_str(), value.c_str());
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, format.serial);

    std::vector<uint8_t> file;
    ogg_page page;
    auto takePage = [&file, &page] {
        file.insert(file.end(), page.header, page.header + page.header_len);
        file.insert(file.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, headerComments, headerCodebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &headerComments, &headerCodebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &headerComments);
    ogg_stream_packetin(&os, &headerCodebooks);
    while (ogg_stream_flush(&os, &page) != 0)
        takePage();

    auto drain = [&] {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &packet) == 1) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0)
                    takePage();
            }
        }
    };
    constexpr int64_t kChunk = 4096;
    for (int64_t at = 0; at < frames; at += kChunk) {
        const int count = static_cast<int>(std::min(kChunk, frames - at));
        float** buffer = vorbis_analysis_buffer(&vd, count);
        samples(buffer, at, count);
        vorbis_analysis_wrote(&vd, count);
        drain();
    }
    vorbis_analysis_wrote(&vd, 0); // the end of the stream
    drain();
    while (ogg_stream_flush(&os, &page) != 0)
        takePage();

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    out = std::move(file);
    return true;
}

} // namespace velmira::tools
