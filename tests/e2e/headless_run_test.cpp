// The velmira program run headless, as a player's automation or CI would run it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "graphics/png_decoder.h"
#include "graphics/surface.h"
#include "support/game_fixture.h"
#include "support/run_command.h"

namespace velmira::test {
namespace {

// Runs velmira and keeps what it printed on standard error.
CommandRun runVelmira(const std::string& args) {
    return runCommand(std::string(VELMIRA_BINARY_PATH) + " " + args + " 2>&1 >/dev/null");
}

constexpr char kSystem[] =
    "[System.Info]\nTitle=テスト\n[.Setting]\nScreenWidth=320\nScreenHeight=240\n";

TEST(HeadlessRun, TimelineClosesTheWindowAndTheProcessEndsWithZero) {
    TempGame game;
    auto members = TempGame::config(kSystem);
    members.push_back({"script\\start.txt", bytes(gameText("こんにちは。\n")), 1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
    game.writeFile("timeline.txt", "# close after the first second\n100 shot first.png\n1000 close\n");
    const CommandRun run = runVelmira("--headless --timeline " + game.dir() + "timeline.txt " + game.dir());
    EXPECT_EQ(run.status, 0) << run.out;
    std::ifstream png(game.dir() + "first.png", std::ios::binary);
    EXPECT_TRUE(png.good()) << "the shot was not written";
}

TEST(HeadlessRun, NoStartScriptEndsAtOnceWithZero) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    const CommandRun run = runVelmira("--headless " + game.dir());
    EXPECT_EQ(run.status, 0) << run.out;
}

TEST(HeadlessRun, BadCommandLinesAndTimelinesExitWithTwo) {
    TempGame game;
    game.writeFile("bad.txt", "0 close\n10 click 5\n");
    CommandRun run = runVelmira("--headless --timeline " + game.dir() + "bad.txt " + game.dir());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("timeline:2:"), std::string::npos) << run.out;

    run = runVelmira("--no-such-option");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("usage: velmira"), std::string::npos) << run.out;
}

TEST(HeadlessRun, TracePrintsArchiveDiagnosticsAsUtf8) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    const CommandRun run = runVelmira("--headless --trace " + game.dir());
    EXPECT_EQ(run.status, 0);
    // Looking for the missing start script fails to open the loose file.
    EXPECT_NE(run.out.find("アーカイブを開けない"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("script\\start.txt"), std::string::npos) << run.out;
}

TEST(HeadlessRun, SampleGameShowsItsSplashAndPlaysUntilMaxMs) {
    TempGame scratch;
    scratch.writeFile("timeline.txt", "0 shot splash.png\n");
    const CommandRun run = runVelmira("--headless --max-ms 1000 --timeline " + scratch.dir() +
                                      "timeline.txt --save-dir " + scratch.dir() + "save " +
                                      VELMIRA_BUILD_DIR);
    EXPECT_EQ(run.status, 0) << run.out;

    // The first frame is the splash picture: the tower's light at the top of the lighthouse.
    std::ifstream in(scratch.dir() + "splash.png", std::ios::binary);
    const std::vector<uint8_t> png{std::istreambuf_iterator<char>(in), {}};
    OwnedSurface frame;
    ASSERT_TRUE(decodePng(png.data(), png.size(), frame));
    ASSERT_EQ(frame.width(), 800);
    ASSERT_EQ(frame.height(), 600);
    const uint8_t* light = frame.row(240) + 560 * 3;
    EXPECT_EQ((std::vector<uint8_t>{light[0], light[1], light[2]}), (std::vector<uint8_t>{150, 230, 255}));
}

} // namespace
} // namespace velmira::test
