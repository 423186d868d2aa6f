// The mixer and its buffers on the headless sound output: what they play is recorded into
// a WAV file and measured there. A buffer started at virtual time 0, right after the
// device opened, is heard from recording frame kLatency on (the output takes that far
// ahead of what is heard).
#include "audio/sound_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <numbers>

#include "platform/headless/headless_platform.h"
#include "resource/temp_dir.h"
#include "support/audio_rig.h"
#include "support/wav_file.h"

namespace velmira {
namespace {

using test::TempDir;
using test::WavFile;

constexpr uint32_t kLatency = platform::HeadlessAudioOutput::kLatencyFrames;

// A headless platform recording into a WAV file, and a sound device open on it.
class Rig {
  public:
    Rig() : platform(options(dir.path() + "out.wav")), device(platform.audioOutput()) {
        EXPECT_TRUE(device.open());
    }

    void advance(uint32_t ms) { platform.clock().advance(ms); }

    WavFile recording() {
        WavFile wav;
        std::string error;
        EXPECT_TRUE(platform.finishAudioOut(error)) << error;
        EXPECT_TRUE(test::readWav(dir.path() + "out.wav", wav, &error)) << error;
        return wav;
    }

    TempDir dir;
    platform::HeadlessPlatform platform;
    SoundDevice device;

  private:
    static platform::HeadlessOptions options(std::string wav) {
        platform::HeadlessOptions o;
        o.audioOutPath = std::move(wav);
        return o;
    }
};

using SampleOf = std::function<int16_t(uint32_t frame, int channel)>;

// A buffer of the given format and length, filled through lock and unlock.
std::unique_ptr<SoundBuffer> makeBuffer(SoundDevice& device, PcmFormat format, uint32_t frames,
                                        const SampleOf& sample,
                                        BufferKind kind = BufferKind::Static) {
    auto buffer = device.createBuffer(format, frames * format.blockAlign(), kind);
    if (!buffer) return nullptr;
    SoundBuffer::Region a, b;
    if (!buffer->lock(0, buffer->size(), a, b)) return nullptr;
    auto* out = reinterpret_cast<int16_t*>(a.data);
    for (uint32_t f = 0; f < frames; ++f)
        for (int c = 0; c < format.channels; ++c)
            out[f * format.channels + c] = sample(f, c);
    buffer->unlock();
    return buffer;
}

SampleOf sine(double hz, int32_t rate, double amplitude = 32767) {
    return [=](uint32_t frame, int) {
        return static_cast<int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * frame / rate)));
    };
}

SampleOf constant(int16_t value) {
    return [=](uint32_t, int) { return value; };
}

int32_t peak(const WavFile& wav, size_t from, size_t to, int channel) {
    int32_t best = 0;
    for (size_t f = from; f < to; ++f)
        best = std::max(best, std::abs(int32_t{wav.samples[f * 2 + channel]}));
    return best;
}

// Rising zero crossings of the left side per second.
double frequency(const WavFile& wav, size_t from, size_t to) {
    int crossings = 0;
    for (size_t f = from + 1; f < to; ++f)
        if (wav.left(f - 1) < 0 && wav.left(f) >= 0) ++crossings;
    return crossings * static_cast<double>(wav.rate) / static_cast<double>(to - from);
}

TEST(VolumeLaw, PreferenceVolumesAsAttenuation) {
    struct Case {
        int32_t volume, scale, expected;
    };
    const Case cases[] = {
        {100, 100, 0},      {50, 100, -602},     {10, 100, -2000}, {1, 100, -4000},
        {0, 100, -10000},   {-3, 100, -10000},   {150, 100, 0},    {99, 100, -9},
        {5, 0, 0},          {1, 100000, -10000}, // -10000 exactly: below -9999
        {2, 100000, -9398},
    };
    for (const Case& c : cases)
        EXPECT_EQ(volumeToAttenuation(c.volume, c.scale), c.expected)
            << c.volume << " of " << c.scale;
    EXPECT_EQ(attenuationToGain(0), 65536);
    EXPECT_EQ(attenuationToGain(-602), 32770);
    EXPECT_EQ(attenuationToGain(-10000), 0);
    EXPECT_EQ(attenuationToGain(500), 65536);
}

