// The cross-fade kernels against a scalar reference, and the transitions and effects on a
// small screen whose scene is a fixture of known colours, timed by the virtual clock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "graphics/blitter.h"
#include "graphics/transitions.h"
#include "platform/headless/virtual_clock.h"
#include "png_test_util.h"
#include "resource/archive.h"
#include "support/game_fixture.h"

namespace velmira {
namespace {

using Bytes = std::vector<uint8_t>;

// ---- kernels ------------------------------------------------------------------------------

// Every (scene, previous) byte pair, plus a few bytes that do not fill a vector, starting
// one byte off any alignment.
struct PairBuffers {
    static constexpr size_t kBytes = 65536 + 13;
    Bytes scene = Bytes(kBytes + 1), previous = Bytes(kBytes + 1), front = Bytes(kBytes + 1);
    PairBuffers() {
        for (size_t i = 0; i < kBytes; ++i) {
            scene[i + 1] = uint8_t(i >> 8 ^ (i >= 65536 ? 0xFF : 0));
            previous[i + 1] = uint8_t(i);
        }
    }
    uint8_t* f() { return front.data() + 1; }
    const uint8_t* s() const { return scene.data() + 1; }
    const uint8_t* p() const { return previous.data() + 1; }
};

// The kernels come in the blitter's sets (portable, and AVX2 where the processor has it);
// every test runs each set the machine can run.
template <typename Test> void forEachKernelSet(Test test) {
    const BlitKernels active = activeBlitKernels();
    for (const BlitKernels set : {BlitKernels::Portable, BlitKernels::Avx2}) {
        if (!selectBlitKernels(set)) continue;
        SCOPED_TRACE(set == BlitKernels::Avx2 ? "avx2" : "portable");
        test();
    }
    selectBlitKernels(active);
}

TEST(CrossFadeKernels, BothFormulasAreExactAtEveryLevel) {
    PairBuffers b;
    forEachKernelSet([&] {
        for (const bool mmx : {false, true}) {
            for (int32_t l = 0; l < 256; ++l) {
                (mmx ? crossFadeMmx : crossFadePlain)(b.f(), b.s(), b.p(), b.kBytes, l);
                size_t wrong = 0;
                for (size_t i = 0; i < b.kBytes; ++i) {
                    const int32_t want =
                        mmx ? std::min((b.s()[i] * l + b.p()[i] * (256 - l)) >> 8, 255)
                            : (b.s()[i] * l + b.p()[i] * (255 - l)) >> 8;
                    wrong += b.f()[i] != want;
                }
                ASSERT_EQ(wrong, 0u) << (mmx ? "mmx" : "plain") << " level " << l;
            }
        }
    });
    // The guard bytes in front of the buffers are never touched.
    EXPECT_EQ(b.front[0], 0);
}

TEST(CrossFadeKernels, WhiteStaysWhiteOnlyWithTheMmxFormula) {
    forEachKernelSet([] {
        const Bytes white(37, 255);
        Bytes out(37);
        for (int32_t l : {1, 128, 255}) {
            crossFadePlain(out.data(), white.data(), white.data(), out.size(), l);
            EXPECT_EQ(out, Bytes(37, 254)) << l;
            crossFadeMmx(out.data(), white.data(), white.data(), out.size(), l);
            EXPECT_EQ(out, white) << l;
        }
        // The MMX formula starts from an exact copy of the old picture.
        const Bytes old(37, 77);
        crossFadeMmx(out.data(), white.data(), old.data(), out.size(), 0);
        EXPECT_EQ(out, old);
    });
}

TEST(CrossFadeKernels, DimScalesEveryByteWithTheLevelCappedAt255) {
    PairBuffers b;
    forEachKernelSet([&] {
        for (int32_t level : {-1, 0, 1, 127, 200, 255, 256, 1000}) {
            dim(b.f(), b.p(), b.kBytes, level);
            const int32_t l = std::clamp(level, 0, 255);
            size_t wrong = 0;
            for (size_t i = 0; i < b.kBytes; ++i)
                wrong += b.f()[i] != (b.p()[i] * l) >> 8;
            EXPECT_EQ(wrong, 0u) << level;
        }
    });
}

// ---- fixtures -----------------------------------------------------------------------------

constexpr ScreenSize kScreen{7, 3}; // 63 bytes: no multiple of any vector width
constexpr Rgb kOld{10, 200, 255};
constexpr Rgb kNew{250, 30, 255};

// A scene of one colour, changed by the test.
class ColourScene : public SceneSource {
  public:
    void show(Rgb colour) {
        colour_ = colour;
        dirty_ = true;
    }
    bool needsRecomposition() const override { return dirty_; }
    void compose(Surface& scene) override {
        fillScreen(scene, colour_, kScreen);
        dirty_ = false;
        ++composes;
    }
    bool animatedBackground() const override { return animated; }

