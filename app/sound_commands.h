// The script commands of the sound - bgm, env, se and voice - and the page display's view
// of the voice channel (whether the voice still plays, for auto mode; stopping it at a
// page turn).
//
// Voices belong to characters; a game names the codes of its female characters in its
// configuration, group "Define", section "Voice": Female=ak,mi,yu (at most seven
// two-letter codes). A voice file whose name starts with one of them (any case) is played
// when the player's "female voices" preference is on, every other voice when "male
// voices" is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_display.h"
#include "app/message_pump.h"
#include "audio/sound_channels.h"
#include "script/command_table.h"

namespace velmira {

class Backlog;
class ConfigStore;
class FlagStore;
struct UserPreferences;

class SoundCommands final : public VoiceChannel {
  public:
    static constexpr size_t kMaxVoiceCodes = 7;

    SoundCommands(SoundChannels& channels, MessagePump& pump, Backlog& backlog, FlagStore& flags,
                  const UserPreferences& preferences);

    // The female voice codes from the configuration (replacing the last ones).
    void loadVoiceCodes(const ConfigStore& config);
    void bind(CommandTable& commands);

    bool bgm(const TokenList& arguments);
    bool voice(const TokenList& arguments);
    bool isFemaleVoice(std::string_view name) const;

    // VoiceChannel
    bool voicePlaying() override { return channels_.voicePlaying(); }
    void stopVoice() override { channels_.stopVoice(); }

  private:
    SoundChannels& channels_;
    MessagePump& pump_;
    Backlog& backlog_;
    FlagStore& flags_;
    const UserPreferences& preferences_;
    std::vector<std::string> femaleCodes_; // at most kMaxVoiceCodes, two bytes each
};

} // namespace velmira
