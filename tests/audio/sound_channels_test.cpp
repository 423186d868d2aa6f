// The four channels and the music stream on the headless platform: a real sound device on
// the headless output, the streaming thread in lockstep with the virtual clock, and sounds
// the tests encode themselves into a game archive.
#include "audio/sound_channels.h"

#include <gtest/gtest.h>

#include <map>

#include "audio/ogg_decoder.h"
#include "platform/headless/headless_platform.h"
#include "resource/archive.h"
#include "resource/preferences.h"
#include "support/audio_rig.h"
#include "support/game_fixture.h"
#include "support/ogg_fixture.h"

namespace velmira {
namespace {

using Bytes = std::vector<uint8_t>;
using test::slice;

test::OggTone tone(int channels, long rate, double seconds,
                   std::vector<std::pair<std::string, std::string>> comments = {}) {
    test::OggTone t;
    t.channels = channels;
    t.rate = rate;
    t.frames = static_cast<int64_t>(seconds * static_cast<double>(rate));
    t.comments = std::move(comments);
    return t;
}

// The game's sounds, encoded once for the whole program.
const std::vector<ArchiveMember>& soundMembers() {
    static const std::vector<ArchiveMember> members = {
        {"env\\rain.ogg", test::encodeOggTone(tone(1, 44100, 2))},
        {"env\\wind.ogg", test::encodeOggTone(tone(2, 22050, 1))},
        {"se\\click.ogg", test::encodeOggTone(tone(1, 44100, 0.2))},
        {"voice\\v\\a01.ogg", test::encodeOggTone(tone(1, 44100, 1))},
        {"voice\\v\\a02.ogg", test::encodeOggTone(tone(2, 22050, 1))},
        // Eight seconds looping between frames 44100 and 300000: a refill (220500 frames)
        // is shorter than the loop, so the stream never leaves a gap.
        {"bgm\\theme.ogg",
         test::encodeOggTone(tone(1, 44100, 8, {{"start", "44100"}, {"end", "300000"}}))},
        {"bgm\\short.ogg", test::encodeOggTone(tone(1, 44100, 1))},
        {"bgm\\other.ogg", test::encodeOggTone(tone(2, 44100, 3))},
    };
    return members;
}

// The whole content of a buffer (through lock, which hands out what it holds).
Bytes contentOf(SoundBuffer& buffer) {
    SoundBuffer::Region first, second;
    EXPECT_TRUE(buffer.lock(0, buffer.size(), first, second));
    Bytes out(first.data, first.data + first.bytes);
    if (second.data) out.insert(out.end(), second.data, second.data + second.bytes);
    buffer.unlock();
    return out;
}

class SoundChannelsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(game_.addArchive("sound.dat", 1, soundMembers()));
        archives_.setDataFolder(game_.dataFolder());
        ASSERT_TRUE(archives_.mountAll());
        ASSERT_TRUE(device_.open());
        channels_ = std::make_unique<SoundChannels>(&device_, archives_, preferences_,
                                                    platform_.clock(), platform_.threads());
        channels_->applyPreferences();
    }
    void TearDown() override { channels_.reset(); }

    void advance(uint32_t ms) { platform_.clock().advance(ms); }
    uint32_t now() { return platform_.clock().now(); }

    test::TempGame game_;
    Trace trace_;
    ArchiveIndex archives_{"/nonexistent/", trace_};
    UserPreferences preferences_;
    platform::HeadlessPlatform platform_;
    SoundDevice device_{platform_.audioOutput()};
    std::unique_ptr<SoundChannels> channels_;
};

