// Scenes shown by the velmira program headless: a timeline takes shots while the script
// waits, and each shot is compared with the frame the composition rules give, computed
// here from the pictures the test made (never with frames the engine produced before).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "graphics/pixel.h"
#include "graphics/png_decoder.h"
#include "graphics/png_test_util.h"
#include "graphics/surface.h"
#include "support/game_fixture.h"
#include "support/run_command.h"

namespace velmira::test {
namespace {

constexpr int kW = 320, kH = 240;

constexpr char kSystem[] =
    "[System.Info]\nTitle=場面\n[.Setting]\nScreenWidth=320\nScreenHeight=240\n";

// An RGB picture whose pixel (x, y) is colour(x, y) = {r, g, b}.
template <typename Colour> std::vector<uint8_t> rgbPng(int w, int h, Colour colour) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < w; ++x) {
            const Rgb c = colour(x, y);
            raw.insert(raw.end(), {c.r, c.g, c.b});
        }
    }
    return makePng(Header{uint32_t(w), uint32_t(h), 8, 2}, zlibCompress(raw));
}

Rgb background(int x, int y) {
    return {uint8_t(x * 255 / kW), uint8_t(y), 90};
}
Rgb figure(int x, int y) {
    return {uint8_t(200 + x), uint8_t(30 + y), 40};
}
constexpr Rgb kVeil{250, 240, 10};
constexpr int kFigureW = 40, kFigureH = 60;

// The expected frame as R, G, B per pixel.
struct Frame {
    std::vector<Rgb> px = std::vector<Rgb>(size_t(kW) * kH);
    Rgb& at(int x, int y) { return px[size_t(y) * kW + x]; }
};

Frame readShot(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> png{std::istreambuf_iterator<char>(in), {}};
    OwnedSurface shot;
    Frame frame;
    EXPECT_TRUE(decodePng(png.data(), png.size(), shot)) << path;
    if (shot.width() != kW || shot.height() != kH) {
        ADD_FAILURE() << path << " has the wrong size";
        return frame;
    }
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint8_t* p = shot.row(y) + x * 3;
            frame.at(x, y) = {p[2], p[1], p[0]};
        }
    return frame;
}

void expectFrame(const Frame& actual, const Frame& expected, const std::string& what) {
    int wrong = 0;
    for (size_t i = 0; i < actual.px.size() && wrong < 5; ++i) {
        if (actual.px[i] == expected.px[i]) continue;
        ++wrong;
        const Rgb a = actual.px[i], e = expected.px[i];
        ADD_FAILURE() << what << ": pixel (" << i % kW << ", " << i / kW << ") is " << int(a.r)
                      << "," << int(a.g) << "," << int(a.b) << ", expected " << int(e.r) << ","
                      << int(e.g) << "," << int(e.b);
    }
}

CommandRun runGame(const TempGame& game, std::string_view script, std::string_view timeline) {
    auto members = TempGame::config(kSystem);
    members.push_back({"script\\start.txt", bytes(gameText(script)), 1});
    members.push_back({"img\\bg.png", rgbPng(kW, kH, background), 1});
    members.push_back({"img\\figure.png", rgbPng(kFigureW, kFigureH, figure), 1});
    members.push_back({"img\\veil.png", rgbPng(kW, kH, [](int, int) { return kVeil; }), 1});
    members.push_back({"anime\\veil.img",
                       bytes(gameText("Type=back\nImg0=veil.png\nMode0=Normal\nAlpha0=50%\n")), 1});
    EXPECT_TRUE(game.addArchive("system.dat", 1, members));
    game.writeFile("timeline.txt", timeline);
    return runCommand(std::string(VELMIRA_BINARY_PATH) + " --headless --trace --timeline " +
                      game.dir() + "timeline.txt --save-dir " + game.dir() + "save " + game.dir() +
                      " 2>&1 >/dev/null");
}

