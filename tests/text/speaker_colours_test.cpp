// The speaker colour table read from the game's configuration.
#include "text/speaker_colours.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "resource/config.h"

namespace velmira {
namespace {

std::string sjis(std::string_view utf8) {
    return platform::utf8ToSjis(utf8);
}

TEST(SpeakerColours, NamesFromTheConfigurationPickTheirGroupsColour) {
    ConfigStore config;
    config.parse(sjis("[Define.Speaker]\r\n"
                      "アリス=1\r\n"
                      "bob=9\r\n"
                      "ア=2\r\n"
                      "Carol=0\r\n"
                      "Dave=10\r\n"
                      "Eve=x\r\n"
                      "Frank=3x\r\n"
                      "Gina=-4\r\n"
                      "[Define.Flag]\r\n"
                      "Hana=3\r\n"));
    SpeakerColours colours;
    colours.add("stale", 4);
    colours.load(config);

    const Rgb white{255, 255, 255};
    struct Case {
        std::string name;
        Rgb expected;
    };
    const Case cases[] = {
        {sjis("アリス"), {140, 250, 220}},
        {"bob", {255, 150, 150}},
        {"BoB", {255, 150, 150}}, // ASCII letters without regard to case
        {sjis("ア"), {200, 190, 240}},
        {sjis("ヂ"), white}, // 83 61 against 83 41: a trail byte compares exactly
        {"Carol", white},    // groups outside 1-9 and numbers with junk are ignored
        {"Dave", white},
        {"Eve", white},
        {"Frank", white},
        {"Gina", white},
        {"Hana", white},  // another section
        {"stale", white}, // load replaces the table
        {"nobody", white},
        {"", {215, 215, 215}}, // narration
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(colours.colourOf(c.name, true), c.expected);
        EXPECT_EQ(colours.colourOf(c.name, false), white); // preference off
    }

    // Every group's colour, in order.
    const Rgb groups[] = {{140, 250, 220}, {200, 190, 240}, {255, 220, 250},
                          {255, 215, 170}, {245, 255, 195}, {190, 230, 255},
                          {230, 200, 215}, {210, 185, 170}, {255, 150, 150}};
    colours.clear();
    for (char g = 1; g <= 9; ++g)
        colours.add(std::string{'n', char('0' + g)}, g);
    for (char g = 1; g <= 9; ++g)
        EXPECT_EQ(colours.colourOf(std::string{'N', char('0' + g)}, true), groups[g - 1]) << int(g);
}

} // namespace
} // namespace velmira