TEST_F(SoundChannelsTest, AmbientSameNameGoesOnAnotherSwitchesEmptyStopsAndForgets) {
    ASSERT_TRUE(channels_->playEnv("rain.ogg"));
    EXPECT_TRUE(channels_->envPlaying());
    advance(1500);
    SoundBuffer* rain = channels_->buffer(SoundChannel::Env);
    ASSERT_NE(rain, nullptr);
    EXPECT_TRUE(rain->looping());
    uint32_t play = 0, write = 0;
    ASSERT_TRUE(rain->currentPosition(play, write));
    EXPECT_GT(play, 100000u); // about 1.5 s of mono in

    // The same name in another case: not restarted.
    EXPECT_TRUE(channels_->playEnv("RAIN.OGG"));
    EXPECT_EQ(channels_->buffer(SoundChannel::Env), rain);
    uint32_t playAfter = 0;
    ASSERT_TRUE(rain->currentPosition(playAfter, write));
    EXPECT_EQ(playAfter, play);
    EXPECT_EQ(channels_->nameEnv(), "rain.ogg");

    // A looping ambient sound is still playing after its end.
    advance(1000);
    EXPECT_TRUE(channels_->envPlaying());

    // Another name switches.
    EXPECT_TRUE(channels_->playEnv("wind.ogg"));
    ASSERT_NE(channels_->buffer(SoundChannel::Env), nullptr);
    EXPECT_EQ(channels_->buffer(SoundChannel::Env)->format().rate, 22050);
    EXPECT_EQ(channels_->nameEnv(), "wind.ogg");

    // Empty: stops and leaves nothing to resume.
    EXPECT_TRUE(channels_->playEnv(""));
    EXPECT_FALSE(channels_->envPlaying());
    EXPECT_EQ(channels_->buffer(SoundChannel::Env), nullptr);
    EXPECT_EQ(channels_->nameEnv(), "");
    channels_->resumeEnv();
    EXPECT_FALSE(channels_->envPlaying());

    // A sound that cannot be played is still remembered, for a save.
    EXPECT_FALSE(channels_->playEnv("missing.ogg"));
    EXPECT_EQ(channels_->nameEnv(), "missing.ogg");
}

TEST_F(SoundChannelsTest, ChannelSwitchesAndVolumes) {
    ASSERT_TRUE(channels_->playEnv("rain.ogg"));
    EXPECT_EQ(channels_->buffer(SoundChannel::Env)->volume(), -602); // the default 50

    // Off keeps the ambient name; on plays it again.
    channels_->setChannel(SoundChannel::Env, false, 50);
    EXPECT_FALSE(channels_->envPlaying());
    EXPECT_EQ(channels_->nameEnv(), "rain.ogg");
    EXPECT_TRUE(channels_->playEnv("wind.ogg")); // remembered only while off
    EXPECT_EQ(channels_->buffer(SoundChannel::Env), nullptr);
    channels_->setChannel(SoundChannel::Env, true, 10);
    EXPECT_TRUE(channels_->envPlaying());
    EXPECT_EQ(channels_->buffer(SoundChannel::Env)->format().rate, 22050);
    EXPECT_EQ(channels_->buffer(SoundChannel::Env)->volume(), -2000);

    // Volume 0 is silence while the channel stays on.
    channels_->setChannel(SoundChannel::Env, true, 0);
    EXPECT_TRUE(channels_->envPlaying());
    EXPECT_TRUE(channels_->channelOn(SoundChannel::Env));
    EXPECT_EQ(channels_->buffer(SoundChannel::Env)->volume(), -10000);

    // The preferences, applied as the configuration dialog closes.
    preferences_.seOn = false;
    preferences_.voiceVolume = 100;
    preferences_.envOn = false;
    preferences_.bgmVolume = 1;
    channels_->applyPreferences();
    EXPECT_FALSE(channels_->channelOn(SoundChannel::Se));
    EXPECT_EQ(channels_->channelVolume(SoundChannel::Voice), 100);
    EXPECT_FALSE(channels_->envPlaying());
    EXPECT_EQ(channels_->nameEnv(), "wind.ogg");
    EXPECT_EQ(channels_->channelVolume(SoundChannel::Bgm), 1);
}

