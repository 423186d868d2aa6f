// The colour of a message by its speaker: a game names its characters in the
// configuration, group "Define", section "Speaker", one line NAME=GROUP per character
// (NAME in Shift-JIS as the script writes it, GROUP 1-9). The nine groups have fixed
// colours; a name not in the table is white and narration (an empty name) light grey.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/pixel.h"

namespace velmira {

class ConfigStore;

class SpeakerColours {
  public:
    static constexpr int32_t kGroups = 9;

    // Replaces the table with the section's lines; lines whose group is not 1-9 are
    // ignored.
    void load(const ConfigStore& config);
    void add(std::string_view name, int32_t group);
    void clear() { names_.clear(); }

    // Names compare as the system compares them: ASCII letters without regard to case,
    // every other byte exactly. colourOn is the player's "text colour" preference: off,
    // every message is white.
    Rgb colourOf(std::string_view name, bool colourOn) const;

  private:
    struct Row {
        std::string name;
        int32_t group; // 1-9
    };
    std::vector<Row> names_;
};

} // namespace velmira