    bool animated = false;
    int composes = 0;

  private:
    Rgb colour_;
    bool dirty_ = true;
};

// Every present advances the virtual clock and keeps a copy of the front buffer.
class RecordingHost : public EffectHost {
  public:
    RecordingHost(platform::VirtualClock& clock, const FrameBuffers& frames)
        : clock_(clock), frames_(frames) {}
    bool pollInput() override { return ++polls <= pollsBeforeQuit; }
    bool skipping() const override { return skip; }
    bool effectsOn() const override { return effects; }
    SceneMode sceneMode() const override { return mode; }
    void present() override {
        const uint8_t* p = frames_.front.pixels();
        shown.emplace_back(p, p + frames_.front.byteCount());
        presentTimes.push_back(clock_.now());
        clock_.advance(msPerPresent);
    }

    int pollsBeforeQuit = 1 << 30;
    int polls = 0;
    bool skip = false;
    bool effects = true;
    SceneMode mode = SceneMode::Story;
    uint32_t msPerPresent = 1;
    std::vector<Bytes> shown;
    std::vector<uint32_t> presentTimes; // clock before each present

  private:
    platform::VirtualClock& clock_;
    const FrameBuffers& frames_;
};

Bytes screenOf(Rgb c) {
    Bytes out;
    for (size_t i = 0; i < size_t(kScreen.width * kScreen.height); ++i)
        out.insert(out.end(), {c.b, c.g, c.r});
    return out;
}

Bytes bytesOf(const Surface& s) {
    return {s.pixels(), s.pixels() + s.byteCount()};
}

// A grey picture of the screen's size or smaller (centred on the screen).
std::vector<uint8_t> greyPng(uint32_t w, uint32_t h, const Bytes& levels) {
    Bytes raw;
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), levels.begin() + y * w, levels.begin() + (y + 1) * w);
    }
    return test::makePng({w, h, 8, 0}, test::zlibCompress(raw));
}

// The rule pictures: all black, and a 5 x 1 strip of greys centred on the middle row (so
// the mask is 0 around it).
const Bytes kStrip = {0, 3, 128, 254, 255};

class TransitionsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(game_.addArchive("rules.dat", 1,
                                     {{"img\\black.png", greyPng(7, 3, Bytes(21, 0))},
                                      {"img\\strip.png", greyPng(5, 1, kStrip)},
                                      {"img\\_test.png", testPicture()}}));
        ASSERT_TRUE(archives_.mountAll());
        ASSERT_TRUE(frames_.create(kScreen));
        // The old scene on screen, settled.
        scene_.show(kOld);
        host_.effects = false;
        transitions_.updateScene();
        host_.effects = true;
        scene_.show(kNew);
    }
    // An RGB picture of the screen's size for the noise demonstration.
    static std::vector<uint8_t> testPicture() {
        Bytes raw;
        for (int y = 0; y < kScreen.height; ++y) {
            raw.push_back(0);
            for (int x = 0; x < kScreen.width * 3; ++x)
                raw.push_back(uint8_t(60 + 6 * x + y));
        }
        return test::makePng({7, 3, 8, 2}, test::zlibCompress(raw));
    }
    // The mask the strip rule gives pixel i.
    static int32_t stripMask(size_t i) {
        const size_t x = i % 7, y = i / 7;
        return y == 1 && x >= 1 && x <= 5 ? kStrip[x - 1] : 0;
    }
    static Bytes pixel(const Bytes& frame, size_t i) {
        return {frame.begin() + 3 * i, frame.begin() + 3 * i + 3};
    }

    test::TempGame game_;
    Trace trace_;
    ArchiveIndex archives_{game_.dataFolder(), trace_};
    FrameBuffers frames_;
    ColourScene scene_;
    platform::VirtualClock clock_;
    RecordingHost host_{clock_, frames_};
    Transitions transitions_{frames_, scene_, clock_, host_, archives_};
};