TEST_F(SoundChannelsTest, EffectsAndVoicesPlayOnceAndAreReleasedEachTurn) {
    ASSERT_TRUE(channels_->playSe("click.ogg"));
    SoundBuffer* click = channels_->buffer(SoundChannel::Se);
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->size(), 0.2 * 44100 * 2);
    EXPECT_TRUE(click->playing());
    EXPECT_FALSE(click->looping());
    advance(400);
    EXPECT_FALSE(click->playing()); // finished, still held until the next turn
    EXPECT_EQ(channels_->buffer(SoundChannel::Se), click);

    ASSERT_TRUE(channels_->playVoice("v\\a01.ogg"));
    EXPECT_TRUE(channels_->voicePlaying());
    advance(300);
    // A second voice cuts the first.
    ASSERT_TRUE(channels_->playVoice("v\\a02.ogg"));
    EXPECT_EQ(channels_->buffer(SoundChannel::Voice)->format().channels, 2);
    EXPECT_TRUE(channels_->voicePlaying());

    channels_->releaseEffectsAndVoice();
    EXPECT_EQ(channels_->buffer(SoundChannel::Se), nullptr);
    EXPECT_EQ(channels_->buffer(SoundChannel::Voice), nullptr);
    EXPECT_FALSE(channels_->voicePlaying());

    EXPECT_FALSE(channels_->playSe("missing.ogg"));
    EXPECT_FALSE(channels_->playSe(""));
    // Switched off: nothing plays, and that is no failure.
    channels_->setChannel(SoundChannel::Voice, false, 50);
    EXPECT_TRUE(channels_->playVoice("v\\a01.ogg"));
    EXPECT_FALSE(channels_->voicePlaying());
}

TEST_F(SoundChannelsTest, MusicStreamsHalfByHalfThroughItsLoop) {
    // What the stream must play: the same decoder, asked the same way (the whole ring,
    // then one half per refill).
    OggDecoder reference(archives_);
    ASSERT_TRUE(reference.open("bgm", "theme.ogg"));
    reference.setLoop(true);
    Bytes expected(MusicStream::kBufferBytes + 2 * MusicStream::kHalfBytes);
    reference.decode(expected.data(), MusicStream::kBufferBytes);
    reference.decode(expected.data() + MusicStream::kBufferBytes, MusicStream::kHalfBytes);
    reference.decode(expected.data() + MusicStream::kBufferBytes + MusicStream::kHalfBytes,
                     MusicStream::kHalfBytes);
    constexpr uint32_t kHalf = MusicStream::kHalfBytes;

    channels_->setChannel(SoundChannel::Bgm, true, 100);
    ASSERT_TRUE(channels_->playBgm("theme.ogg", true));
    EXPECT_TRUE(channels_->bgmPlaying());
    SoundBuffer* ring = channels_->buffer(SoundChannel::Bgm);
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->size(), MusicStream::kBufferBytes);
    EXPECT_EQ(ring->volume(), 0);
    EXPECT_EQ(contentOf(*ring), slice(expected, 0, MusicStream::kBufferBytes));

    // A half of mono 44.1 kHz lasts 5 s: once the write cursor is in the second half, the
    // first one holds what follows the second.
    advance(7000);
    Bytes now = contentOf(*ring);
    EXPECT_EQ(slice(now, 0, kHalf), slice(expected, 2 * kHalf, kHalf));
    EXPECT_EQ(slice(now, kHalf, kHalf), slice(expected, kHalf, kHalf));
    advance(5000);
    now = contentOf(*ring);
    EXPECT_EQ(slice(now, kHalf, kHalf), slice(expected, 3 * kHalf, kHalf));

    // Asking for the music that plays changes nothing.
    EXPECT_TRUE(channels_->playBgm("THEME.OGG", false));
    EXPECT_EQ(channels_->buffer(SoundChannel::Bgm), ring);
    EXPECT_TRUE(channels_->loopBgm());
}

TEST_F(SoundChannelsTest, MusicWithoutLoopEndsInSilenceAndStillPlays) {
    ASSERT_TRUE(channels_->playBgm("short.ogg", false));
    EXPECT_FALSE(channels_->loopBgm());
    advance(6000); // past the end and past a refill
    EXPECT_TRUE(channels_->bgmPlaying());
    const Bytes ring = contentOf(*channels_->buffer(SoundChannel::Bgm));
    EXPECT_EQ(Bytes(ring.begin() + 44100 * 2, ring.end()), Bytes(ring.size() - 44100 * 2, 0));
}

