// The mixer: what one second of output costs with four sounds playing - two stereo
// 44.1 kHz effects, one mono 22.05 kHz voice and the streaming music, refilled half by
// half as the music thread does - rendered in the 1024-frame pieces an SDL device asks
// for. The counter "core_fraction" is the share of one core the mixing takes (the goal
// is below 0.01); Google Benchmark prints it as a time, so "635us" reads 0.000635, or
// 0.06 % of a core. Output rates: 44100 (the headless output; only the voice is resampled)
// and 48000 (a common sound card; everything is resampled).
//   cmake --preset bench && cmake --build --preset bench --target bench_audio &&
//   build/bench/bench/bench_audio
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/sound_device.h"
#include "tests/support/audio_rig.h"

namespace velmira {
namespace {

std::unique_ptr<SoundBuffer> toneBuffer(SoundDevice& device, PcmFormat format, double seconds,
                                        double hz, BufferKind kind = BufferKind::Static) {
    const auto frames = static_cast<uint32_t>(seconds * format.rate);
    auto buffer = device.createBuffer(format, frames * format.blockAlign(), kind);
    if (!buffer) std::abort();
    SoundBuffer::Region a, b;
    if (!buffer->lock(0, buffer->size(), a, b)) std::abort();
    auto* s = reinterpret_cast<int16_t*>(a.data);
    for (uint32_t f = 0; f < frames; ++f)
        for (int c = 0; c < format.channels; ++c)
            s[f * format.channels + c] = static_cast<int16_t>(
                12000 * std::sin(2 * std::numbers::pi * hz * (f + 37 * c) / format.rate));
    buffer->unlock();
    return buffer;
}

void BM_FourChannels(benchmark::State& state) {
    const auto rate = static_cast<int32_t>(state.range(0));
    test::PulledOutput output(rate, 1024);
    SoundDevice device(&output);
    if (!device.open()) std::abort();
    auto effectA = toneBuffer(device, {2, 44100}, 3.0, 440);
    auto effectB = toneBuffer(device, {2, 44100}, 2.0, 660);
    auto voice = toneBuffer(device, {1, 22050}, 4.0, 300);
    // The music's ring: 882000 bytes of 44.1 kHz stereo, halves of 2.5 s.
    auto music = toneBuffer(device, {2, 44100}, 5.0, 220, BufferKind::Streaming);
    effectB->setVolume(-602);
    voice->setVolume(-300);
    for (auto* b : {effectA.get(), effectB.get(), voice.get(), music.get()})
        b->play(true);

    constexpr uint32_t kPiece = 1024;
    std::vector<int16_t> out(kPiece * 2);
    std::vector<int16_t> refill(441000 / 2);
    bool lastHalf = false;
    uint32_t sincePoll = 0;
    for (auto _ : state) {
        // One second of output.
        for (uint32_t done = 0; done < static_cast<uint32_t>(rate); done += kPiece) {
            output.pull(out.data(), kPiece);
            benchmark::DoNotOptimize(out.data());
            // The music thread polls every 100 ms and rewrites the half it left.
            sincePoll += kPiece;
            if (sincePoll < static_cast<uint32_t>(rate) / 10) continue;
            sincePoll = 0;
            uint32_t play = 0, write = 0;
            music->currentPosition(play, write);
            const bool half = write >= 441000;
            if (half == lastHalf) continue;
            lastHalf = half;
            SoundBuffer::Region a, b;
            if (music->lock(half ? 0 : 441000, 441000, a, b)) {
                std::copy_n(reinterpret_cast<uint8_t*>(refill.data()), a.bytes, a.data);
                music->unlock();
            }
        }
    }
    state.counters["core_fraction"] = benchmark::Counter(
        1, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FourChannels)->Arg(44100)->Arg(48000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velmira
