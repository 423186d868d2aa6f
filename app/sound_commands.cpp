#include "app/sound_commands.h"

#include <algorithm>

#include "resource/config.h"
#include "resource/preferences.h"
#include "resource/sjis.h"
#include "script/flag_store.h"
#include "text/backlog.h"

namespace velmira {

SoundCommands::SoundCommands(SoundChannels& channels, MessagePump& pump, Backlog& backlog,
                             FlagStore& flags, const UserPreferences& preferences)
    : channels_(channels), pump_(pump), backlog_(backlog), flags_(flags),
      preferences_(preferences) {}

void SoundCommands::loadVoiceCodes(const ConfigStore& config) {
    femaleCodes_.clear();
    SectionView voice;
    if (!config.select(voice, "Define", "Voice")) return;
    const std::string list = voice.getString("Female", "");
    size_t start = 0;
    while (start <= list.size() && femaleCodes_.size() < kMaxVoiceCodes) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view code =
            sjis::skipBlanks(std::string_view(list).substr(start, comma - start));
        // A code is two bytes, compared with the first two bytes of a voice's name.
        if (code.size() >= 2) femaleCodes_.emplace_back(code.substr(0, 2));
        start = comma + 1;
    }
}

void SoundCommands::bind(CommandTable& commands) {
    commands.bind("bgm", [this](const TokenList& args) { return bgm(args); });
    commands.bind("env", [this](const TokenList& args) {
        channels_.playEnv(args.token(0));
        return true;
    });
    commands.bind("se", [this](const TokenList& args) {
        if (!pump_.input().isSkipping()) channels_.playSe(args.token(0));
        return true;
    });
    commands.bind("voice", [this](const TokenList& args) { return voice(args); });
}

bool SoundCommands::bgm(const TokenList& args) {
    const std::string_view name = args.token(0);
    flags_.markRecord(name); // the music was heard
    if (sjis::equalsIgnoringCase(name, "fade"))
        channels_.fadeBgm();
    else if (name.empty())
        channels_.stopBgm(KeepName::No);
    else
        channels_.playBgm(name, !sjis::equalsIgnoringCase(args.token(1), "noloop"));
    return true;
}

bool SoundCommands::isFemaleVoice(std::string_view name) const {
    if (name.size() < 2) return false;
    return std::any_of(femaleCodes_.begin(), femaleCodes_.end(),
                       [&](const std::string& code) { return sjis::equalFolded(name, code, 2); });
}

bool SoundCommands::voice(const TokenList& args) {
    const std::string_view name = args.token(0);
    // "\folder" only changes the folder of the voices that follow ("\" alone empties it).
    if (!name.empty() && name.front() == '\\') {
        channels_.setPathVo(std::string(name.substr(1)));
        return true;
    }
    const bool wanted = isFemaleVoice(name) ? preferences_.femaleVoices : preferences_.maleVoices;
    if (!wanted) return false;
    // The folder, a "\" and the name. With an empty folder the path starts with the "\",
    // which a packed archive never holds ("voice\\name"); a loose file data/voice/name is
    // still found, the doubled separator being one on this system.
    std::string folder = channels_.pathVo();
    if (!folder.empty() && folder.front() == '\\') folder.erase(0, 1);
    const std::string path = folder + "\\" + std::string(name);
    backlog_.setPendingVoice(path);
    if (!pump_.input().isSkipping() && !sjis::equalsIgnoringCase(args.token(1), "ghost"))
        channels_.playVoice(path);
    return true;
}

} // namespace velmira