TEST(SoundDevice, RefusesBuffersItCannotMake) {
    Rig rig;
    struct Case {
        PcmFormat format;
        uint32_t bytes;
    };
    const Case refused[] = {
        {{0, 44100}, 4000},
        {{3, 44100}, 4000},
        {{2, 999}, 4000},
        {{2, 192001}, 4000},
        {{2, 44100}, 0},
        {{2, 44100}, 3}, // less than one frame
        {{1, 22050}, SoundBuffer::kMaxBytes + 2},
    };
    for (const Case& c : refused)
        EXPECT_EQ(rig.device.createBuffer(c.format, c.bytes, BufferKind::Static), nullptr)
            << c.format.channels << " channels, " << c.format.rate << " Hz, " << c.bytes;
    auto odd = rig.device.createBuffer({2, 44100}, 4003, BufferKind::Static);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->size(), 4000u); // whole frames
    EXPECT_NE(rig.device.createBuffer({1, 1000}, SoundBuffer::kMaxBytes, BufferKind::Static),
              nullptr);

    SoundDevice none(nullptr);
    EXPECT_FALSE(none.open());
    EXPECT_FALSE(none.available());
    EXPECT_EQ(none.createBuffer({2, 44100}, 4000, BufferKind::Static), nullptr);
}

TEST(Mixer, AttenuationScalesTheAmplitude) {
    struct Case {
        int32_t hundredthsDb;
        double factor;
    };
    for (const Case c : {Case{0, 1.0}, Case{-602, 0.5}, Case{-2000, 0.1}, Case{-10000, 0.0}}) {
        Rig rig;
        auto tone = makeBuffer(rig.device, {2, 44100}, 44100, sine(441, 44100));
        ASSERT_NE(tone, nullptr);
        tone->setVolume(c.hundredthsDb);
        ASSERT_TRUE(tone->play(true));
        rig.advance(1000);
        const WavFile wav = rig.recording();
        ASSERT_EQ(wav.frames(), 44100u);
        const double expected = 32767 * c.factor;
        for (int side : {0, 1})
            EXPECT_NEAR(peak(wav, kLatency, wav.frames(), side), expected, expected * 0.01 + 0.5)
                << c.hundredthsDb << " side " << side;
    }
}

TEST(Mixer, ResamplingKeepsTheFrequency) {
    struct Case {
        PcmFormat format;
        double hz;
    };
    const Case cases[] = {
        {{1, 22050}, 1000}, {{1, 11025}, 300}, {{2, 48000}, 1000}, {{2, 32000}, 2500}};
    for (const Case& c : cases) {
        Rig rig;
        auto tone = makeBuffer(rig.device, c.format, static_cast<uint32_t>(c.format.rate),
                               sine(c.hz, c.format.rate));
        ASSERT_NE(tone, nullptr);
        ASSERT_TRUE(tone->play(true));
        rig.advance(2000);
        const WavFile wav = rig.recording();
        const size_t from = kLatency, to = wav.frames();
        EXPECT_NEAR(frequency(wav, from, to), c.hz, c.hz * 0.005) << c.format.rate;
        // Interpolation between samples may shave the tops a little.
        EXPECT_NEAR(peak(wav, from, to, 0), 32767, 32767 * 0.02) << c.format.rate;
        if (c.format.channels == 1) {
            for (size_t f = from; f < to; ++f)
                ASSERT_EQ(wav.left(f), wav.right(f)) << "mono goes to both sides, frame " << f;
        }
    }
}

TEST(Mixer, SidesStayApartSumsAddAndTheTotalIsClipped) {
    Rig rig;
    auto stereo = makeBuffer(rig.device, {2, 44100}, 4410,
                             [](uint32_t, int c) { return int16_t(c == 0 ? 1000 : -2000); });
    auto loud = makeBuffer(rig.device, {1, 44100}, 4410, constant(32000));
    auto louder = makeBuffer(rig.device, {1, 44100}, 4410, constant(32000));
    ASSERT_TRUE(stereo && loud && louder);
    ASSERT_TRUE(stereo->play(false));
    rig.advance(50);
    ASSERT_TRUE(loud->play(false));
    ASSERT_TRUE(louder->play(false));
    rig.advance(200);
    const WavFile wav = rig.recording();
    const size_t both = kLatency + 2205; // 50 ms in: the loud pair joins
    EXPECT_EQ(wav.left(kLatency), 1000);
    EXPECT_EQ(wav.right(kLatency), -2000);
    EXPECT_EQ(wav.left(both - 1), 1000);
    EXPECT_EQ(wav.left(both), 32767);  // 1000 + 2 * 32000, clipped
    EXPECT_EQ(wav.right(both), 32767); // -2000 + 64000
    EXPECT_EQ(wav.left(kLatency + 4410), 32767);
    EXPECT_EQ(wav.right(kLatency + 4410), 32767); // the stereo buffer has ended
    EXPECT_EQ(wav.left(both + 4410), 0);          // all three ended
}

