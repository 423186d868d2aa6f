// The SDL sound output on SDL's dummy audio driver, which pulls in real time like a sound
// card but plays nothing.
#ifdef VELMIRA_HAVE_SDL

#include "platform/sdl/sdl_audio_output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_device.h"
#include "support/audio_rig.h"

namespace velmira::platform {
namespace {

// Waits (up to 5 s of wall time) until done() holds.
template <typename Done> bool within5s(Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class SdlAudio : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    }
    void TearDown() override {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        ::unsetenv("SDL_AUDIODRIVER");
    }
};

TEST_F(SdlAudio, OpensPullsAndCloses) {
    std::vector<std::string> notes;
    SdlAudioOutput output([&](std::string_view text) { notes.emplace_back(text); });
    test::CountingSource source;
    ASSERT_TRUE(output.start(source));
    EXPECT_GE(output.rate(), 8000);
    EXPECT_GT(output.latencyFrames(), 0u);
    EXPECT_TRUE(within5s([&] { return source.rendered >= 4096; }));
    output.lock(); // excludes the callback
    const uint64_t held = source.rendered;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(source.rendered, held) << "rendered while the lock was held";
    output.unlock();
    output.stop();
    const uint64_t after = source.rendered;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(source.rendered, after) << "rendered after stop";
    EXPECT_TRUE(notes.empty());
}

TEST_F(SdlAudio, ALostDeviceIsReplacedAndTheSoundGoesOn) {
    std::vector<std::string> notes;
    SdlAudioOutput output([&](std::string_view text) { notes.emplace_back(text); });
    SoundDevice device(&output);
    ASSERT_TRUE(device.open());
    EXPECT_EQ(device.rate(), output.rate());
    auto buffer = device.createBuffer({2, 22050}, 22050 * 4, BufferKind::Streaming);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(buffer->play(true));
    const SDL_AudioDeviceID first = output.device();

    // What SDL reports when a USB headset is pulled out.
    SDL_Event removed{};
    removed.type = SDL_AUDIODEVICEREMOVED;
    removed.adevice.which = first;
    ASSERT_EQ(SDL_PushEvent(&removed), 1);
    ASSERT_TRUE(within5s([&] { return output.reopens() == 1; }));
    EXPECT_NE(output.device(), 0u);
    EXPECT_FALSE(output.silent());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("lost"), std::string::npos) << notes[0];

    // The buffer's cursor keeps moving on the new device.
    uint32_t play = 0, write = 0;
    ASSERT_TRUE(buffer->currentPosition(play, write));
    const uint32_t before = write;
    EXPECT_TRUE(within5s([&] {
        buffer->currentPosition(play, write);
        return write != before;
    }));
    buffer.reset();
    device.close();
    SDL_FlushEvents(SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED);
}

// SDL's disk driver "plays" into the file SDL_DISKAUDIOFILE names when a device opens;
// a file that cannot be made is a device that cannot be opened.
TEST(SdlAudioDisk, WithNoDeviceLeftTheOutputPullsSilentlyUntilOneAppears) {
    const std::string folder = ::testing::TempDir();
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", (folder + "velmira-disk-audio.raw").c_str(), 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    {
        std::vector<std::string> notes;
        SdlAudioOutput output([&](std::string_view text) { notes.emplace_back(text); });
        test::CountingSource source;
        ASSERT_TRUE(output.start(source));

        ::setenv("SDL_DISKAUDIOFILE", "/no-such-folder/velmira.raw", 1);
        SDL_Event event{};
        event.type = SDL_AUDIODEVICEREMOVED;
        event.adevice.which = output.device();
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        ASSERT_TRUE(within5s([&] { return output.silent(); }));
        EXPECT_EQ(output.device(), 0u);
        // Still pulled in real time, so that sounds end and cursors move.
        const uint64_t before = source.rendered;
        EXPECT_TRUE(within5s([&] { return source.rendered > before + 2048; }));

        ::setenv("SDL_DISKAUDIOFILE", (folder + "velmira-disk-audio.raw").c_str(), 1);
        event = SDL_Event{};
        event.type = SDL_AUDIODEVICEADDED;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        ASSERT_TRUE(within5s([&] { return !output.silent(); }));
        EXPECT_NE(output.device(), 0u);
        output.stop();
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_NE(notes[0].find("silent"), std::string::npos) << notes[0];
        EXPECT_NE(notes[1].find("back"), std::string::npos) << notes[1];
    }
    SDL_FlushEvents(SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    ::unsetenv("SDL_DISKAUDIOFILE");
    ::unsetenv("SDL_AUDIODRIVER");
    std::remove((folder + "velmira-disk-audio.raw").c_str());
}

TEST(SdlAudioNoDevice, StartFailsAndSaysSoOnce) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        // Some SDL builds fall back to another driver; then there is nothing to see here.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        ::unsetenv("SDL_AUDIODRIVER");
        GTEST_SKIP() << "SDL started an audio driver anyway";
    }
    // Without a driver no device can be opened.
    std::vector<std::string> notes;
    SdlAudioOutput output([&](std::string_view text) { notes.emplace_back(text); });
    test::CountingSource source;
    EXPECT_FALSE(output.start(source));
    EXPECT_FALSE(output.start(source));
    EXPECT_EQ(notes.size(), 1u);
    SoundDevice device(&output);
    EXPECT_FALSE(device.open());
    EXPECT_EQ(device.createBuffer({2, 44100}, 400, BufferKind::Static), nullptr);
    ::unsetenv("SDL_AUDIODRIVER");
}

} // namespace
} // namespace velmira::platform

#endif
