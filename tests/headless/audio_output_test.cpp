// The headless sound output: exact frame counts on the virtual clock and the --audio-out
// recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/headless/headless_platform.h"
#include "resource/temp_dir.h"
#include "support/audio_rig.h"
#include "support/wav_file.h"

namespace velmira::platform {
namespace {

TEST(HeadlessAudioOutput, EverySecondHoldsExactly44100Frames) {
    struct Case {
        uint32_t stepMs;
        uint32_t steps;
        uint64_t frames;
    };
    // 1 ms is 44.1 frames: the tenths are carried, never lost.
    const Case cases[] = {
        {1, 1000, 44100}, {16, 125, 88200}, {7, 3, 926}, {1, 3, 132}, {3000, 1, 132300}};
    for (const Case& c : cases) {
        HeadlessPlatform platform;
        test::CountingSource source(1234);
        ASSERT_TRUE(platform.audioOutput()->start(source));
        for (uint32_t i = 0; i < c.steps; ++i)
            platform.clock().advance(c.stepMs);
        EXPECT_EQ(platform.audioOutput()->framesHeard(), c.frames) << c.stepMs << " x " << c.steps;
        EXPECT_EQ(source.rendered, c.frames + HeadlessAudioOutput::kLatencyFrames);
        platform.audioOutput()->stop();
    }
}

TEST(HeadlessAudioOutput, RecordsWhatWasHeardFromTheStartOfTheRun) {
    test::TempDir dir;
    HeadlessOptions options;
    options.audioOutPath = dir.path() + "run.wav";
    HeadlessPlatform platform(std::move(options));
    test::CountingSource source(1234);
    platform.clock().advance(100); // silence: nothing plays yet
    ASSERT_TRUE(platform.audioOutput()->start(source));
    platform.clock().advance(1134);
    platform.audioOutput()->stop(); // what was taken is still heard
    platform.clock().advance(100);
    std::string error;
    ASSERT_TRUE(platform.finishAudioOut(error)) << error;

    test::WavFile wav;
    ASSERT_TRUE(test::readWav(dir.path() + "run.wav", wav, &error)) << error;
    EXPECT_EQ(wav.rate, 44100);
    ASSERT_EQ(wav.frames(), 1334u * 441 / 10); // 1334 ms
    // A device starts by playing the first frames it takes; from then on it keeps the
    // latency's frames in hand, and those are still heard after it stopped taking more.
    const size_t first = 4410;                                       // 100 ms
    const size_t last = 54419 + HeadlessAudioOutput::kLatencyFrames; // 1234 ms, plus the lead
    EXPECT_EQ(wav.left(first - 1), 0);
    EXPECT_EQ(wav.left(first), 1234);
    EXPECT_EQ(wav.right(last - 1), 1234);
    EXPECT_EQ(wav.right(last), 0);
    // Nothing but the recording is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(HeadlessAudioOutput, ALongJumpOfTheClockIsHeardAsItIsTaken) {
    // A source that notes, at each call, how many frames the output holds taken and not
    // heard once the call is done.
    class HoldingSource final : public AudioSource {
      public:
        explicit HoldingSource(const HeadlessAudioOutput& output) : output_(output) {}
        void render(int16_t* out, uint32_t frames) override {
            std::fill_n(out, size_t{frames} * 2, int16_t{1234});
            rendered_ += frames;
            most = std::max(most, rendered_ - output_.framesHeard());
        }
        uint64_t most = 0;

      private:
        const HeadlessAudioOutput& output_;
        uint64_t rendered_ = 0;
    };
    test::TempDir dir;
    HeadlessOptions options;
    options.audioOutPath = dir.path() + "run.wav";
    HeadlessPlatform platform(std::move(options));
    HoldingSource source(*platform.audioOutput());
    ASSERT_TRUE(platform.audioOutput()->start(source));
    platform.clock().advance(60000); // a wait with no other thread to wake: one jump
    // The latency and one piece of 4096 frames, not the minute.
    EXPECT_LE(source.most, HeadlessAudioOutput::kLatencyFrames + 4096);
    std::string error;
    ASSERT_TRUE(platform.finishAudioOut(error)) << error;
    test::WavFile wav;
    ASSERT_TRUE(test::readWav(dir.path() + "run.wav", wav, &error)) << error;
    ASSERT_EQ(wav.frames(), 60u * 44100);
    EXPECT_EQ(wav.left(0), 1234);
    EXPECT_EQ(wav.right(wav.frames() - 1), 1234);
}

TEST(HeadlessAudioOutput, ARecordingThatCannotBeWrittenIsReported) {
    test::TempDir dir;
    HeadlessOptions options;
    options.audioOutPath = dir.path() + "no-such-folder/run.wav";
    HeadlessPlatform platform(std::move(options));
    platform.clock().advance(10);
    std::string error;
    EXPECT_FALSE(platform.finishAudioOut(error));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;

    HeadlessOptions silent;
    silent.audio = false;
    silent.audioOutPath = dir.path() + "run.wav";
    HeadlessPlatform noSound(std::move(silent));
    EXPECT_EQ(noSound.audioOutput(), nullptr);
    EXPECT_FALSE(noSound.finishAudioOut(error));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "run.wav"));
}

} // namespace
} // namespace velmira::platform