// ---- the automatic cross-fade ---------------------------------------------------------------

TEST_F(TransitionsTest, CrossFadeLevelFollowsTheClockUntilAnExactCopy) {
    for (const bool mmx : {false, true}) {
        transitions_.setMmx(mmx);
        transitions_.setNextCrossFade(300);
        scene_.show(mmx ? kOld : kNew);
        const Bytes from = bytesOf(frames_.scene), to = screenOf(mmx ? kOld : kNew);
        const uint32_t start = clock_.now();
        Bytes want(from.size());
        int frames = 0;
        do {
            transitions_.updateScene();
            const uint32_t e = clock_.now() - start;
            if (e * 256 / 300 < 256) {
                (mmx ? crossFadeMmx : crossFadePlain)(want.data(), to.data(), from.data(),
                                                      want.size(), int32_t(e * 256 / 300));
                ASSERT_EQ(bytesOf(frames_.front), want) << e;
            } else {
                EXPECT_EQ(bytesOf(frames_.front), to);
            }
            clock_.advance(7);
            ++frames;
        } while (transitions_.currentDuration() > 0);
        EXPECT_EQ(frames, 300 / 7 + 2); // frames at 0, 7, ..., 294, then 301 copies
        EXPECT_EQ(bytesOf(frames_.previous), from);
    }
}

TEST_F(TransitionsTest, EffectsOffAndSkippingCutOnlyOutsideSystemAndDemoScreens) {
    struct Case {
        SceneMode mode;
        bool effects, skip;
        int32_t duration;
    } cases[] = {
        {SceneMode::Story, true, false, 500}, {SceneMode::Story, false, false, 0},
        {SceneMode::Story, true, true, 0},    {SceneMode::System, false, false, 500},
        {SceneMode::Demo, false, true, 500},
    };
    for (const Case& c : cases) {
        host_.mode = c.mode;
        host_.effects = c.effects;
        host_.skip = c.skip;
        scene_.show(kNew);
        transitions_.updateScene();
        EXPECT_EQ(transitions_.currentDuration(), c.duration) << int(c.mode);
        EXPECT_EQ(bytesOf(frames_.front) == screenOf(kNew), c.duration == 0) << int(c.mode);
        // Back to the old picture on screen.
        host_.mode = SceneMode::Story;
        host_.effects = false;
        scene_.show(kOld);
        transitions_.updateScene();
    }
}

TEST_F(TransitionsTest, NextCrossFadeIsClampedAndConsumedByTheNextChangeOnly) {
    transitions_.setNextCrossFade(70000);
    EXPECT_EQ(transitions_.pendingDuration(), 60000);
    transitions_.updateScene();
    EXPECT_EQ(transitions_.currentDuration(), 60000);
    EXPECT_EQ(transitions_.pendingDuration(), -1);

    transitions_.setNextCrossFade(-3);
    EXPECT_EQ(transitions_.pendingDuration(), 0);
    scene_.show(kOld);
    transitions_.updateScene();
    EXPECT_EQ(transitions_.currentDuration(), 0);
    EXPECT_EQ(bytesOf(frames_.front), screenOf(kOld));

    scene_.show(kNew);
    transitions_.updateScene();
    EXPECT_EQ(transitions_.currentDuration(), Transitions::kDefaultCrossFadeMs);
}

