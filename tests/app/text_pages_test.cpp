// Pages of text as the player sees them, compared with reference frames: the bottom box
// with a speaker's name, colour, ruby, emphasis dots and the wait icon, and a page of the
// novel layout. Font rendering cannot be derived by hand, so the references were made
// once by this test and looked at; they depend on the IPA fonts (fonts-ipafont 00303-23)
// and FreeType of the machine the set-up script installs.
//
// VELMIRA_UPDATE_GOLDENS=1 writes the frames of this run as the new references (look at
// them before committing).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/engine.h"
#include "graphics/png_decoder.h"
#include "graphics/png_test_util.h"
#include "platform/headless/headless_platform.h"
#include "resource/preferences.h"
#include "resource/save_folder.h"
#include "support/engine_run.h"
#include "support/game_fixture.h"

namespace velmira {
namespace {

using test::bytes;
using test::gameText;
using test::TempGame;

// An RGBA picture: w x h of one colour, with an inner rectangle of another.
std::vector<uint8_t> framedPng(int w, int h, std::array<uint8_t, 4> outer,
                               std::array<uint8_t, 4> inner, int border) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < w; ++x) {
            const bool in = x >= border && y >= border && x < w - border && y < h - border;
            const auto& c = in ? inner : outer;
            raw.insert(raw.end(), c.begin(), c.end());
        }
    }
    return test::makePng(test::Header{uint32_t(w), uint32_t(h)}, test::zlibCompress(raw));
}

// The wait icon: eight 24 x 24 cells, cell n a bar n * 3 pixels wide.
std::vector<uint8_t> promptPng() {
    std::vector<uint8_t> raw;
    for (int y = 0; y < 192; ++y) {
        raw.push_back(0);
        const int cell = y / 24, row = y % 24;
        for (int x = 0; x < 24; ++x) {
            const bool on = row >= 8 && row < 16 && x < 3 + cell * 3;
            raw.insert(raw.end(), {255, 220, 120, uint8_t(on ? 255 : 0)});
        }
    }
    return test::makePng(test::Header{24, 192}, test::zlibCompress(raw));
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs the game to the shots and compares each with its reference.
void expectFrames(const TempGame& game, std::string_view timelineText,
                  const std::vector<std::string>& shots) {
    test::HeadlessEngine run(game, test::timeline(timelineText, game.dir()), 20000);
    run.engine.run();

    const std::string goldens = std::string(VELMIRA_TEST_DATA_DIR) + "/goldens/";
    const bool update = std::getenv("VELMIRA_UPDATE_GOLDENS") != nullptr;
    for (const std::string& shot : shots) {
        SCOPED_TRACE(shot);
        const std::vector<uint8_t> png = readFile(game.dir() + shot);
        ASSERT_FALSE(png.empty()) << "the shot was not written";
        if (update) {
            std::filesystem::create_directories(goldens);
            std::ofstream(goldens + shot, std::ios::binary)
                .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
            continue;
        }
        const std::vector<uint8_t> goldenPng = readFile(goldens + shot);
        OwnedSurface frame, golden;
        ASSERT_TRUE(decodePng(png.data(), png.size(), frame));
        ASSERT_TRUE(decodePng(goldenPng.data(), goldenPng.size(), golden)) << "no reference";
        ASSERT_EQ(frame.width(), golden.width());
        ASSERT_EQ(frame.height(), golden.height());
        int32_t differing = 0;
        for (int32_t y = 0; y < frame.height(); ++y)
            differing += std::memcmp(frame.row(y), golden.row(y), size_t(frame.width()) * 3) != 0;
        EXPECT_EQ(differing, 0) << "rows differ from the reference";
    }
}

TEST(TextPages, BottomBoxAndNovelPagesLookAsTheirReferences) {
    TempGame game;
    auto members = TempGame::config("[System.Info]\nTitle=頁\n[System.Setting]\nScreenWidth=800\n"
                                    "ScreenHeight=600\n[Define.Speaker]\n老人=1\n");
    members.push_back(
        {"img\\sys_box_normal.png", framedPng(800, 200, {0, 0, 0, 0}, {20, 24, 60, 200}, 40), 1});
    members.push_back({"img\\sys_box_prompt.png", promptPng(), 1});
    members.push_back(
        {"script\\start.txt",
         bytes(gameText(".fade 0\n.img 0 SKYBLUE\n.wait 10\n"
                        "老人:この|灯台守(とうだいもり)の[仕事]は、{夜明けまで}灯りを守ること。/"
                        "二行目は、ゆっくり<と>進む。\n"
                        ".mode novel\n"
                        "夜は長い。波の音だけが、塔の壁を打っていた。行の終わりで折り返す文章は、"
                        "ここで右端を越える。\n\n"
                        "老人:まだ、起きておるか。\n"
                        ".wait 100000\n")),
         1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
    UserPreferences preferences;
    preferences.textColour = true; // the speaker's colour
    ASSERT_TRUE(preferences.save(SaveFolder(game.saveFolder())));

    expectFrames(game,
                 "3000 shot text_box.png\n3100 click 10 10\n"
                 "5000 click 10 10\n8000 shot text_novel.png\n",
                 {"text_box.png", "text_novel.png"});
}

} // namespace
} // namespace velmira
