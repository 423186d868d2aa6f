#include <gtest/gtest.h>

#include <vector>

#include "app/options.h"

namespace velmira {
namespace {

bool parse(std::vector<const char*> args, Options& options, std::string& error) {
    args.insert(args.begin(), "velmira");
    return parseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(Options, EveryOptionIsRead) {
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"--headless", "--timeline", "t.txt", "--audio-out", "a.wav", "--trace",
                       "--save-dir", "s", "--max-ms", "1234", "game"},
                      o, error))
        << error;
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.timelinePath, "t.txt");
    EXPECT_EQ(o.audioOutPath, "a.wav");
    EXPECT_TRUE(o.trace);
    EXPECT_EQ(o.saveDir, "s");
    EXPECT_EQ(o.maxMs, 1234u);
    EXPECT_EQ(o.gameDir, "game");

    ASSERT_TRUE(parse({}, o, error));
    EXPECT_FALSE(o.headless);
    EXPECT_EQ(o.maxMs, 600000u);
    EXPECT_TRUE(o.gameDir.empty());
    EXPECT_EQ(o.scale, 1);
}

TEST(Options, ScaleTakesAWholeNumberFromOneToEight) {
    struct Case {
        std::vector<const char*> args;
        int32_t scale; // 0: refused
    };
    const std::vector<Case> cases = {
        {{"--scale", "1"}, 1},
        {{"--scale", "2"}, 2},
        {{"--scale", "8"}, 8},
        {{"--headless", "--scale", "3"}, 3}, // accepted, and ignored by the headless window
        {{"--scale", "0"}, 0},
        {{"--scale", "9"}, 0},
        {{"--scale", "-1"}, 0},
        {{"--scale", "2x"}, 0},
        {{"--scale", "1.5"}, 0},
        {{"--scale", ""}, 0},
        {{"--scale", "99999999999"}, 0},
        {{"--scale"}, 0},
    };
    for (const Case& c : cases) {
        Options o;
        std::string error;
        const bool ok = parse(c.args, o, error);
        EXPECT_EQ(ok, c.scale != 0) << c.args.back() << ": " << error;
        if (ok)
            EXPECT_EQ(o.scale, c.scale);
        else
            EXPECT_FALSE(error.empty());
    }
}

TEST(Options, BadCommandLinesAreRefused) {
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"},
        {"--timeline"},
        {"--headless", "--max-ms", "ten"},
        {"--headless", "--max-ms", "-5"},
        {"--timeline", "t.txt"}, // a timeline drives only the headless backend
        {"a", "b"},
    };
    for (const auto& args : bad) {
        Options o;
        std::string error;
        EXPECT_FALSE(parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
} // namespace velmira