TEST_F(TransitionsTest, AStaticSceneIsCopiedToTheFrontOnlyAfterSomethingChanged) {
    host_.effects = false;
    transitions_.updateScene();
    const uint64_t shown = frames_.frontVersion;
    transitions_.updateScene();
    transitions_.updateScene();
    EXPECT_EQ(frames_.frontVersion, shown);

    // Someone else draws on the front buffer: the next frame shows the scene again.
    frames_.front.pixels()[0] = 1;
    frames_.frontChanged();
    transitions_.updateScene();
    EXPECT_EQ(bytesOf(frames_.front), screenOf(kNew));
    EXPECT_EQ(frames_.frontVersion, shown + 2);

    // An animated background and system screens recompose, so they copy every frame.
    scene_.animated = true;
    transitions_.updateScene();
    EXPECT_EQ(frames_.frontVersion, shown + 3);
    scene_.animated = false;
    host_.mode = SceneMode::System;
    transitions_.updateScene();
    EXPECT_EQ(frames_.frontVersion, shown + 4);
}

TEST_F(TransitionsTest, PresentNowShowsTheNewSceneWithoutACrossFade) {
    transitions_.updateScene(); // a cross-fade begins
    ASSERT_GT(transitions_.currentDuration(), 0);
    scene_.show(kOld);
    transitions_.presentNow();
    transitions_.updateScene();
    EXPECT_EQ(transitions_.currentDuration(), 0);
    EXPECT_EQ(bytesOf(frames_.front), screenOf(kOld));
}

// ---- effects ------------------------------------------------------------------------------

TEST_F(TransitionsTest, FlashCountIsClampedAndIgnoresEffectsAndSkipping) {
    const Rgb white{255, 255, 255};
    host_.effects = false;
    host_.skip = true;
    for (const auto& [count, flashes] : {std::pair{0, 1}, {-4, 1}, {3, 3}, {25, 10}}) {
        host_.shown.clear();
        EXPECT_TRUE(transitions_.flash(count, white));
        ASSERT_EQ(host_.shown.size(), size_t(2 * flashes)) << count;
        for (size_t i = 0; i < host_.shown.size(); ++i)
            EXPECT_EQ(host_.shown[i], i % 2 ? screenOf(kOld) : screenOf(white));
    }
    EXPECT_EQ(host_.polls, 0);
}

TEST_F(TransitionsTest, ShakeOffsetsTheSceneBySinesOfTheElapsedTime) {
    // A scene whose pixels tell where they came from: B = x + 1, G = y + 1.
    for (int y = 0; y < kScreen.height; ++y)
        for (int x = 0; x < kScreen.width; ++x) {
            frames_.scene.row(y)[3 * x] = uint8_t(x + 1);
            frames_.scene.row(y)[3 * x + 1] = uint8_t(y + 1);
        }
    host_.msPerPresent = 9;
    EXPECT_TRUE(transitions_.shake(3, -2, 5, 2, 100));
    ASSERT_EQ(host_.shown.size(), 13u); // e = 0, 9, ..., 108: the last one beyond 100
    Bytes before = screenOf(kOld);
    for (size_t k = 0; k < host_.shown.size(); ++k) {
        const long double e = host_.presentTimes[k] - host_.presentTimes[0];
        const int dx = int(std::trunc(std::sin(e * 5 / 100) * 3));
        const int dy = int(std::trunc(std::sin(e * 2 / 100) * -2));
        for (int y = 0; y < kScreen.height; ++y)
            for (int x = 0; x < kScreen.width; ++x) {
                const size_t i = size_t(y * kScreen.width + x);
                const int sx = x - dx, sy = y - dy;
                const bool inside = sx >= 0 && sx < kScreen.width && sy >= 0 && sy < kScreen.height;
                // The strip the offset uncovers keeps what the front buffer showed before.
                const Bytes want =
                    inside ? pixel(bytesOf(frames_.scene), size_t(sy * 7 + sx)) : pixel(before, i);
                ASSERT_EQ(pixel(host_.shown[k], i), want) << k << " " << x << "," << y;
            }
        before = host_.shown[k];
    }
    EXPECT_EQ(bytesOf(frames_.front), bytesOf(frames_.scene));

    // Effects off or no duration: nothing is drawn.
    host_.shown.clear();
    EXPECT_TRUE(transitions_.shake(3, 3, 1, 1, 0));
    host_.effects = false;
    EXPECT_TRUE(transitions_.shake(3, 3, 1, 1, 100));
    EXPECT_TRUE(host_.shown.empty());
}

