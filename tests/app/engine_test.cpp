// Start-up, main loop and shutdown of the whole engine on the headless backend.
#include <gtest/gtest.h>

#include "app/engine.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/png_writer.h"

#include <fstream>
#include <iterator>
#include "support/game_fixture.h"

namespace velmira {
namespace {

using test::bytes;
using test::gameText;
using test::TempGame;

platform::Timeline timeline(std::string_view text) {
    platform::Timeline t;
    std::string error;
    EXPECT_TRUE(platform::Timeline::parse(text, "/", t, error)) << error;
    return t;
}

struct EngineRun {
    platform::HeadlessPlatform platform;
    Trace trace;
    Engine engine;
    int result;

    EngineRun(const TempGame& game, platform::Timeline t, uint32_t maxMs = 60000)
        : platform(std::move(t), maxMs),
          engine(platform, EnginePaths{game.dataFolder(), game.saveFolder()}, trace),
          result(engine.run()) {}
};

constexpr char kSystem[] =
    "[System.Info]\nTitle=灯台\n[System.Setting]\nScreenWidth=320\nScreenHeight=200\n";

TEST(Engine, CloseButtonAsksTheQuitQuestionAndShutsDown) {
    TempGame game;
    auto members = TempGame::config(kSystem);
    members.push_back({"script\\start.txt", bytes(gameText("?a=1\n")), 1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));

    EngineRun run(game, timeline("500 close\n"));
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.engine.ending(), Engine::Ending::LoopEnded);
    EXPECT_TRUE(run.engine.shutdownRan());
    EXPECT_TRUE(run.engine.pump().quitSeen());
    ASSERT_EQ(run.platform.questions().size(), 1u);
    EXPECT_EQ(run.platform.questions()[0].caption, "灯台");
    EXPECT_EQ(run.platform.questions()[0].text, "終了しますか？");
    EXPECT_FALSE(run.platform.windowExists());
    EXPECT_GE(run.platform.virtualNow(), 500u);
    EXPECT_LT(run.platform.virtualNow(), 1000u);
}

TEST(Engine, WithoutStartScriptTheLoopEndsAtItsFirstTurn) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    EngineRun run(game, {});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.engine.ending(), Engine::Ending::LoopEnded);
    EXPECT_TRUE(run.engine.shutdownRan());
    EXPECT_TRUE(run.platform.questions().empty());
    EXPECT_TRUE(run.platform.windowExists()); // asked to close, but no pump runs any more
    EXPECT_LT(run.platform.virtualNow(), 100u);
}

TEST(Engine, WindowKeepsTheFirstReadingWhileLaterArchivesOverrideSettings) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    ASSERT_TRUE(game.addArchive(
        "update.dat", 2,
        {{"config\\system.txt",
          bytes(gameText("[System.Info]\nTitle=新しい題\n[.Setting]\nScreenWidth=640\n")), 1}}));
    EngineRun run(game, {});
    EXPECT_EQ(run.platform.width(), 320);
    EXPECT_EQ(run.platform.height(), 200);
    EXPECT_EQ(run.engine.settings().screenWidth, 640);
    EXPECT_EQ(run.platform.title(), "新しい題");
}

TEST(Engine, NoWindowWithoutAUsableScreenSize) {
    TempGame game;
    ASSERT_TRUE(game.addArchive(
        "system.dat", 1,
        TempGame::config("[System.Setting]\nScreenWidth=0\nScreenHeight=480\n")));
    EngineRun run(game, {});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.engine.ending(), Engine::Ending::NoWindow);
    EXPECT_FALSE(run.engine.shutdownRan());
}

TEST(Engine, MissingArchivesStillStartWithDefaults) {
    TempGame game;
    EngineRun run(game, {});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.platform.width(), 640);
    EXPECT_EQ(run.platform.height(), 480);
    EXPECT_EQ(run.platform.title(), "???");
}

} // namespace
} // namespace velmira

namespace velmira {
namespace {

// A 2 x 1 picture of one colour, as PNG bytes.
std::vector<uint8_t> pngOf(uint8_t b, uint8_t g, uint8_t r) {
    const std::string path = testing::TempDir() + "velmira-splash.png";
    const uint8_t pixels[] = {b, g, r, b, g, r};
    EXPECT_TRUE(platform::writeBgr24Png(path, 2, 1, pixels, 6));
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Engine, SplashComesOnlyFromTheFirstMountedArchive) {
    const char* system = "[System.Info]\nTitle=t\n[.Setting]\nScreenWidth=4\nScreenHeight=2\n"
                         "[.Option]\nSplashImage=splash.png\n";
    for (bool inSystemDat : {true, false}) {
        TempGame game;
        auto members = TempGame::config(system);
        std::vector<ArchiveMember> other;
        (inSystemDat ? members : other).push_back({"img\\splash.png", pngOf(10, 20, 30), 3});
        ASSERT_TRUE(game.addArchive("system.dat", 1, members));
        ASSERT_TRUE(game.addArchive("pictures.dat", 1, other));
        EngineRun run(game, {});
        const std::vector<uint8_t>& frame = run.platform.lastFrame();
        ASSERT_EQ(frame.size(), 4u * 2 * 3);
        const std::vector<uint8_t> expected =
            inSystemDat ? std::vector<uint8_t>{10, 20, 30, 10, 20, 30, 0, 0, 0}
                        : std::vector<uint8_t>(9, 0);
        EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 9), expected);
    }
}

} // namespace
} // namespace velmira
