// The layer stack: definition files and their sections, the animation instructions, loading
// and placing layers, and composing whole scenes from pictures packed into a test archive.
#include "graphics/layers.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

#include "graphics/blitter.h"
#include "platform/headless/virtual_clock.h"
#include "png_test_util.h"
#include "resource/archive.h"
#include "support/game_fixture.h"

namespace velmira {
namespace {

using test::Rgba;

std::vector<uint8_t> solid(int w, int h, Rgb c) {
    return test::rgbaPng(w, h, [c](int, int) { return Rgba{c.r, c.g, c.b, 255}; });
}

Layer definitionLayer(std::string_view text) {
    Layer layer;
    layer.definition.assign(test::gameText(text));
    return layer;
}

// ---- definitions ---------------------------------------------------------------------------

TEST(LayerDefinition, SectionsCountForTheirFramesAndLinesBeforeAnyHeaderForAll) {
    const std::string text = "PosX=1\n"
                             "# 1 2\n"
                             "PosY=2\n"
                             "Img1=two.png\n"
                             "# 3\n"
                             "PosY=3\n"
                             "Face=three.png\n"
                             "#\n" // no token: every frame again
                             "FaceX=9\n";
    struct Case {
        int32_t frame;
        int32_t posY;
        const char* slot1;
        const char* face;
    };
    for (const Case& c : {Case{0, 0, "", ""}, Case{2, 2, "two.png", ""}, Case{1, 2, "two.png", ""},
                          Case{3, 3, "", "three.png"}}) {
        SCOPED_TRACE(c.frame);
        Layer layer = definitionLayer(text);
        parseLayerDefinition(layer, c.frame, 0, {});
        EXPECT_EQ(layer.frame, c.frame);
        EXPECT_EQ(layer.posX, 1);
        EXPECT_EQ(layer.posY, c.posY);
        EXPECT_EQ(layer.slots[1].name, c.slot1);
        EXPECT_EQ(layer.faceName, c.face);
        EXPECT_EQ(layer.faceX, 9);
    }
}

TEST(LayerDefinition, KeysSlotsModesAndAlphas) {
    Layer layer = definitionLayer("; Type=movie is a comment\n"
                                  "type = ACTOR\n"
                                  "Type=sprite\n" // unknown: stays actor
                                  "NAME=hero  trailing words\n"
                                  "posx=-12\n"
                                  "PosY=abc\n"
                                  "Base=body.png\n"
                                  "FaceX=3\n"
                                  "FaceY=4\n"
                                  "Img=zero.png\n" // no digits: slot 0
                                  "IMG9=nine.png\n"
                                  "Img12=twelve.png\n" // beyond the slots: ignored
                                  "Alpha3=50%\n"
                                  "Alpha4=300\n"
                                  "Alpha5=-5\n"
                                  "alpha6=150%\n"
                                  "Mode2=Sparkle\n"
                                  "mode7=hardLIGHT\n"
                                  "Mode=add\n"
                                  "Colour=red\n");
    parseLayerDefinition(layer, 0, 0, {});
    EXPECT_EQ(layer.type, LayerType::Actor);
    EXPECT_EQ(layer.name, "hero");
    EXPECT_EQ(layer.posX, -12);
    EXPECT_EQ(layer.posY, 0);
    EXPECT_EQ(layer.baseName, "body.png");
    EXPECT_EQ(layer.faceX, 3);
    EXPECT_EQ(layer.faceY, 4);
    EXPECT_EQ(layer.slots[0].name, "zero.png");
    EXPECT_EQ(layer.slots[9].name, "nine.png");
    const std::array<int32_t, 10> alphas = {255, 255, 255, 127, 255, 0, 255, 255, 255, 255};
    const std::array<BlendMode, 10> modes = {
        BlendMode::Add,    BlendMode::Normal, BlendMode::None,   BlendMode::Normal,
        BlendMode::Normal, BlendMode::Normal, BlendMode::Normal, BlendMode::Hardlight,
        BlendMode::Normal, BlendMode::Normal};
    for (int d = 0; d < 10; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(layer.slots[d].alpha, alphas[d]);
        EXPECT_EQ(layer.slots[d].mode, modes[d]);
        if (d != 0 && d != 9) {
            EXPECT_EQ(layer.slots[d].name, "");
        }
    }
    EXPECT_TRUE(layer.program.empty());
}

TEST(LayerDefinition, InstructionsCompileWithVariablesConstantsAndDefaults) {
    Layer layer = definitionLayer("X: b\n"
                                  "draw: 1 x -3\n"
                                  "clip:\n"
                                  "CLIP: 1 2\n"
                                  "add.q: 7\n"
                                  "Move: 1 2 3 4\n" // no ".": variable a; only three operands
                                  "sin.: 5\n"
                                  "wobble.x: 1\n" // no instruction: dropped
                                  "xy: 3\n"       // not a single letter: dropped
                                  "ResetTimer\n");
    parseLayerDefinition(layer, 0, 77, {320, 200});
    EXPECT_EQ(layer.timerBase, 77u);
    using K = Operand::Kind;
    struct Expected {
        uint8_t opcode;
        char destination;
        std::array<Operand, 4> operands;
    };
    const std::vector<Expected> expected = {
        {Instruction::kSet, 'X', {{{K::Variable, 1}}}},
        {Instruction::kDraw, 0, {{{K::Constant, 1}, {K::Variable, 23}, {K::Constant, -3}}}},
        {Instruction::kClip,
         0,
         {{{K::Constant, 0}, {K::Constant, 0}, {K::Constant, 320}, {K::Constant, 200}}}},
        {Instruction::kClip, 0, {{{K::Constant, 1}, {K::Constant, 2}}}},
        {Instruction::kAdd, 'q', {{{K::Constant, 7}}}},
        {Instruction::kMove, 'a', {{{K::Constant, 1}, {K::Constant, 2}, {K::Constant, 3}}}},
        {Instruction::kSin, 'a', {{{K::Constant, 5}}}},
    };
    ASSERT_EQ(layer.program.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const Instruction& in = layer.program[i];
        EXPECT_EQ(in.opcode, expected[i].opcode);
        EXPECT_EQ(in.destination, expected[i].destination);
        for (int o = 0; o < 4; ++o) {
            EXPECT_EQ(in.operands[o].kind, expected[i].operands[o].kind) << o;
            EXPECT_EQ(in.operands[o].value, expected[i].operands[o].value) << o;
        }
    }
}

// ---- animation -----------------------------------------------------------------------------

TEST(LayerProgram, ArithmeticEdgesAndTimedInstructions) {
    struct Case {
        const char* program;
        double t;
        char variable;
        int32_t expected;
    };
    const Case cases[] = {
        {"x: 120\nmax.x: 100", 0, 'x', 100}, // "max" caps
        {"x: 50\nmax.x: 100", 0, 'x', 50},
        {"min.x: 5", 0, 'x', 5}, // "min" raises
        {"x: -7\nrange.x: 0 50", 0, 'x', 0},
        {"x: 70\nrange.x: 0 50", 0, 'x', 50},
        {"y: 9\ndiv.y: 7 0", 0, 'y', 9},
        {"y: 9\nmod.y: 7 0", 0, 'y', 9},
        {"div.y: -7 2", 0, 'y', -3},
        {"mod.y: -7 2", 0, 'y', -1},
        {"B: 4\nadd.c: b 1\nsub.c: c 10", 0, 'c', -5},
        {"add: 2 3", 0, 'a', 5},
        {"add.z: 1 1\nset.z: 9", 0, 'z', 2}, // "set" is no keyword
        {"add.1: 5 5\nx: 1", 0, 'x', 1},     // no variable to write
        // 32-bit wrap-around, as the machine the animations were made for computes.
        {"a: -2147483648\ndiv.b: a -1", 0, 'b', INT_MIN},
        {"a: -2147483648\nmod.b: a -1", 0, 'b', 0},
        {"add.c: 2147483647 1", 0, 'c', INT_MIN},
        {"mul.c: 65536 65537", 0, 'c', 65536},
        // move: 10 + trunc((30 * 1500 + 20 * 0.001 * 1500^2 / 2) / 1000) = 10 + 67
        {"x: 10\nmove.x: 30 20", 1500, 'x', 77},
        {"x: 10\nmove.x: -30 -20", 1500, 'x', -57},
        // sin: 5 cycles a minute for 1.5 s is 1/8 cycle, plus a phase of 1/2:
        // 40 * sin(1.25 pi) = -28.28
        {"y: 40\nsin.y: 5 40 500", 1500, 'y', 12},
        {"y: 40\nsin.y: 5 40", 1500, 'y', 68},
        // Far beyond the 32-bit range the timed instructions stop at its ends.
        {"move.x: 2147483647 2147483647", 4294967295.0, 'x', INT_MAX},
        {"x: -5\nmove.x: -2147483647 -2147483647", 4294967295.0, 'x', INT_MIN},
        {"x: 2147483600\nsin.x: 15 2147483647", 1000, 'x', INT_MAX},
    };
    OwnedSurface scene;
    ASSERT_TRUE(scene.create(PixelFormat::Bgr24, 4, 4));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        Layer layer = definitionLayer(c.program);
        parseLayerDefinition(layer, 0, 0, {});
        AnimationVariables variables{};
        runProgram(layer, variables, c.t, scene);
        EXPECT_EQ(variables[c.variable - 'a'], c.expected);
    }
}

// ---- the stack -----------------------------------------------------------------------------

constexpr Rgb kTall{10, 20, 30}, kBackground{40, 80, 120}, kBody{200, 0, 0}, kFace{0, 200, 0},
    kOver{100, 150, 200}, kAdd{30, 60, 90}, kDot{255, 255, 0}, kSign{1, 2, 3};

class LayerStackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto text = [](std::string_view t) { return test::bytes(test::gameText(t)); };
        ASSERT_TRUE(game_.addArchive(
            "layers.dat", 1,
            {
                {"img\\tall.png", solid(200, 400, kTall)},
                {"img\\bg.png", solid(96, 64, kBackground)},
                {"img\\body.png", solid(10, 20, kBody)},
                // The face: its left half opaque, its right half transparent.
                {"img\\face.png",
                 test::rgbaPng(
                     4, 4,
                     [](int x, int) {
                         return x < 2 ? Rgba{kFace.r, kFace.g, kFace.b, 255} : Rgba{9, 9, 9, 0};
                     })},
                {"img\\over.png", solid(96, 64, kOver)},
                {"img\\add.png", solid(16, 16, kAdd)},
                {"img\\dot.png", solid(2, 2, kDot)},
                {"img\\sign.png", solid(6, 6, kSign)},
                {"img\\broken.png", {1, 2, 3}},
                {"anime\\actor.img", text("Type=actor\nBase=body.png\nFace=face.png\n"
                                          "PosX=5\nPosY=20\nFaceX=3\nFaceY=2\n")},
                {"anime\\back.img", text("Type=back\nBase=bg.png\n"
                                         "Img0=over.png\nMode0=Normal\nAlpha0=50%\n"
                                         "Img1=add.png\nMode1=Add\n"
                                         "Img2=over.png\nMode2=Sparkle\n")},
            }));
        // A loose file, so that the suffix can be in capitals (archive names are lower-case).
        game_.writeFile("data/anime/movie.IMG",
                        test::gameText("Type=movie\nBase=bg.png\nImg0=dot.png\n"
                                       "x: 10\nmove.x: 30 20\n"
                                       "y: 40\nsin.y: 5 40 500\n"
                                       "draw: 0 x y\n"
                                       "# 1\nResetTimer\n"));
        ASSERT_TRUE(archives_.mountAll());
    }

    Rgb pixel(int x, int y) const {
        const uint8_t* p = scene_.row(y) + 3 * x;
        return {p[2], p[1], p[0]};
    }
    void compose(LayerStack& stack, ScreenSize screen) {
        ASSERT_TRUE(scene_.createScreen(PixelFormat::Bgr24, screen));
        stack.compose(scene_);
        EXPECT_FALSE(stack.needsRecomposition());
    }

    test::TempGame game_;
    Trace trace_;
    ArchiveIndex archives_{game_.dataFolder(), trace_};
    platform::VirtualClock clock_;
    OwnedSurface scene_;
};