TEST_F(TransitionsTest, HardWipeReplacesDarkRulePixelsFirst) {
    // Level = elapsed: pixel i turns new once mask[i] < elapsed / 4.
    host_.msPerPresent = 16;
    ASSERT_TRUE(transitions_.wipe("strip.png", 1024));
    ASSERT_EQ(host_.shown.size(), 1024u / 16 + 2); // levels 0, 16, ..., 1024, then the end
    const Bytes oldScreen = screenOf(kOld), newScreen = screenOf(kNew);
    for (size_t k = 0; k + 1 < host_.shown.size(); ++k) {
        const int32_t edge = int32_t(host_.presentTimes[k] - host_.presentTimes[0]) >> 2;
        for (size_t i = 0; i < 21; ++i)
            ASSERT_EQ(pixel(host_.shown[k], i),
                      pixel(stripMask(i) < edge ? newScreen : oldScreen, i))
                << "frame " << k << " pixel " << i;
    }
    EXPECT_EQ(host_.shown.back(), newScreen);

    // An all-black rule changes everything at the first level of at least 4 (the picture
    // on screen is now the "new" one, the wipe goes back to the old colour).
    host_.shown.clear();
    host_.msPerPresent = 1;
    scene_.show(kOld);
    ASSERT_TRUE(transitions_.wipe("black.png", 1024));
    for (size_t k = 0; k < 6; ++k)
        EXPECT_EQ(host_.shown[k], k < 4 ? newScreen : oldScreen) << k;
}

TEST_F(TransitionsTest, SoftWipeMixesABandOfMaskValues) {
    host_.msPerPresent = 512;
    ASSERT_TRUE(transitions_.softWipe("strip.png", 1024));
    ASSERT_EQ(host_.shown.size(), 4u); // levels 0, 512, 1024, then the end
    const Bytes oldScreen = screenOf(kOld), newScreen = screenOf(kNew);
    EXPECT_EQ(host_.shown[0], oldScreen);
    // At level 512 the weight a is the mask value itself.
    for (size_t i = 0; i < 21; ++i) {
        const int32_t a = stripMask(i);
        Bytes want = a < 1 ? pixel(newScreen, i) : pixel(oldScreen, i);
        if (a >= 1)
            for (int c = 0; c < 3; ++c)
                want[c] = uint8_t(mix(newScreen[c], oldScreen[c], a));
        EXPECT_EQ(pixel(host_.shown[1], i), want) << i;
    }
    EXPECT_EQ(pixel(host_.shown[1], 7 + 3), (Bytes{255, 115, 130})); // mask 128, a = 128
    // The band joins both sides: a low weight is nearly new, a high one nearly old.
    EXPECT_EQ(pixel(host_.shown[1], 7 + 2), (Bytes{255, 32, 247})); // mask 3
    EXPECT_EQ(pixel(host_.shown[1], 7 + 4), (Bytes{255, 199, 11})); // mask 254
    EXPECT_EQ(host_.shown[2], newScreen);
    EXPECT_EQ(host_.shown[3], newScreen);
    EXPECT_EQ(bytesOf(frames_.previous), newScreen);
}

TEST_F(TransitionsTest, WipeWithoutRuleOrTimeOrEffects) {
    // A missing rule: the scene is composed, the old picture stays until the next frame.
    EXPECT_FALSE(transitions_.wipe("missing.png", 500));
    EXPECT_FALSE(transitions_.softWipe("missing.png", 500));
    EXPECT_TRUE(host_.shown.empty());
    EXPECT_EQ(bytesOf(frames_.front), screenOf(kOld));
    EXPECT_EQ(bytesOf(frames_.scene), screenOf(kNew));
    transitions_.updateScene();
    EXPECT_EQ(bytesOf(frames_.front), screenOf(kNew));

    // No time, or effects off: the scene as last composed is shown once.
    scene_.show(kOld);
    for (const int32_t ms : {0, -5, 500}) {
        host_.effects = ms != 500;
        host_.shown.clear();
        EXPECT_TRUE(transitions_.wipe("missing.png", ms));
        EXPECT_TRUE(transitions_.softWipe("missing.png", ms));
        EXPECT_EQ(host_.shown, (std::vector<Bytes>{screenOf(kNew), screenOf(kNew)}));
    }
}

