// The four sound channels: effects (SE), voices, ambient sound (ENV) and music (BGM), each
// holding at most one sound; starting a new one stops the previous one.
//
//   channel  folder   buffer                        plays
//   SE       "se"     static, decoded whole          once
//   voice    "voice"  static, decoded whole          once
//   ENV      "env"    static, decoded whole          looping
//   BGM      "bgm"    streaming (audio/music_stream) looping unless asked not to
//
// Each channel is switched on or off and given a volume 0-100 from the preferences. The
// ambient and music names are what plays or should play: they survive the channel being
// switched off, so that switching it on again resumes the sound, and they are what a save
// records. The voice folder is the folder prefix of voice files, set by the script.
//
// Failures are silent: without a sound device, or when a file is missing or does not
// decode, a play answers false and nothing sounds; ENV and BGM still remember the name
// the script asked for.
//
// Main thread only; the music's streaming thread is MusicStream's own. The SoundDevice
// must outlive this object (the buffers belong to it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "audio/music_stream.h"
#include "audio/sound_device.h"
#include "platform/clock.h"
#include "platform/threads.h"

namespace velmira {

class ArchiveIndex;
struct UserPreferences;

enum class SoundChannel : uint8_t { Se, Voice, Env, Bgm };

// Whether stopping the ambient sound or the music forgets its name.
enum class KeepName : bool { No, Yes };

// Keys of the sound section of a save, in the order it is written: three strings and one
// byte.
inline constexpr char kSaveKeyNameEnv[] = "NameENV";
inline constexpr char kSaveKeyNameBgm[] = "NameBGM";
inline constexpr char kSaveKeyPathVo[] = "PathVO";
inline constexpr char kSaveKeyLoopBgm[] = "LoopBGM";

// What a save keeps of the sound.
struct SoundState {
    std::string nameEnv; // the ambient sound's name, empty for none
    std::string nameBgm; // the music's name, empty for none
    std::string pathVo;  // the voice folder
    bool loopBgm = true; // the music loops
    friend bool operator==(const SoundState&, const SoundState&) = default;
};

class SoundChannels {
  public:
    // device null or unavailable: every play fails silently.
    SoundChannels(SoundDevice* device, const ArchiveIndex& archives,
                  const UserPreferences& preferences, platform::Clock& clock,
                  platform::Threads& threads);
    ~SoundChannels(); // shutdown()
    SoundChannels(const SoundChannels&) = delete;
    SoundChannels& operator=(const SoundChannels&) = delete;

    bool available() const;

    // Set channel for voice, SE, ENV and BGM from the preferences: at start-up and after
    // the configuration dialog.
    void applyPreferences();
    // Stores on and volume (0-100). Off stops the channel (ENV and BGM keep their names);
    // on resumes ENV and BGM. A loaded buffer takes the new volume at once; a music fade
    // is re-evaluated from it.
    void setChannel(SoundChannel channel, bool on, int32_t volume);
    bool channelOn(SoundChannel channel) const;
    int32_t channelVolume(SoundChannel channel) const;

    // Plays "se"\name once, cutting the effect before it. True without playing while the
    // channel is off.
    bool playSe(std::string_view name);
    // Plays "voice"\path once (path: the voice folder, "\" and the name).
    bool playVoice(std::string_view path);
    // Loops "env"\name. The name already playing (any case) goes on undisturbed; another
    // one replaces it; an empty name stops the ambient sound and forgets it (true).
    bool playEnv(std::string_view name);
    // Streams "bgm"\name. An empty name fails and changes nothing; the music already
    // playing (any case) goes on undisturbed; another one is remembered with its loop
    // flag and started when the channel is on.
    bool playBgm(std::string_view name, bool loop);
    // Fades the music out over up to 10 s and forgets its name, so that neither a save
    // nor switching the channel on again brings it back.
    void fadeBgm();

    void stopSe();
    void stopVoice();
    void stopEnv(KeepName keep);
    void stopBgm(KeepName keep);
    // Plays the remembered sound again unless it still plays; with no name remembered,
    // stops the channel.
    void resumeEnv();
    void resumeBgm();

    bool voicePlaying() const;
    bool envPlaying() const;
    // False while the music fades.
    bool bgmPlaying() const;
    // The channel's buffer, null when it holds none (for inspection: the volume, the
    // cursors, what the music ring holds).
    SoundBuffer* buffer(SoundChannel channel);

    // Stops and releases the effect and the voice: the main loop calls this every turn,
    // so that finished sounds do not hold their buffers.
    void releaseEffectsAndVoice();
    // Stops all four channels (forgetting the names) and closes the music decoder.
    void shutdown();

    // The save's sound state. restoreSoundState stops voice, SE, BGM and ENV (forgetting
    // their names), takes the state, then resumes ENV and BGM.
    SoundState soundState() const;
    void restoreSoundState(const SoundState& state);

    const std::string& nameEnv() const { return nameEnv_; }
    const std::string& nameBgm() const { return nameBgm_; }
    const std::string& pathVo() const { return pathVo_; }
    void setPathVo(std::string path) { pathVo_ = std::move(path); }
    bool loopBgm() const { return loopBgm_; }

  private:
    struct StaticChannel {
        const char* folder;
        bool on = true;
        int32_t volume = 50;
        std::unique_ptr<SoundBuffer> buffer;
    };

    // SE, voice and ENV; null for BGM, which is the music stream's.
    const StaticChannel* staticChannel(SoundChannel channel) const;
    StaticChannel* staticChannel(SoundChannel channel) {
        return const_cast<StaticChannel*>(std::as_const(*this).staticChannel(channel));
    }
    bool playStatic(StaticChannel& channel, std::string_view name, bool looping);
    static void stopStatic(StaticChannel& channel);
    static bool isPlaying(const StaticChannel& channel);

    SoundDevice* device_;
    const ArchiveIndex& archives_;
    const UserPreferences& preferences_;
    StaticChannel se_{"se", true, 50, nullptr};
    StaticChannel voice_{"voice", true, 50, nullptr};
    StaticChannel env_{"env", true, 50, nullptr};
    bool bgmOn_ = true;
    MusicStream music_;
    std::string nameEnv_;
    std::string nameBgm_;
    std::string pathVo_;
    bool loopBgm_ = true;
};

} // namespace velmira