TEST_F(LayerStackTest, LoadPlacesPicturesAndColoursAndKeepsTheNameOfAFailure) {
    LayerStack stack(archives_, clock_, {640, 480});
    std::vector<std::string> seen;
    stack.setNameSeenHandler([&](std::string_view name) { seen.emplace_back(name); });

    ASSERT_TRUE(stack.load(2, "tall.png"));
    const Layer& tall = stack.layer(2);
    EXPECT_EQ(tall.type, LayerType::Picture);
    EXPECT_EQ(tall.baseName, "tall.png");
    EXPECT_EQ(tall.x, 320);
    EXPECT_EQ(tall.y, 480);
    EXPECT_EQ(tall.posX, 100);
    EXPECT_EQ(tall.posY, 400);
    compose(stack, {640, 480});
    EXPECT_EQ(pixel(220, 80), kTall);
    EXPECT_EQ(pixel(419, 479), kTall);
    EXPECT_EQ(pixel(219, 80), Rgb{});
    EXPECT_EQ(pixel(220, 79), Rgb{});
    EXPECT_EQ(pixel(420, 479), Rgb{});

    // Layer 0 keeps its top-left on the screen's.
    ASSERT_TRUE(stack.load(0, "tall.png"));
    EXPECT_EQ(stack.layer(0).x, 0);
    EXPECT_EQ(stack.layer(0).posY, 0);
    ASSERT_TRUE(stack.load(9, "bLaCk"));
    EXPECT_EQ(stack.layer(9).type, LayerType::Colour);
    ASSERT_TRUE(stack.load(5, "Red"));
    EXPECT_TRUE(stack.needsRecomposition());
    compose(stack, {640, 480});
    EXPECT_EQ(pixel(0, 0), Rgb{});
    EXPECT_EQ(pixel(300, 300), Rgb{});
    EXPECT_EQ(pixel(639, 479), Rgb{});
    stack.clear(9);
    compose(stack, {640, 480});
    EXPECT_EQ(pixel(639, 479), (Rgb{255, 0, 0}));

    for (const char* name : {"missing.png", "broken.png", "nothere.img"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(stack.load(2, "tall.png"));
        compose(stack, {640, 480});
        EXPECT_FALSE(stack.load(2, name));
        EXPECT_TRUE(stack.needsRecomposition());
        EXPECT_EQ(stack.layer(2).type, LayerType::Empty);
        EXPECT_EQ(stack.layer(2).source, name);
        EXPECT_TRUE(stack.layer(2).base.empty());
        EXPECT_EQ(stack.layer(2).x, 0);
    }
    EXPECT_FALSE(stack.load(10, "tall.png"));
    EXPECT_FALSE(stack.load(-1, "tall.png"));
    EXPECT_FALSE(stack.setX(10, 1));
    EXPECT_FALSE(stack.selectFrame(-1, 1));
    EXPECT_EQ(seen, (std::vector<std::string>{"tall.png", "tall.png", "bLaCk", "Red", "tall.png",
                                              "missing.png", "tall.png", "broken.png", "tall.png",
                                              "nothere.img"}));
}

TEST_F(LayerStackTest, ComposesPicturesActorsAndBackOverlaysOverLaterLayers) {
    const ScreenSize screen{96, 64};
    LayerStack stack(archives_, clock_, screen);
    ASSERT_TRUE(stack.load(0, "back.img"));
    ASSERT_TRUE(stack.load(1, "actor.img"));
    ASSERT_TRUE(stack.load(4, "sign.png"));
    ASSERT_TRUE(stack.clearOffset(4));
    ASSERT_TRUE(stack.setX(4, 70));
    ASSERT_TRUE(stack.setY(4, 5));
    EXPECT_EQ(stack.layer(1).x, 48);
    EXPECT_EQ(stack.layer(1).y, 64);
    compose(stack, screen);

    // Every pixel shows the first pass under the back layer's overlays: over.png at
    // opacity 127 (50%), then add.png (16 x 16 at the top-left) added at full strength;
    // the overlay with an unknown mode is not drawn.
    auto overlaid = [](Rgb under, bool added) {
        auto channel = [&](int d, int over, int add) {
            const int normal = mix(d, over, 127);
            return uint8_t(added ? std::min(normal + add, 255) : normal);
        };
        return Rgb{channel(under.r, kOver.r, kAdd.r), channel(under.g, kOver.g, kAdd.g),
                   channel(under.b, kOver.b, kAdd.b)};
    };
    // The body's bottom-left is the anchor (48 - 5, 64 - 20) = (43, 44); the face is at
    // (46, 46), opaque in its left half.
    struct Probe {
        int x, y;
        Rgb under;
    };
    const Probe probes[] = {
        {0, 0, kBackground},   {15, 15, kBackground}, {16, 15, kBackground}, {95, 63, kBackground},
        {43, 44, kBody},       {52, 63, kBody},       {42, 44, kBackground}, {43, 43, kBackground},
        {53, 63, kBackground}, {46, 46, kFace},       {47, 49, kFace},       {48, 46, kBody},
        {45, 46, kBody},       {70, 5, kSign},        {75, 10, kSign},       {76, 10, kBackground},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        const Rgb expected = overlaid(p.under, p.x < 16 && p.y < 16);
        const Rgb got = pixel(p.x, p.y);
        EXPECT_EQ(int(got.r), int(expected.r));
        EXPECT_EQ(int(got.g), int(expected.g));
        EXPECT_EQ(int(got.b), int(expected.b));
    }
    EXPECT_FALSE(stack.animatedBackground());

    // What a save file keeps brings the same scene back. (Not the sign: a save keeps no
    // offset pair, so a picture placed by numbers comes back on its bottom-centre anchor.)
    stack.clear(4);
    compose(stack, screen);
    LayerStack restored(archives_, clock_, screen);
    const std::vector<uint8_t> first(scene_.pixels(), scene_.pixels() + scene_.byteCount());
    for (int32_t n = 0; n < LayerStack::kLayerCount; ++n)
        EXPECT_TRUE(restored.restore(n, stack.record(n))) << n;
    EXPECT_EQ(restored.record(1).x, 48);
    compose(restored, screen);
    EXPECT_EQ(std::vector<uint8_t>(scene_.pixels(), scene_.pixels() + scene_.byteCount()), first);
}

TEST_F(LayerStackTest, MovieLayerRunsItsProgramOnTheClockAcrossTheWrap) {
    const ScreenSize screen{96, 64};
    LayerStack stack(archives_, clock_, screen);
    clock_.advance(0xFFFFFFFFu - 499); // the clock wraps 500 ms after the load
    ASSERT_TRUE(stack.load(0, "movie.IMG"));
    ASSERT_TRUE(stack.setX(0, 3));
    ASSERT_TRUE(stack.setY(0, 2));
    EXPECT_TRUE(stack.animatedBackground());

    // At t = 0 nothing has moved: the dot is at (3 + 10, 2 + 40).
    compose(stack, screen);
    EXPECT_EQ(stack.variables()[23], 10);
    EXPECT_EQ(stack.variables()[24], 40);
    EXPECT_EQ(pixel(13, 42), kDot);
    EXPECT_EQ(pixel(14, 43), kDot);
    EXPECT_EQ(pixel(15, 42), kBackground);

    // 1.5 s later x = 10 + 67 and y = 40 - 28 (worked out in the program cases).
    clock_.advance(1500);
    compose(stack, screen);
    EXPECT_EQ(stack.variables()[23], 77);
    EXPECT_EQ(stack.variables()[24], 12);
    EXPECT_EQ(pixel(13, 42), kBackground);
    EXPECT_EQ(pixel(80, 14), kDot);
    EXPECT_EQ(pixel(81, 15), kDot);

    // Frame 1 restarts the clock.
    ASSERT_TRUE(stack.selectFrame(0, 1));
    EXPECT_EQ(stack.layer(0).timerBase, clock_.now());
    compose(stack, screen);
    EXPECT_EQ(pixel(13, 42), kDot);
    EXPECT_EQ(stack.record(0).frame, 1);
}

} // namespace
} // namespace velmira