TEST_F(TransitionsTest, QuitOrSkipEndsAnEffectWithItsFinalPicture) {
    for (const bool quit : {true, false}) {
        for (int effect = 0; effect < 3; ++effect) {
            scene_.show(effect % 2 ? kOld : kNew);
            host_.polls = 0;
            host_.pollsBeforeQuit = quit ? 2 : 1 << 30;
            host_.skip = !quit;
            host_.shown.clear();
            const bool done = effect == 0   ? transitions_.shake(2, 2, 1, 1, 60000)
                              : effect == 1 ? transitions_.wipe("strip.png", 60000)
                                            : transitions_.softWipe("strip.png", 60000);
            EXPECT_TRUE(done);
            // Two frames before the quit, none when skipping; the wipes present their end.
            EXPECT_EQ(host_.shown.size(), size_t(quit ? (effect ? 3 : 2) : (effect ? 1 : 0)))
                << effect;
            EXPECT_EQ(bytesOf(frames_.front), bytesOf(frames_.scene)) << effect;
        }
    }
}

// ---- the noise demonstration --------------------------------------------------------------

TEST_F(TransitionsTest, NoiseFiltersStayWithinTheirAmount) {
    Image picture;
    ASSERT_TRUE(picture.load(archives_, "_test.png"));
    ASSERT_EQ(picture.format(), PixelFormat::Bgr24);
    std::srand(7);
    Surface& front = frames_.front;
    rowNoise(front, picture, 5);
    for (size_t i = 0; i < 21; ++i) {
        const int d = front.pixels()[3 * i] - picture.pixels()[3 * i];
        EXPECT_GE(d, -5);
        EXPECT_LT(d, 5);
        // One offset per pixel: all three bytes move together (none is clamped here).
        EXPECT_EQ(front.pixels()[3 * i + 2] - picture.pixels()[3 * i + 2], d);
    }
    rowJitter(front, picture, 0);
    EXPECT_EQ(bytesOf(front), bytesOf(picture));
    rowJitter(front, picture, 3);
    for (int y = 0; y < 3; ++y) { // each row is the source row moved by one shift, clamped
        bool found = false;
        for (int s = -3; s < 3 && !found; ++s) {
            found = true;
            for (int x = 0; x < 7; ++x)
                found &= pixel(bytesOf(front), size_t(7 * y + x)) ==
                         pixel(bytesOf(picture), size_t(7 * y + std::clamp(x + s, 0, 6)));
        }
        EXPECT_TRUE(found) << y;
    }
    byteNoise(front, picture, 30);
    for (size_t i = 0; i < 63; ++i) {
        const int d = front.pixels()[i] - picture.pixels()[i];
        EXPECT_TRUE(d >= -30 && d < 30) << i;
    }
    // Surfaces of different sizes are left alone.
    OwnedSurface small;
    small.create(PixelFormat::Bgr24, 2, 2);
    byteNoise(small, picture, 30);
    rowNoise(small, picture, 30);
    EXPECT_EQ(bytesOf(small), Bytes(12, 0));
}

TEST_F(TransitionsTest, NoiseDemonstrationRunsThirteenSecondsOrUntilQuit) {
    host_.msPerPresent = 0; // time moves only by the 1 ms sleep of every turn
    transitions_.noiseDemonstration();
    EXPECT_EQ(host_.shown.size(), 13000u);
    EXPECT_EQ(clock_.now(), 13000u);
    EXPECT_NE(host_.shown[0], screenOf(kOld));

    host_.shown.clear();
    host_.polls = 0;
    host_.pollsBeforeQuit = 10;
    transitions_.noiseDemonstration();
    EXPECT_EQ(host_.shown.size(), 10u);
}

} // namespace
} // namespace velmira
