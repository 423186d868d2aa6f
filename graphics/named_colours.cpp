#include "graphics/named_colours.h"

#include "resource/sjis.h"

namespace velmira {

namespace {

struct ColourRow {
    std::string_view name;
    Rgb colour;
};

constexpr ColourRow kNamedColours[] = {
    {"WHITE", {255, 255, 255}},  {"RED", {255, 0, 0}},         {"BLUE", {192, 192, 255}},
    {"PURPLE", {255, 160, 190}}, {"ORANGE", {255, 160, 0}},    {"YELLOW", {255, 255, 0}},
    {"PINK", {255, 100, 180}},   {"SKYBLUE", {142, 208, 255}}, {"GREEN", {168, 230, 160}},
    {"BROWN", {180, 130, 10}},   {"GRAY", {170, 170, 170}},    {"BLACK", {0, 0, 0}},
};

} // namespace

std::optional<Rgb> findNamedColour(std::string_view name) {
    for (const ColourRow& row : kNamedColours) {
        if (sjis::equalsIgnoringCase(name, row.name)) return row.colour;
    }
    return std::nullopt;
}

} // namespace velmira