TEST(SoundBuffer, AStaticBufferStopsWhenItsEndIsHeard) {
    Rig rig;
    auto blip = makeBuffer(rig.device, {1, 44100}, 4410, constant(5000)); // 100 ms
    ASSERT_NE(blip, nullptr);
    ASSERT_TRUE(blip->play(false));
    rig.advance(100);
    // Every frame is mixed, the last ones are still on their way to the speaker.
    EXPECT_TRUE(blip->playing());
    rig.advance(23); // 1014 frames: 10 short of the latency
    EXPECT_TRUE(blip->playing());
    rig.advance(1);
    EXPECT_FALSE(blip->playing());
    uint32_t play = 1, write = 1;
    ASSERT_TRUE(blip->currentPosition(play, write));
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(write, 0u);

    const WavFile wav = rig.recording();
    EXPECT_EQ(wav.left(kLatency - 1), 0);
    EXPECT_EQ(wav.left(kLatency), 5000);
    EXPECT_EQ(wav.right(kLatency + 4409), 5000);
    EXPECT_EQ(wav.left(kLatency + 4410), 0);

    // Played again it starts from the beginning.
    Rig again;
    auto blip2 = makeBuffer(again.device, {1, 44100}, 441, constant(1));
    ASSERT_TRUE(blip2->play(false));
    again.advance(40);
    ASSERT_FALSE(blip2->playing());
    ASSERT_TRUE(blip2->play(false));
    again.advance(5);
    ASSERT_TRUE(blip2->currentPosition(play, write));
    EXPECT_EQ(write, 220u * 2);
}

TEST(SoundBuffer, ASoundShorterThanTheLatencyPlaysUntilItsLastFrameIsHeard) {
    Rig rig;
    auto tick = makeBuffer(rig.device, {1, 44100}, 441, constant(3000)); // 10 ms
    ASSERT_NE(tick, nullptr);
    ASSERT_TRUE(tick->play(false));
    rig.advance(20); // every frame taken, none heard yet: they sound from 23 ms on
    EXPECT_TRUE(tick->playing());
    rig.advance(13); // 1455 frames heard; the last one is frame kLatency + 440
    EXPECT_TRUE(tick->playing());
    rig.advance(1);
    EXPECT_FALSE(tick->playing());

    const WavFile wav = rig.recording();
    EXPECT_EQ(wav.left(kLatency - 1), 0);
    EXPECT_EQ(wav.left(kLatency), 3000);
    EXPECT_EQ(wav.left(kLatency + 440), 3000);
    EXPECT_EQ(wav.left(kLatency + 441), 0);
}

TEST(SoundBuffer, StoppedWhileItsEndIsStillHeardItPlaysAgainFromTheStart) {
    Rig rig;
    auto tick = makeBuffer(rig.device, {1, 44100}, 441, constant(3000));
    ASSERT_NE(tick, nullptr);
    ASSERT_TRUE(tick->play(false));
    rig.advance(20); // all of it mixed, still on its way to the speaker
    ASSERT_TRUE(tick->playing());
    tick->stop();
    ASSERT_TRUE(tick->play(false));
    rig.advance(40);
    EXPECT_FALSE(tick->playing());

    const WavFile wav = rig.recording();
    const size_t again = 882 + kLatency; // played again at 20 ms
    EXPECT_EQ(wav.left(again - 1), 0);
    EXPECT_EQ(wav.left(again), 3000);
    EXPECT_EQ(wav.left(again + 440), 3000);
    EXPECT_EQ(wav.left(again + 441), 0);
}

TEST(SoundBuffer, ALoopingBufferWraps) {
    Rig rig;
    const uint32_t n = 1000;
    auto ramp = makeBuffer(rig.device, {2, 44100}, n,
                           [](uint32_t f, int c) { return int16_t(c == 0 ? f : -int(f)); });
    ASSERT_NE(ramp, nullptr);
    ASSERT_TRUE(ramp->play(true));
    rig.advance(500);
    EXPECT_TRUE(ramp->playing());
    uint32_t play = 0, write = 0;
    ASSERT_TRUE(ramp->currentPosition(play, write));
    EXPECT_EQ(write, (22050 % n) * 4);
    const WavFile wav = rig.recording();
    for (size_t f = kLatency; f < wav.frames(); ++f) {
        ASSERT_EQ(wav.left(f), int16_t((f - kLatency) % n)) << f;
        ASSERT_EQ(wav.right(f), -int16_t((f - kLatency) % n)) << f;
    }
}

