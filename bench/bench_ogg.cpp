// Decoding a whole sound into one static buffer, as effects, voices and ambient sounds
// are loaded, side by side with plain ov_read into memory on the same file: a minute of
// 44.1 kHz stereo with a full, music-like bit rate (a tone with noise, about 128 kbit/s).
// Both sides open the file from memory and decode all of it; the engine's side also
// copies the file into its aligned block, clears the destination and watches the loop end.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/ogg_decoder.h"
#include "resource/archive.h"
#include "support/ogg_fixture.h"

namespace velmira {
namespace {

const std::vector<uint8_t>& minuteOfMusic() {
    static const std::vector<uint8_t> file = [] {
        test::OggTone tone;
        tone.channels = 2;
        tone.frames = 60 * 44100;
        tone.quality = 0.4f;
        tone.noise = 0.1;
        return test::encodeOggTone(tone);
    }();
    return file;
}

void BM_EngineDecodeToStaticBuffer(benchmark::State& state) {
    const std::vector<uint8_t>& file = minuteOfMusic();
    Trace trace;
    ArchiveIndex archives("/nonexistent/", trace);
    for (auto _ : state) {
        OggDecoder decoder(archives);
        if (!decoder.openBytes(file.data(), file.size())) state.SkipWithError("open failed");
        std::vector<uint8_t> pcm(static_cast<size_t>(decoder.totalFrames()) * 4);
        decoder.decode(pcm.data(), static_cast<uint32_t>(pcm.size()));
        benchmark::DoNotOptimize(pcm.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 60 * 44100 * 4);
}
BENCHMARK(BM_EngineDecodeToStaticBuffer)->Unit(benchmark::kMillisecond);

void BM_PlainOvRead(benchmark::State& state) {
    const std::vector<uint8_t>& file = minuteOfMusic();
    const ov_callbacks callbacks = test::OggMemory::callbacks();
    for (auto _ : state) {
        test::OggMemory memory{&file};
        OggVorbis_File vf;
        if (ov_open_callbacks(&memory, &vf, nullptr, 0, callbacks) < 0)
            state.SkipWithError("open failed");
        std::vector<uint8_t> pcm(static_cast<size_t>(ov_pcm_total(&vf, -1)) * 4);
        size_t done = 0;
        int bitstream = 0;
        while (done < pcm.size()) {
            const long n = ov_read(&vf, reinterpret_cast<char*>(pcm.data() + done),
                                   static_cast<int>(pcm.size() - done), 0, 2, 1, &bitstream);
            if (n == OV_HOLE) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ov_clear(&vf);
        benchmark::DoNotOptimize(pcm.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 60 * 44100 * 4);
}
BENCHMARK(BM_PlainOvRead)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velmira