TEST(SceneRun, LayersAreComposedByTheirRules) {
    TempGame game;
    // Each change is shown at once (no cross-fade) and held for a second.
    const CommandRun run = runGame(game,
                                   ".fade 0\n.img 0 bg.png\n.img 2 figure.png\n.wait 1000\n"
                                   ".fade 0\n.img 3 veil.img\n.wait 1000\n"
                                   ".fade 0\n.img 1 Red\n.wait 1000\n"
                                   ".fade 0\n.img 2 figure.png 10 20\n.wait 1000\n",
                                   "500 shot a.png\n1500 shot b.png\n2500 shot c.png\n"
                                   "3500 shot d.png\n3900 close\n");
    ASSERT_EQ(run.status, 0) << run.out;
    // No script line failed (the game has no message-box pictures, which the trace names).
    EXPECT_EQ(run.out.find("エラー（"), std::string::npos) << run.out;

    // The background's top-left on the screen's; the figure on layer 2 stands with its
    // bottom centre on the bottom centre of the screen.
    Frame expected;
    auto drawFigure = [&](int left, int top) {
        for (int y = 0; y < kFigureH; ++y)
            for (int x = 0; x < kFigureW; ++x)
                expected.at(left + x, top + y) = figure(x, y);
    };
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            expected.at(x, y) = background(x, y);
    drawFigure(kW / 2 - kFigureW / 2, kH - kFigureH);
    expectFrame(readShot(game.dir() + "a.png"), expected, "background and figure");

    // The back layer's overlay comes after the first pass, so it veils layer 2 as well.
    auto veiled = [](Rgb c) {
        const int w = mul255(255, 127);
        return Rgb{uint8_t(mix(c.r, kVeil.r, w)), uint8_t(mix(c.g, kVeil.g, w)),
                   uint8_t(mix(c.b, kVeil.b, w))};
    };
    for (Rgb& c : expected.px)
        c = veiled(c);
    expectFrame(readShot(game.dir() + "b.png"), expected, "veiled");

    // A named colour on layer 1 covers the background but not the figure above it.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            expected.at(x, y) = veiled(Rgb{255, 0, 0});
    for (int y = 0; y < kFigureH; ++y)
        for (int x = 0; x < kFigureW; ++x)
            expected.at(kW / 2 - kFigureW / 2 + x, kH - kFigureH + y) = veiled(figure(x, y));
    expectFrame(readShot(game.dir() + "c.png"), expected, "colour layer");

    // Numbers place the picture's top-left corner.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            expected.at(x, y) = veiled(Rgb{255, 0, 0});
    for (int y = 0; y < kFigureH; ++y)
        for (int x = 0; x < kFigureW; ++x)
            expected.at(10 + x, 20 + y) = veiled(figure(x, y));
    expectFrame(readShot(game.dir() + "d.png"), expected, "numeric position");
}

TEST(SceneRun, TheSameTimelineGivesTheSameShotsEveryTime) {
    // A cross-fade, a flash, a shake and a wipe, shot all along.
    const std::string script = ".img 0 bg.png\n.fade 900\n.wait 1200\n.img 2 figure.png\n"
                               ".img 0 veil.png\n.wait 400\n.flash red 2\n.shake once\n"
                               ".img 0 bg.png\n.wipe veil.png 300 fade\n.wait 500\n";
    std::string timeline;
    for (int t = 50; t <= 2700; t += 150)
        timeline += std::to_string(t) + " shot s" + std::to_string(t) + ".png\n";
    timeline += "2800 close\n";
    TempGame first, second;
    ASSERT_EQ(runGame(first, script, timeline).status, 0);
    ASSERT_EQ(runGame(second, script, timeline).status, 0);
    int differentFrames = 0;
    for (int t = 50; t <= 2700; t += 150) {
        const std::string name = "s" + std::to_string(t) + ".png";
        std::ifstream a(first.dir() + name, std::ios::binary),
            b(second.dir() + name, std::ios::binary);
        const std::string bytesA{std::istreambuf_iterator<char>(a), {}};
        const std::string bytesB{std::istreambuf_iterator<char>(b), {}};
        ASSERT_FALSE(bytesA.empty()) << name;
        EXPECT_EQ(bytesA, bytesB) << name << " differs between two runs";
        if (t > 50) {
            std::ifstream p(first.dir() + "s" + std::to_string(t - 150) + ".png", std::ios::binary);
            if (std::string{std::istreambuf_iterator<char>(p), {}} != bytesA) ++differentFrames;
        }
    }
    // The shots really follow the scene through its changes.
    EXPECT_GE(differentFrames, 6);
}

} // namespace
} // namespace velmira::test
