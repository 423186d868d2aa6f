// Start-up, main loop and shutdown of the whole engine on the headless backend.
#include <gtest/gtest.h>

#include "app/engine.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/png_writer.h"
#include "resource/byte_order.h"
#include "script/flag_store.h"
#include "support/engine_run.h"
#include "support/game_fixture.h"

namespace velmira {
namespace {

using test::bytes;
using test::gameText;
using test::TempGame;

using test::timeline;

struct EngineRun : test::HeadlessEngine {
    Engine::Ending ending;

    EngineRun(const TempGame& game, platform::Timeline t, uint32_t maxMs = 60000)
        : HeadlessEngine(game, std::move(t), maxMs), ending(engine.run()) {}

    uint32_t endedAt() { return platform.clock().now(); }
    const std::vector<platform::ScriptedDialogs::Question>& questions() {
        return platform.dialogs().questions();
    }
};

constexpr char kSystem[] = "[System.Info]\nTitle=灯台\n[System.Setting]\nScreenWidth=320\n"
                           "ScreenHeight=200\nProductID=velmira.test\n";

void addStart(const TempGame& game, std::string_view startUtf8) {
    auto members = TempGame::config(kSystem);
    members.push_back({"script\\start.txt", bytes(gameText(startUtf8)), 1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
}

TEST(Engine, CloseButtonAsksTheQuitQuestionAndShutsDown) {
    TempGame game;
    addStart(game, "?a=1\n");
    EngineRun run(game, timeline("500 close\n"));
    EXPECT_EQ(run.ending, Engine::Ending::Quit);
    EXPECT_TRUE(run.engine.shutdownRan());
    EXPECT_TRUE(run.engine.pump().quitSeen());
    ASSERT_EQ(run.questions().size(), 1u);
    EXPECT_EQ(run.questions()[0].caption, "灯台");
    EXPECT_EQ(run.questions()[0].text, "終了しますか？");
    EXPECT_FALSE(run.platform.window().exists());
    EXPECT_EQ(run.platform.instanceLock().claimed(), "velmira.test");
    // The close at 500 ms ended the run, not --max-ms.
    EXPECT_GE(run.endedAt(), 500u);
    EXPECT_LT(run.endedAt(), 510u);
}

TEST(Engine, AnsweringNoKeepsThePlayGoing) {
    TempGame game;
    addStart(game, "?a=1\n");
    EngineRun run(game, timeline("500 answer no\n500 close\n900 close\n"));
    EXPECT_EQ(run.ending, Engine::Ending::Quit);
    ASSERT_EQ(run.questions().size(), 2u);
    EXPECT_FALSE(run.questions()[0].answeredYes);
    EXPECT_TRUE(run.questions()[1].answeredYes);
    EXPECT_GE(run.endedAt(), 900u);
    EXPECT_LT(run.endedAt(), 910u);
}

TEST(Engine, WithoutStartScriptTheLoopEndsAtItsFirstTurn) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    EngineRun run(game, {});
    EXPECT_EQ(run.ending, Engine::Ending::StartScriptMissing);
    EXPECT_TRUE(run.engine.shutdownRan());
    EXPECT_TRUE(run.questions().empty());
    EXPECT_TRUE(run.platform.window().exists()); // asked to close, but no pump runs any more
    EXPECT_LT(run.endedAt(), 100u);
}

TEST(Engine, ARootScriptThatNeverWaitsStillLetsTimePass) {
    // It ends at once and starts again every turn; each restart idles like a pump turn,
    // so the close at 2000 ms comes, and after as many restarts as milliseconds passed.
    TempGame game;
    addStart(game, "?a=a+1\n");
    EngineRun run(game, timeline("2000 close\n"));
    EXPECT_EQ(run.ending, Engine::Ending::Quit);
    EXPECT_GE(run.endedAt(), 2000u);
    EXPECT_LT(run.endedAt(), 2010u);
}

TEST(Engine, GlobalValuesReachTheFileWhenThePumpTurnsAndAtShutdown) {
    TempGame game;
    auto members = TempGame::config(std::string(kSystem) + "[Define.Flag]\nG000=count\n");
    // Ten thousand assignments, one restart; then the close question.
    members.push_back({"script\\start.txt",
                       bytes(gameText("#top\n?count=count+1\n.IF count<10000\n.GOTO top\n.QUIT\n")),
                       1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
    EngineRun run(game, {});
    EXPECT_EQ(run.ending, Engine::Ending::Quit);
    std::vector<uint8_t> file;
    ASSERT_TRUE(SaveFolder(game.saveFolder()).read(kGlobalFlagFile, file));
    ASSERT_EQ(file.size(), kFlagFileSize);
    EXPECT_EQ(readLe32(file.data()), 10000u);
}

TEST(Engine, WindowKeepsTheFirstReadingWhileLaterArchivesOverrideSettings) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    ASSERT_TRUE(game.addArchive(
        "update.dat", 2,
        {{"config\\system.txt",
          bytes(gameText("[System.Info]\nTitle=新しい題\n[.Setting]\nScreenWidth=640\n")), 1}}));
    EngineRun run(game, {});
    EXPECT_EQ(run.platform.window().width(), 320);
    EXPECT_EQ(run.platform.window().height(), 200);
    EXPECT_EQ(run.engine.settings().screenWidth, 640);
    EXPECT_EQ(run.platform.window().title(), "新しい題");
}

TEST(Engine, NoWindowWithoutAUsableScreenSize) {
    TempGame game;
    ASSERT_TRUE(game.addArchive(
        "system.dat", 1, TempGame::config("[System.Setting]\nScreenWidth=0\nScreenHeight=480\n")));
    EngineRun run(game, {});
    EXPECT_EQ(run.ending, Engine::Ending::NoWindow);
    EXPECT_FALSE(run.engine.shutdownRan());
    EXPECT_EQ(run.platform.window().framesPresented(), 0u);
}

TEST(Engine, MissingArchivesStillStartWithDefaults) {
    TempGame game;
    EngineRun run(game, {});
    EXPECT_EQ(run.ending, Engine::Ending::StartScriptMissing);
    EXPECT_EQ(run.platform.window().width(), 640);
    EXPECT_EQ(run.platform.window().height(), 480);
    EXPECT_EQ(run.platform.window().title(), "???");
}

// A 2 x 1 picture of one colour, as PNG bytes.
std::vector<uint8_t> pngOf(uint8_t b, uint8_t g, uint8_t r) {
    const uint8_t pixels[] = {b, g, r, b, g, r};
    return platform::encodeBgr24Png(2, 1, pixels, 6);
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
        const std::vector<uint8_t>& frame = run.platform.window().lastFrame();
        ASSERT_EQ(frame.size(), 4u * 2 * 3);
        const std::vector<uint8_t> expected =
            inSystemDat ? std::vector<uint8_t>{10, 20, 30, 10, 20, 30, 0, 0, 0}
                        : std::vector<uint8_t>(9, 0);
        EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 9), expected);
    }
}

} // namespace
} // namespace velmira
