// --audio-out: the headless run records what its sound output played as a WAV file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "support/game_fixture.h"
#include "support/run_command.h"
#include "support/wav_file.h"

namespace velmira::test {
namespace {

constexpr char kSystem[] =
    "[System.Info]\nTitle=Sound\n[.Setting]\nScreenWidth=320\nScreenHeight=240\n";

CommandRun runVelmira(const std::string& args) {
    return runCommand(std::string(VELMIRA_BINARY_PATH) + " " + args + " 2>&1 >/dev/null");
}

std::optional<uint32_t> reportedAt(const std::string& output, std::string_view text) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("headless ") && line.find(text) != std::string::npos)
            return static_cast<uint32_t>(std::stoul(line.substr(9)));
    return std::nullopt;
}

void addGame(const TempGame& game) {
    auto members = TempGame::config(kSystem);
    members.push_back({"script\\start.txt", bytes(gameText("こんにちは。\n")), 1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
}

TEST(AudioOut, TheRecordingCoversTheWholeRun) {
    TempGame game;
    addGame(game);
    game.writeFile("timeline.txt", "1000 close\n");
    const CommandRun run =
        runVelmira("--headless --trace --timeline " + game.dir() + "timeline.txt --audio-out " +
                   game.dir() + "run.wav " + game.dir());
    ASSERT_EQ(run.status, 0) << run.out;
    const auto recorded = reportedAt(run.out, "recorded " + game.dir() + "run.wav");
    ASSERT_TRUE(recorded) << run.out;

    WavFile wav;
    std::string why;
    ASSERT_TRUE(readWav(game.dir() + "run.wav", wav, &why)) << why;
    EXPECT_EQ(wav.rate, 44100);
    // From virtual time 0 to the end of the run, 44.1 frames a millisecond.
    EXPECT_GE(*recorded, 1000u);
    EXPECT_EQ(wav.frames(), uint64_t{*recorded} * 441 / 10);
}

TEST(AudioOut, ARecordingThatCannotBeWrittenFailsTheRun) {
    TempGame game;
    addGame(game);
    game.writeFile("timeline.txt", "100 close\n");
    const std::string target = game.dir() + "no-such-folder/run.wav";
    const CommandRun run = runVelmira("--headless --timeline " + game.dir() +
                                      "timeline.txt --audio-out " + target + " " + game.dir());
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.out.find("cannot write the sound file " + target), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(game.dir() + "no-such-folder"));
}

TEST(AudioOut, TheSampleGameSoundsTheSameOnEveryRun) {
    // A minute of the sample game in auto mode: its music, sea, effects and the keeper's
    // voice, twice, each run with a fresh save folder.
    TempGame scratch;
    scratch.writeFile("timeline.txt", "300 key KP_Multiply\n");
    std::vector<uint8_t> recordings[2];
    for (int i = 0; i < 2; ++i) {
        const std::string wav = scratch.dir() + "run" + std::to_string(i) + ".wav";
        const CommandRun run =
            runVelmira("--headless --max-ms 60000 --timeline " + scratch.dir() +
                       "timeline.txt --save-dir " + scratch.dir() + "save" + std::to_string(i) +
                       " --audio-out " + wav + " " + VELMIRA_BUILD_DIR);
        ASSERT_EQ(run.status, 0) << run.out;
        std::ifstream in(wav, std::ios::binary);
        recordings[i].assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_FALSE(recordings[0].empty());
    EXPECT_TRUE(recordings[0] == recordings[1]) << "the two recordings differ";

    WavFile wav;
    ASSERT_TRUE(readWav(scratch.dir() + "run0.wav", wav));
    // Something sounds in every ten seconds of it (the music and the sea never stop).
    for (size_t from = 0; from + 441000 <= wav.frames(); from += 441000) {
        int32_t peak = 0;
        for (size_t f = from; f < from + 441000; ++f)
            peak =
                std::max({peak, std::abs(int32_t{wav.left(f)}), std::abs(int32_t{wav.right(f)})});
        EXPECT_GT(peak, 1000) << "silence from frame " << from;
    }
}

} // namespace
} // namespace velmira::test
