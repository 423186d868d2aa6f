// The velmira program run headless, as a player's automation or CI would run it. With
// --trace the headless backend reports what it did ("headless <ms> ms: ..."), which is
// what these tests look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

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

// The virtual time of the first report line that contains text, if any.
std::optional<uint32_t> reportedAt(const std::string& output, std::string_view text) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("headless ") || line.find(text) == std::string::npos) continue;
        return static_cast<uint32_t>(std::stoul(line.substr(9)));
    }
    return std::nullopt;
}

// Decodes the PNG file at path; false when it is missing or not a picture.
bool readPng(const std::string& path, OwnedSurface& out) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> png{std::istreambuf_iterator<char>(in), {}};
    return decodePng(png.data(), png.size(), out);
}

constexpr char kSystem[] =
    "[System.Info]\nTitle=テスト\n[.Setting]\nScreenWidth=320\nScreenHeight=240\n";

void addGame(const TempGame& game, std::string_view startUtf8) {
    auto members = TempGame::config(kSystem);
    members.push_back({"script\\start.txt", bytes(gameText(startUtf8)), 1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
}

TEST(HeadlessRun, TimelineClosesTheWindowAndTheProcessEndsWithZero) {
    TempGame game;
    addGame(game, "こんにちは。\n");
    game.writeFile("timeline.txt",
                   "# close after the first second\n100 shot first.png\n1000 close\n");
    const CommandRun run =
        runVelmira("--headless --trace --timeline " + game.dir() + "timeline.txt " + game.dir());
    EXPECT_EQ(run.status, 0) << run.out;
    // The close at 1000 ms asked the question, was answered, and the engine shut down then,
    // long before --max-ms would have closed it.
    const auto asked = reportedAt(run.out, "question \"終了しますか？\" (テスト) answered yes");
    const auto ended = reportedAt(run.out, "run ended: quit, shutdown ran");
    ASSERT_TRUE(asked && ended) << run.out;
    EXPECT_GE(*asked, 1000u);
    EXPECT_LT(*asked, 1020u);
    EXPECT_EQ(*ended, *asked);
    EXPECT_FALSE(reportedAt(run.out, "--max-ms")) << run.out;

    OwnedSurface shot;
    ASSERT_TRUE(readPng(game.dir() + "first.png", shot)) << "the shot was not written";
    EXPECT_EQ(shot.width(), 320);
}

TEST(HeadlessRun, NoStartScriptEndsAtOnceWithZero) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    const CommandRun run = runVelmira("--headless --trace " + game.dir());
    EXPECT_EQ(run.status, 0) << run.out;
    const auto ended = reportedAt(run.out, "run ended: no start script, shutdown ran");
    ASSERT_TRUE(ended) << run.out;
    EXPECT_LT(*ended, 100u);
    EXPECT_FALSE(reportedAt(run.out, "question")) << run.out;
}

TEST(HeadlessRun, MaxMsClosesTheRunAndZeroNeverDoes) {
    TempGame game;
    addGame(game, "; a script that starts again at once\n");
    CommandRun run = runVelmira("--headless --trace --max-ms 3000 " + game.dir());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(reportedAt(run.out, "--max-ms reached"), 3000u) << run.out;
    EXPECT_EQ(reportedAt(run.out, "run ended: quit"), 3000u) << run.out;

    // With 0 only the timeline ends it, here well after the default of 600000 ms.
    game.writeFile("late.txt", "700000 close\n");
    run = runVelmira("--headless --trace --max-ms 0 --timeline " + game.dir() + "late.txt " +
                     game.dir());
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(reportedAt(run.out, "--max-ms")) << run.out;
    const auto ended = reportedAt(run.out, "run ended: quit");
    ASSERT_TRUE(ended) << run.out;
    EXPECT_GE(*ended, 700000u);
    EXPECT_LT(*ended, 700020u);
}

TEST(HeadlessRun, BadCommandLinesAndTimelinesExitWithTwo) {
    TempGame game;
    game.writeFile("bad.txt", "0 close\n10 click 5\n");
    CommandRun run = runVelmira("--headless --timeline " + game.dir() + "bad.txt " + game.dir());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("timeline:2:"), std::string::npos) << run.out;

    run = runVelmira("--headless --timeline " + game.dir() + " " + game.dir());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("is a folder"), std::string::npos) << run.out;

    run = runVelmira("--no-such-option");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("usage: velmira"), std::string::npos) << run.out;
}

TEST(HeadlessRun, AShotThatCannotBeWrittenFailsTheRun) {
    TempGame game;
    addGame(game, "?a=1\n");
    game.writeFile("timeline.txt", "10 shot no-such-folder/a.png\n20 shot ok.png\n30 close\n");
    const CommandRun run =
        runVelmira("--headless --timeline " + game.dir() + "timeline.txt " + game.dir());
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(
        run.out.find("timeline:1: cannot write the shot " + game.dir() + "no-such-folder/a.png"),
        std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("ok.png"), std::string::npos) << run.out;
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
    const CommandRun run =
        runVelmira("--headless --trace --max-ms 300 --timeline " + scratch.dir() +
                   "timeline.txt --save-dir " + scratch.dir() + "save " + VELMIRA_BUILD_DIR);
    EXPECT_EQ(run.status, 0) << run.out;
    // The close comes at 300 ms, or at the end of the frame being shown then.
    const auto ended = reportedAt(run.out, "run ended: quit, shutdown ran");
    ASSERT_TRUE(ended) << run.out;
    EXPECT_GE(*ended, 300u);
    EXPECT_LE(*ended, 300u + 16u);

    // The first frame is the splash picture: the tower's light at the top of the lighthouse.
    OwnedSurface frame;
    ASSERT_TRUE(readPng(scratch.dir() + "splash.png", frame));
    ASSERT_EQ(frame.width(), 800);
    ASSERT_EQ(frame.height(), 600);
    const uint8_t* light = frame.row(240) + 560 * 3;
    EXPECT_EQ((std::vector<uint8_t>{light[0], light[1], light[2]}),
              (std::vector<uint8_t>{150, 230, 255}));
}

TEST(HeadlessRun, SampleGamePlaysEveryLineAndShowsItsFirstBackground) {
    TempGame scratch;
    // Ctrl held from 2 s on skips every page, wait and effect, so both visits pass.
    scratch.writeFile("timeline.txt", "1500 shot slope.png\n2000 keydown Control_L\n");
    const CommandRun run =
        runVelmira("--headless --trace --max-ms 40000 --timeline " + scratch.dir() +
                   "timeline.txt --save-dir " + scratch.dir() + "save " + VELMIRA_BUILD_DIR);
    EXPECT_EQ(run.status, 0) << run.out;
    // Both visits of the story ran (it restarts after its last line) without a failing line.
    EXPECT_EQ(run.out.find("エラー"), std::string::npos) << run.out;

    // After the first cross-fade the slope fills the screen from its top-left corner (above
    // the message box).
    OwnedSurface shot, slope;
    ASSERT_TRUE(readPng(scratch.dir() + "slope.png", shot));
    ASSERT_TRUE(
        readPng(std::string(VELMIRA_BUILD_DIR) + "/sample_game/data/img/bg_slope.png", slope));
    for (const auto [x, y] : {std::pair{600, 100}, std::pair{20, 20}, std::pair{700, 380}}) {
        const uint8_t* a = shot.row(y) + x * 3;
        const uint8_t* b = slope.row(y) + x * 3;
        EXPECT_TRUE(std::equal(a, a + 3, b)) << "pixel " << x << ", " << y;
    }
}

} // namespace
} // namespace velmira::test