TEST_F(SoundChannelsTest, SwitchingMusicOffKeepsItsNameAndOnRestartsIt) {
    ASSERT_TRUE(channels_->playBgm("other.ogg", true));
    advance(3000);
    channels_->setChannel(SoundChannel::Bgm, false, 50);
    EXPECT_FALSE(channels_->bgmPlaying());
    EXPECT_EQ(channels_->buffer(SoundChannel::Bgm), nullptr);
    EXPECT_EQ(channels_->nameBgm(), "other.ogg");

    // Started while off: remembered, not played.
    EXPECT_TRUE(channels_->playBgm("theme.ogg", false));
    EXPECT_FALSE(channels_->bgmPlaying());
    EXPECT_EQ(channels_->nameBgm(), "theme.ogg");

    channels_->setChannel(SoundChannel::Bgm, true, 50);
    EXPECT_TRUE(channels_->bgmPlaying());
    SoundBuffer* ring = channels_->buffer(SoundChannel::Bgm);
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->volume(), -602);
    // From the beginning of the stream.
    OggDecoder reference(archives_);
    ASSERT_TRUE(reference.open("bgm", "theme.ogg"));
    Bytes start(MusicStream::kBufferBytes);
    reference.decode(start.data(), MusicStream::kBufferBytes);
    EXPECT_EQ(contentOf(*ring), start);

    // An empty name fails and changes nothing.
    EXPECT_FALSE(channels_->playBgm("", true));
    EXPECT_TRUE(channels_->bgmPlaying());
    EXPECT_EQ(channels_->nameBgm(), "theme.ogg");
}

TEST_F(SoundChannelsTest, FadeLastsTenSecondsFromFullVolumeAndForgetsTheName) {
    struct Case {
        int32_t volume;
        uint32_t lastsMs; // until the level passes -100 dB
    };
    for (const Case c : {Case{100, 10000}, Case{50, 9398}}) {
        SCOPED_TRACE(c.volume);
        channels_->setChannel(SoundChannel::Bgm, true, c.volume);
        ASSERT_TRUE(channels_->playBgm("theme.ogg", true));
        advance(1000);
        channels_->fadeBgm();
        EXPECT_EQ(channels_->nameBgm(), "");
        EXPECT_FALSE(channels_->bgmPlaying());
        SoundBuffer* ring = channels_->buffer(SoundChannel::Bgm);
        ASSERT_NE(ring, nullptr);

        advance(5000);
        EXPECT_LE(ring->volume(), volumeToAttenuation(c.volume) - 4900);
        EXPECT_GE(ring->volume(), volumeToAttenuation(c.volume) - 5000);
        // A fade already under way is not restarted.
        channels_->fadeBgm();
        advance(c.lastsMs - 5000 - 60);
        EXPECT_TRUE(ring->playing());
        advance(170); // the thread looks every 100 ms
        EXPECT_FALSE(ring->playing());
        EXPECT_EQ(channels_->buffer(SoundChannel::Bgm), ring); // allocated until stopped

        // Nothing to resume; the same music starts again when asked.
        channels_->resumeBgm();
        EXPECT_EQ(channels_->buffer(SoundChannel::Bgm), nullptr);
        ASSERT_TRUE(channels_->playBgm("theme.ogg", true));
        EXPECT_TRUE(channels_->bgmPlaying());
        channels_->stopBgm(KeepName::No);
    }
}

TEST_F(SoundChannelsTest, AVolumeChangeDuringAFade) {
    // The stream re-evaluates a running fade from the new volume at once: -602 - 2000.
    {
        MusicStream music(&device_, archives_, platform_.clock(), platform_.threads());
        music.setVolume(100);
        ASSERT_TRUE(music.start("theme.ogg", true));
        music.startFade();
        advance(2000);
        music.setVolume(50);
        ASSERT_NE(music.buffer(), nullptr);
        EXPECT_EQ(music.buffer()->volume(), -2602);
        EXPECT_TRUE(music.fading());
    }
    EXPECT_EQ(platform_.clock().liveThreads(), 0u);

    // Through the channel the fade has forgotten the name, so setting the channel finds
    // nothing to resume and ends the music.
    ASSERT_TRUE(channels_->playBgm("theme.ogg", true));
    channels_->fadeBgm();
    advance(2000);
    channels_->setChannel(SoundChannel::Bgm, true, 50);
    EXPECT_EQ(channels_->buffer(SoundChannel::Bgm), nullptr);
}

