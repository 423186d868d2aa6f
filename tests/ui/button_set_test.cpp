// Image button sets on small pictures made here: each button picture holds its frames
// stacked vertically, every frame filled with its own grey level so that a drawn pixel
// tells which frame was copied.
#include "ui/button_set.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "graphics/png_test_util.h"
#include "resource/archive.h"
#include "resource/temp_dir.h"
#include "resource/trace.h"

namespace velmira {
namespace {

// Frame f of a w x h-per-frame Abgr32 picture is opaque grey 10 * (f + 1); with
// roundCorner the top-left pixel of every frame is transparent.
Image framesPicture(int32_t w, int32_t h, int32_t frames, bool roundCorner = false) {
    Image image;
    EXPECT_TRUE(image.create(PixelFormat::Abgr32, w, h * frames));
    for (int32_t y = 0; y < h * frames; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = image.row(y) + x * 4;
            const auto level = static_cast<uint8_t>(10 * (y / h + 1));
            p[0] = roundCorner && x == 0 && y % h == 0 ? 0 : 255;
            p[1] = p[2] = p[3] = level;
        }
    return image;
}

// Adds a button of 4 x 4 pixels per frame.
void addButton(ButtonSet& set, int32_t id, int32_t x, int32_t y, int32_t frames = 3,
               bool roundCorner = false) {
    ASSERT_TRUE(set.add(framesPicture(4, 4, frames, roundCorner), frames, id, x, y));
}

// The blue byte of a Bgr24 frame pixel.
uint8_t at(const OwnedSurface& frame, int32_t x, int32_t y) {
    return frame.row(y)[x * 3];
}

TEST(ButtonSet, HitIsPixelExactAndSkipsDisabledButtons) {
    ButtonSet set;
    addButton(set, 7, 10, 20, 3, /*roundCorner=*/true);
    addButton(set, 8, 12, 20); // overlaps the right half of button 7
    EXPECT_EQ(set.hit({10, 20}), -1) << "transparent corner";
    EXPECT_EQ(set.hit({11, 20}), 7);
    EXPECT_EQ(set.hit({13, 23}), 7) << "the first added wins";
    EXPECT_EQ(set.hit({13, 24}), -1) << "below frame 0, inside the picture's other frames";
    EXPECT_EQ(set.hit({14, 20}), 8);
    EXPECT_EQ(set.hit({16, 20}), -1);
    set.enable(7, false);
    EXPECT_EQ(set.hit({13, 23}), 8);
    EXPECT_EQ(set.hit({-2147483647, 20}), -1) << "far off the screen";
}

TEST(ButtonSet, PressAndReleaseOnTheSameButtonOnly) {
    ButtonSet set;
    addButton(set, 1, 0, 0);
    addButton(set, 2, 10, 0);
    EXPECT_TRUE(set.press({1, 1}));
    EXPECT_EQ(set.release({11, 1}), -1) << "released on another button";
    EXPECT_EQ(set.release({1, 1}), -1) << "that press is over";
    EXPECT_FALSE(set.press({5, 1}));
    EXPECT_EQ(set.release({1, 1}), -1) << "pressed beside every button";
    EXPECT_TRUE(set.press({11, 1}));
    EXPECT_EQ(set.release({12, 2}), 2);
}

TEST(ButtonSet, AddFailsWhenFullOrWithoutAPicture) {
    // A 2 x 6 RGB picture: three frames of 2 x 2.
    test::TempDir game;
    std::vector<uint8_t> raw;
    for (int y = 0; y < 6; ++y) {
        raw.push_back(0); // no filter
        raw.insert(raw.end(), {1, 2, 3, 4, 5, 6});
    }
    const std::vector<uint8_t> png =
        test::makePng(test::Header{2, 6, 8, 2}, test::zlibCompress(raw));
    std::filesystem::create_directories(game.path() + "data/img");
    std::ofstream(game.path() + "data/img/button.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    Trace trace;
    ArchiveIndex archives(game.path() + "data/", trace);
    archives.mountAll();

    ButtonSet set;
    EXPECT_FALSE(set.add(archives, 3, 1, "missing.png", 0, 0));
    EXPECT_FALSE(set.add(archives, 0, 1, "button.png", 0, 0)) << "no frames";
    ASSERT_TRUE(set.addWithOverlay(archives, 3, 22, "button.png", 5, 6, "missing.png", 0, 0));
    EXPECT_EQ(set.button(0).frameHeight(), 2);
    EXPECT_TRUE(set.button(0).overlay.empty());
    while (set.count() < ButtonSet::kCapacity)
        ASSERT_TRUE(set.add(archives, 3, set.count(), "button.png", 0, 0));
    EXPECT_FALSE(set.add(archives, 3, 99, "button.png", 0, 0));
    EXPECT_FALSE(set.add(framesPicture(2, 2, 1), 1, 99, 0, 0));
    EXPECT_EQ(set.count(), ButtonSet::kCapacity);
    set.clear();
    EXPECT_EQ(set.count(), 0);
    EXPECT_EQ(set.hit({5, 6}), -1);
}

TEST(ButtonSet, DrawPicksTheFrameOfTheState) {
    struct Case {
        int32_t frames;
        bool disabled, highlighted, leftDown;
        uint8_t level; // 10 * (frame + 1)
    };
    const Case cases[] = {
        {3, false, false, false, 10}, {3, false, true, false, 20}, {3, false, true, true, 30},
        {3, true, false, false, 10},  {4, true, false, false, 40}, {4, true, true, false, 40},
        {1, false, true, true, 10},   {2, false, true, true, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frames << c.disabled << c.highlighted << c.leftDown);
        ButtonSet set;
        addButton(set, 5, 2, 1, c.frames);
        set.enable(5, !c.disabled);
        OwnedSurface frame;
        ASSERT_TRUE(frame.create(PixelFormat::Bgr24, 8, 8));
        set.draw(frame, c.highlighted ? 5 : -1, c.leftDown);
        EXPECT_EQ(at(frame, 2, 1), c.level);
        EXPECT_EQ(at(frame, 5, 4), c.level);
        EXPECT_EQ(at(frame, 5, 5), 0) << "one frame tall";
    }
}

TEST(ButtonSet, NavigateMovesToTheNextButtonThatWay) {
    // A column of three list entries with a scroll button below, and one entry to the
    // right of the first. Buttons are 4 x 4: centres at (x + 2, y + 2).
    ButtonSet set;
    addButton(set, 0, 0, 0);   // centre (2, 2)
    addButton(set, 1, 0, 10);  // (2, 12)
    addButton(set, 2, 0, 20);  // (2, 22)
    addButton(set, 3, 20, 0);  // (22, 2)
    addButton(set, 99, 0, 30); // (2, 32), page down
    set.markScroll(99);

    struct Case {
        Point mouse;
        int32_t action;
        int32_t result;
        std::vector<Point> moves;
    };
    const Case cases[] = {
        {{2, 2}, 8, 8, {{2, 12}}},   // down the column
        {{2, 12}, 7, 7, {{2, 2}}},   // up
        {{2, 12}, 6, 6, {{22, 2}}},  // right: the only button that way
        {{22, 2}, 5, 5, {{2, 2}}},   // left: the one in line before those across
        {{2, 22}, 8, 10, {}},        // onto the scroll button: page down, no move
        {{30, 40}, 8, 8, {{2, 22}}}, // outside every button, nothing below: the nearest
        {{2, 2}, 7, 7, {{2, 2}}},    // nothing above: the nearest, its own centre
        {{2, 2}, 3, 3, {}},          // not an arrow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mouse.x << "," << c.mouse.y << " " << c.action);
        std::vector<Point> moves;
        EXPECT_EQ(set.navigate(c.action, c.mouse, [&](Point p) { moves.push_back(p); }), c.result);
        EXPECT_EQ(moves, c.moves);
    }

    // From outside every button the scroll button is never a target.
    ButtonSet onlyScroll;
    addButton(onlyScroll, 9, 0, 30);
    onlyScroll.markScroll(9);
    std::vector<Point> moves;
    EXPECT_EQ(onlyScroll.navigate(8, {2, 2}, [&](Point p) { moves.push_back(p); }), 8);
    EXPECT_TRUE(moves.empty());
}

TEST(ButtonSets, ArmingDecidesWhichSetsTakeTheMouse) {
    ButtonSets sets;
    addButton(sets.box, 22, 548, 572);
    addButton(sets.box, 15, 560, 572);
    addButton(sets.choice, 0, 100, 100);
    addButton(sets.screen, 3, 200, 100);

    sets.arm(ButtonArming::None);
    EXPECT_EQ(sets.press({549, 573}), ButtonSets::Source::None);

    sets.arm(ButtonArming::ChoiceMenu);
    EXPECT_EQ(sets.press({561, 573}), ButtonSets::Source::None) << "15 is off in a choice menu";
    EXPECT_EQ(sets.press({549, 573}), ButtonSets::Source::Box);
    EXPECT_EQ(sets.release({549, 573}).id, 22);
    EXPECT_EQ(sets.press({101, 101}), ButtonSets::Source::Choice);
    EXPECT_EQ(sets.release({101, 101}).source, ButtonSets::Source::Choice);
    EXPECT_EQ(sets.press({201, 101}), ButtonSets::Source::None) << "the screen set is not shown";

    // A press on the choice, then one that the box takes before the choice set hears of
    // it: a release over the choice answers nothing.
    EXPECT_EQ(sets.press({101, 101}), ButtonSets::Source::Choice);
    EXPECT_EQ(sets.press({549, 573}), ButtonSets::Source::Box);
    EXPECT_EQ(sets.release({101, 101}).source, ButtonSets::Source::None);

    sets.arm(ButtonArming::SystemScreen);
    EXPECT_EQ(sets.press({201, 101}), ButtonSets::Source::Screen);
    const ButtonSets::Released r = sets.release({201, 101});
    EXPECT_EQ(r.source, ButtonSets::Source::Screen);
    EXPECT_EQ(r.id, 3);
}

TEST(ButtonSets, DrawShowsTheBoxOnlyInItsAreaAndALaterSetTakesTheHighlight) {
    ButtonSets sets;
    addButton(sets.box, 22, 548, 572);
    addButton(sets.choice, 0, 546, 570); // under the box button
    OwnedSurface frame;
    ASSERT_TRUE(frame.create(PixelFormat::Bgr24, 800, 600));
    sets.arm(ButtonArming::ChoiceMenu);

    sets.draw(frame, {549, 573}, false, true);
    EXPECT_EQ(at(frame, 548, 572), 20) << "box button hovered";
    EXPECT_EQ(at(frame, 546, 570), 10) << "the choice under it loses its highlight";

    ASSERT_TRUE(frame.create(PixelFormat::Bgr24, 800, 600));
    sets.draw(frame, {549, 573}, false, false);
    EXPECT_EQ(at(frame, 548, 572), 20) << "no box while skipping: the choice is hovered";

    ASSERT_TRUE(frame.create(PixelFormat::Bgr24, 800, 600));
    sets.draw(frame, {100, 100}, false, true);
    EXPECT_EQ(at(frame, 548, 572), 10) << "mouse outside the box area: only the choice";
    EXPECT_EQ(at(frame, 551, 575), 0);

    sets.arm(ButtonArming::None);
    ASSERT_TRUE(frame.create(PixelFormat::Bgr24, 800, 600));
    sets.draw(frame, {549, 573}, false, true);
    EXPECT_EQ(at(frame, 548, 572), 0) << "nothing shown";
}

} // namespace
} // namespace velmira
