// The velmira program run headless, as a player's automation or CI would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/game_fixture.h"

namespace velmira::test {
namespace {

struct ProcessResult {
    int exitCode = -1;
    std::string err;
};

ProcessResult runVelmira(const std::string& args, const std::string& scratch) {
    const std::string errPath = scratch + "stderr.txt";
    const std::string command = std::string(VELMIRA_BINARY_PATH) + " " + args + " 2>" + errPath;
    const int status = std::system(command.c_str());
    ProcessResult run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errPath);
    std::stringstream text;
    text << in.rdbuf();
    run.err = text.str();
    return run;
}

constexpr char kSystem[] =
    "[System.Info]\nTitle=テスト\n[.Setting]\nScreenWidth=320\nScreenHeight=240\n";

TEST(HeadlessRun, TimelineClosesTheWindowAndTheProcessEndsWithZero) {
    TempGame game;
    auto members = TempGame::config(kSystem);
    members.push_back({"script\\start.txt", bytes(gameText("こんにちは。\n")), 1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
    game.writeFile("timeline.txt", "# close after the first second\n100 shot first.png\n1000 close\n");
    const ProcessResult run = runVelmira("--headless --timeline " + game.dir() + "timeline.txt " + game.dir(),
                               game.dir());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::ifstream png(game.dir() + "first.png", std::ios::binary);
    EXPECT_TRUE(png.good()) << "the shot was not written";
}

TEST(HeadlessRun, NoStartScriptEndsAtOnceWithZero) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    const ProcessResult run = runVelmira("--headless " + game.dir(), game.dir());
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

TEST(HeadlessRun, BadCommandLinesAndTimelinesExitWithTwo) {
    TempGame game;
    game.writeFile("bad.txt", "0 close\n10 click 5\n");
    ProcessResult run = runVelmira("--headless --timeline " + game.dir() + "bad.txt " + game.dir(), game.dir());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("timeline:2:"), std::string::npos) << run.err;

    run = runVelmira("--no-such-option", game.dir());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("usage: velmira"), std::string::npos) << run.err;
}

TEST(HeadlessRun, TracePrintsArchiveDiagnosticsAsUtf8) {
    TempGame game;
    ASSERT_TRUE(game.addArchive("system.dat", 1, TempGame::config(kSystem)));
    const ProcessResult run = runVelmira("--headless --trace " + game.dir(), game.dir());
    EXPECT_EQ(run.exitCode, 0);
    // Looking for the missing start script fails to open the loose file.
    EXPECT_NE(run.err.find("アーカイブを開けない"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("script\\start.txt"), std::string::npos) << run.err;
}

TEST(HeadlessRun, SampleGamePlaysUntilMaxMs) {
    TempGame scratch;
    const ProcessResult run = runVelmira("--headless --max-ms 3000 --save-dir " + scratch.dir() + "save " +
                                   VELMIRA_BUILD_DIR,
                               scratch.dir());
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

} // namespace
} // namespace velmira::test