TEST_F(SoundChannelsTest, StoppingTheMusicWhileItsThreadSleepsTakesAtMostARefillPeriod) {
    ASSERT_TRUE(channels_->playBgm("theme.ogg", true));
    advance(250); // the thread sleeps until 300
    const uint32_t before = now();
    channels_->stopBgm(KeepName::Yes);
    const uint32_t took = now() - before;
    EXPECT_LE(took, MusicStream::kRefillPeriodMs);
    EXPECT_EQ(channels_->buffer(SoundChannel::Bgm), nullptr);
    EXPECT_EQ(channels_->nameBgm(), "theme.ogg");
    EXPECT_EQ(platform_.clock().liveThreads(), 0u);
}

TEST_F(SoundChannelsTest, SoundStateRestoresAmbientAndMusic) {
    channels_->setPathVo("v");
    ASSERT_TRUE(channels_->playEnv("rain.ogg"));
    ASSERT_TRUE(channels_->playBgm("other.ogg", false));
    ASSERT_TRUE(channels_->playVoice("v\\a01.ogg"));
    const SoundState saved = channels_->soundState();
    EXPECT_EQ(saved, (SoundState{"rain.ogg", "other.ogg", "v", false}));

    channels_->restoreSoundState({"wind.ogg", "theme.ogg", "w", true});
    EXPECT_FALSE(channels_->voicePlaying()); // voices and effects are not restored
    EXPECT_TRUE(channels_->envPlaying());
    EXPECT_EQ(channels_->buffer(SoundChannel::Env)->format().rate, 22050);
    EXPECT_TRUE(channels_->bgmPlaying());
    EXPECT_EQ(channels_->soundState(), (SoundState{"wind.ogg", "theme.ogg", "w", true}));

    // A state without sounds stops both.
    channels_->restoreSoundState({});
    EXPECT_FALSE(channels_->envPlaying());
    EXPECT_FALSE(channels_->bgmPlaying());
    EXPECT_EQ(platform_.clock().liveThreads(), 0u);

    channels_->restoreSoundState(saved);
    channels_->shutdown();
    EXPECT_EQ(channels_->soundState(), (SoundState{"", "", "v", false}));
    EXPECT_FALSE(channels_->bgmPlaying());
}

TEST(SoundChannelsWithoutDevice, EveryPlayFailsSilentlyAndNamesAreKept) {
    test::TempGame game;
    ASSERT_TRUE(game.addArchive("sound.dat", 1, soundMembers()));
    Trace trace;
    ArchiveIndex archives(game.dataFolder(), trace);
    ASSERT_TRUE(archives.mountAll());
    UserPreferences preferences;
    platform::HeadlessOptions options;
    options.audio = false;
    platform::HeadlessPlatform platform(options);
    SoundDevice device(platform.audioOutput()); // no output: never available
    EXPECT_FALSE(device.open());
    for (SoundDevice* d : {static_cast<SoundDevice*>(nullptr), &device}) {
        SoundChannels channels(d, archives, preferences, platform.clock(), platform.threads());
        channels.applyPreferences();
        EXPECT_FALSE(channels.available());
        EXPECT_FALSE(channels.playSe("click.ogg"));
        EXPECT_FALSE(channels.playVoice("v\\a01.ogg"));
        EXPECT_FALSE(channels.playEnv("rain.ogg"));
        EXPECT_FALSE(channels.playBgm("theme.ogg", true));
        EXPECT_EQ(channels.nameEnv(), "rain.ogg");
        EXPECT_EQ(channels.nameBgm(), "theme.ogg");
        EXPECT_FALSE(channels.bgmPlaying());
        channels.fadeBgm();
        EXPECT_EQ(channels.nameBgm(), "");
        EXPECT_EQ(platform.clock().liveThreads(), 0u);
    }
}

} // namespace
} // namespace velmira
