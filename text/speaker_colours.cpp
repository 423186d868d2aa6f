#include "text/speaker_colours.h"

#include <array>

#include "resource/config.h"
#include "resource/sjis.h"

namespace velmira {
namespace {

// The colours of groups 1-9, in group order.
constexpr std::array<Rgb, SpeakerColours::kGroups> kGroupColours = {{
    {140, 250, 220},
    {200, 190, 240},
    {255, 220, 250},
    {255, 215, 170},
    {245, 255, 195},
    {190, 230, 255},
    {230, 200, 215},
    {210, 185, 170},
    {255, 150, 150},
}};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kNarration{215, 215, 215};

// A group is written as plain decimal digits; "3x", "-1" or an empty value is no group.
int32_t groupOf(std::string_view value) {
    if (value.empty() || value.size() > 4) return 0;
    int32_t group = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return 0;
        group = group * 10 + (c - '0');
    }
    return group;
}

} // namespace

void SpeakerColours::load(const ConfigStore& config) {
    clear();
    SectionView section;
    if (!config.select(section, "Define", "Speaker")) return;
    for (const auto& [name, value] : section.keys())
        add(name, groupOf(value));
}

void SpeakerColours::add(std::string_view name, int32_t group) {
    if (name.empty() || group < 1 || group > kGroups) return;
    names_.push_back({std::string(name), group});
}

Rgb SpeakerColours::colourOf(std::string_view name, bool colourOn) const {
    if (!colourOn) return kWhite;
    if (name.empty()) return kNarration;
    // The first row that matches wins (two rows can differ only in the case of a letter).
    for (const Row& row : names_) {
        if (sjis::equalsIgnoringCase(row.name, name)) return kGroupColours[row.group - 1];
    }
    return kWhite;
}

} // namespace velmira