TEST(SoundBuffer, LockHandsOutTwoRegionsWhereTheRangeWraps) {
    Rig rig;
    auto buffer = makeBuffer(rig.device, {2, 44100}, 250, constant(7)); // 1000 bytes
    ASSERT_NE(buffer, nullptr);
    SoundBuffer::Region a, b;
    ASSERT_TRUE(buffer->lock(800, 400, a, b));
    EXPECT_EQ(a.bytes, 200u);
    EXPECT_EQ(b.bytes, 200u);
    EXPECT_EQ(b.data, a.data + 200);
    EXPECT_EQ(reinterpret_cast<int16_t*>(a.data)[0], 7); // the present content
    SoundBuffer::Region c, d;
    EXPECT_FALSE(buffer->lock(0, 4, c, d)) << "a lock is already held";
    std::fill(a.data, a.data + 200, uint8_t{0x11});
    std::fill(b.data, b.data + 200, uint8_t{0x22});
    buffer->unlock();

    ASSERT_TRUE(buffer->lock(0, 1000, a, b));
    EXPECT_EQ(a.bytes, 1000u);
    EXPECT_EQ(b.bytes, 0u);
    EXPECT_EQ(b.data, nullptr);
    EXPECT_EQ(a.data[0], 0x22);
    EXPECT_EQ(a.data[199], 0x22);
    EXPECT_EQ(a.data[200], 7);
    EXPECT_EQ(a.data[799], 0);
    EXPECT_EQ(a.data[800], 0x11);
    EXPECT_EQ(a.data[999], 0x11);
    buffer->unlock();

    struct Case {
        uint32_t offset, bytes;
    };
    for (const Case bad : {Case{0, 0}, Case{0, 1001}, Case{1000, 4}, Case{5000, 4}}) {
        EXPECT_FALSE(buffer->lock(bad.offset, bad.bytes, a, b)) << bad.offset << "+" << bad.bytes;
        EXPECT_EQ(a.data, nullptr);
    }
    ASSERT_TRUE(buffer->lock(996, 1000, a, b)); // the whole buffer, wrapped
    EXPECT_EQ(a.bytes + b.bytes, 1000u);
    buffer->unlock();
}

TEST(SoundBuffer, TheWriteCursorLeadsThePlayCursorByTheLatency) {
    for (const PcmFormat format : {PcmFormat{2, 44100}, PcmFormat{1, 22050}}) {
        Rig rig;
        auto ring = makeBuffer(rig.device, format, static_cast<uint32_t>(format.rate), constant(1),
                               BufferKind::Streaming);
        ASSERT_NE(ring, nullptr);
        const uint32_t block = static_cast<uint32_t>(format.blockAlign());
        const uint32_t lag = kLatency * static_cast<uint32_t>(format.rate) / 44100;
        uint32_t play = 1, write = 1;
        ASSERT_TRUE(ring->play(true));
        ASSERT_TRUE(ring->currentPosition(play, write));
        EXPECT_EQ(play, 0u);
        EXPECT_EQ(write, 0u);

        rig.advance(100); // a tenth of the buffer taken
        ASSERT_TRUE(ring->currentPosition(play, write));
        EXPECT_EQ(write, static_cast<uint32_t>(format.rate) / 10 * block) << format.rate;
        EXPECT_EQ(write - play, lag * block) << format.rate;

        rig.advance(910); // wrapped: the play cursor is before the end, the write cursor past it
        ASSERT_TRUE(ring->currentPosition(play, write));
        EXPECT_EQ(write, static_cast<uint32_t>(format.rate) / 100 * block) << format.rate;
        EXPECT_EQ(write + ring->size() - play, lag * block) << format.rate;

        // Moving the position moves both cursors; stopping keeps them together.
        ASSERT_TRUE(ring->setCurrentPosition(8 * block + 1));
        ASSERT_TRUE(ring->currentPosition(play, write));
        EXPECT_EQ(play, 8 * block);
        EXPECT_EQ(write, 8 * block);
        EXPECT_FALSE(ring->setCurrentPosition(ring->size()));
        rig.advance(10);
        ring->stop();
        ASSERT_TRUE(ring->currentPosition(play, write));
        EXPECT_EQ(play, write);
        EXPECT_EQ(write, (8 + static_cast<uint32_t>(format.rate) / 100) * block);
    }
}

TEST(SoundDevice, MixesAtTheRateTheOutputSettledOn) {
    test::PulledOutput output(48000); // its rate is known once it started
    SoundDevice device(&output);
    ASSERT_TRUE(device.open());
    EXPECT_EQ(device.rate(), 48000);
    auto ramp = makeBuffer(device, {1, 48000}, 480, [](uint32_t f, int) { return int16_t(f); });
    ASSERT_TRUE(ramp->play(false));
    std::vector<int16_t> out(480 * 2);
    output.pull(out.data(), 480);
    for (int f = 0; f < 480; ++f)
        ASSERT_EQ(out[2 * f], f) << "a 48 kHz buffer on a 48 kHz output is not resampled";
}

TEST(SoundDevice, ClosingStopsEveryBuffer) {
    Rig rig;
    auto loop = makeBuffer(rig.device, {1, 44100}, 441, constant(1));
    ASSERT_TRUE(loop->play(true));
    rig.advance(10);
    rig.device.close();
    EXPECT_FALSE(rig.device.available());
    EXPECT_FALSE(loop->playing()) << "nothing mixes it: it would never end";
    EXPECT_FALSE(loop->play(true));
    EXPECT_EQ(rig.device.createBuffer({1, 44100}, 100, BufferKind::Static), nullptr);
}

// The music's way of streaming: a looping ring refilled half by half by a thread that
// polls the write cursor every 100 ms. Frame n of the stream is the value wave(n).
int16_t wave(uint64_t n) {
    return static_cast<int16_t>(static_cast<int64_t>(n % 20000) - 10000);
}

struct StreamRun {
    static constexpr uint32_t kRingFrames = 22050; // 0.5 s stereo; halves of 250 ms
    static constexpr uint32_t kHalfBytes = kRingFrames * 2;

    // Streams for ms of virtual time, with a voice-like one-shot at 22.05 kHz on top when
    // withVoice, then stops the thread as the engine does (clear the flag, join).
    static void run(Rig& rig, uint32_t ms, bool withVoice) {
        uint64_t next = 0; // the next stream frame to write
        auto fill = [&next](SoundBuffer::Region r) {
            auto* out = reinterpret_cast<int16_t*>(r.data);
            for (uint32_t i = 0; i < r.bytes / 4; ++i, ++next) {
                out[2 * i] = wave(next);
                out[2 * i + 1] = static_cast<int16_t>(-wave(next));
            }
        };
        auto ring = rig.device.createBuffer({2, 44100}, kRingFrames * 4, BufferKind::Streaming);
        ASSERT_NE(ring, nullptr);
        SoundBuffer::Region a, b;
        ASSERT_TRUE(ring->lock(0, ring->size(), a, b));
        fill(a);
        ring->unlock();
        ASSERT_TRUE(ring->play(true));

        std::atomic<bool> streaming{true};
        bool lastHalf = false;
        auto& clock = rig.platform.clock();
        auto thread = rig.platform.threads().start([&] {
            while (streaming) {
                uint32_t play, write;
                if (ring->currentPosition(play, write)) {
                    const bool half = write >= kHalfBytes;
                    if (half != lastHalf) {
                        lastHalf = half;
                        SoundBuffer::Region x, y;
                        if (ring->lock(half ? 0 : kHalfBytes, kHalfBytes, x, y)) {
                            fill(x);
                            fill(y);
                            ring->unlock();
                        }
                    }
                }
                clock.sleep(100);
            }
        });
        ASSERT_NE(thread, nullptr);
        std::unique_ptr<SoundBuffer> voice;
        if (withVoice) {
            rig.advance(ms / 3);
            voice = makeBuffer(rig.device, {1, 22050}, 11025, sine(700, 22050, 8000));
            voice->setVolume(-300);
            ASSERT_TRUE(voice->play(false));
        }
        rig.advance(ms - (withVoice ? ms / 3 : 0));
        streaming = false;
        thread->join();
    }
};

TEST(Streaming, ARingRefilledByAThreadPlaysWithoutAGap) {
    Rig rig;
    StreamRun::run(rig, 3000, false);
    const WavFile wav = rig.recording();
    ASSERT_GE(wav.frames(), 3u * 44100);
    for (size_t f = kLatency; f < wav.frames(); ++f) {
        ASSERT_EQ(wav.left(f), wave(f - kLatency)) << "frame " << f;
        ASSERT_EQ(wav.right(f), -wave(f - kLatency)) << "frame " << f;
    }
}

TEST(Streaming, TheSameRunTwiceGivesTheSameWavBytes) {
    std::vector<uint8_t> first;
    for (int run = 0; run < 2; ++run) {
        Rig rig;
        StreamRun::run(rig, 2000, true);
        std::string error;
        ASSERT_TRUE(rig.platform.finishAudioOut(error)) << error;
        const std::vector<uint8_t> bytes = rig.dir.read("out.wav");
        ASSERT_GT(bytes.size(), 2u * 44100 * 4);
        if (run == 0)
            first = bytes;
        else
            EXPECT_TRUE(bytes == first) << "the two recordings differ";
    }
}

} // namespace
} // namespace velmira
