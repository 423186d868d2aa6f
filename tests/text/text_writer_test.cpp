// The writer on the IPA fixed-pitch Gothic at 24 pixels: full-width characters advance
// 22 pixels, one-byte ones 11.
#include "text/text_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ipa_fonts.h"

namespace velmira {
namespace {

constexpr char kKanji[] = "\x8A\xBF";          // 漢
constexpr char kFullWidthSpace[] = "\x81\x40"; // 　
constexpr char kUnassigned[] = "\x85\x40";     // no character in code page 932
constexpr int32_t kFullAdvance = 22, kHalfAdvance = 11;

class TextWriterTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(surface_.create(PixelFormat::Bgr24, 200, 100)); }

    // The pixels' bounding box of ink in [x0, x1) x [y0, y1), as "none" or
    // "left,top-right,bottom" (inclusive).
    std::string inkBox(int32_t x0 = 0, int32_t y0 = 0, int32_t x1 = 200, int32_t y1 = 100) {
        int32_t left = x1, top = y1, right = -1, bottom = -1;
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x) {
                const uint8_t* p = surface_.row(y) + x * 3;
                if ((p[0] | p[1] | p[2]) == 0) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        if (right < 0) return "none";
        return std::to_string(left) + "," + std::to_string(top) + "-" + std::to_string(right) +
               "," + std::to_string(bottom);
    }
    bool blank() { return inkBox() == "none"; }

    std::unique_ptr<platform::FreeTypeFontEngine> engine_ = test::ipaFontEngine();
    GlyphRenderer renderer_;
    TextWriter writer_{*engine_, renderer_, {200, 100}};
    OwnedSurface surface_;
};

TEST_F(TextWriterTest, StartsOnTheScreenAndSetsItsFont) {
    EXPECT_EQ(writer_.penX, 0);
    EXPECT_EQ(writer_.penY, 0);
    EXPECT_EQ(writer_.left, 0);
    EXPECT_EQ(writer_.top, 0);
    EXPECT_EQ(writer_.right, 200);
    EXPECT_EQ(writer_.bottom, 100);
    EXPECT_EQ(writer_.colour, (Rgb{255, 255, 255}));
    EXPECT_EQ(writer_.font(), nullptr);

    struct Case {
        int32_t size, gap;
        bool ok;
        int32_t lineHeight;
    } cases[] = {
        {24, 16, true, 40},  {-1, 16, false, 40},
        {24, -1, false, 40}, {24, std::numeric_limits<int32_t>::max(), false, 40},
        {12, 0, true, 12},   {0, 5, true, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + "+" + std::to_string(c.gap));
        const platform::Font* before = writer_.font();
        EXPECT_EQ(writer_.setFont(c.size, c.gap), c.ok);
        EXPECT_EQ(writer_.lineHeight(), c.lineHeight);
        if (!c.ok) {
            EXPECT_EQ(writer_.font(), before);
            continue;
        }
        EXPECT_EQ(writer_.size(), c.size);
        ASSERT_NE(writer_.font(), nullptr);
        EXPECT_EQ(writer_.font()->weight(), 400);
    }
    ASSERT_TRUE(writer_.setFont(24, 16));
    EXPECT_EQ(writer_.font()->ascent(), 20); // the fixed-pitch Gothic at 24 pixels
}

TEST_F(TextWriterTest, SpacesAndLineFeedsOnlyMoveThePen) {
    ASSERT_TRUE(writer_.setFont(25, 15));
    writer_.left = 7;
    writer_.penX = 7;
    EXPECT_TRUE(writer_.drawString(surface_, " ", Wrap::On));
    EXPECT_EQ(writer_.penX, 7 + 12); // half the size, rounded down
    EXPECT_TRUE(writer_.drawString(surface_, kFullWidthSpace, Wrap::On));
    EXPECT_EQ(writer_.penX, 7 + 12 + 25);
    EXPECT_TRUE(writer_.drawString(surface_, "\n\n", Wrap::On));
    EXPECT_EQ(writer_.penX, 7);
    EXPECT_EQ(writer_.penY, 80);
    writer_.home();
    EXPECT_EQ(writer_.penY, 0);
    EXPECT_TRUE(blank());
}

TEST_F(TextWriterTest, WrapStartsALineBeforeACharacterThatWouldPassTheRightEdge) {
    // Three characters advance 66 from x 10; the fourth starts at 76 and needs 24.
    struct Case {
        int32_t right;
        Wrap wrap;
        int32_t penX, penY;
    } cases[] = {
        {99, Wrap::On, 10 + kFullAdvance, 40},
        {100, Wrap::On, 10 + 4 * kFullAdvance, 0}, // exactly on the edge still fits
        {60, Wrap::Off, 10 + 4 * kFullAdvance, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.right);
        std::memset(surface_.pixels(), 0, surface_.byteCount());
        ASSERT_TRUE(writer_.setFont(24, 16));
        writer_.left = writer_.penX = 10;
        writer_.penY = 0;
        writer_.right = c.right;
        const std::string text = std::string(kKanji) + kKanji + kKanji + kKanji;
        EXPECT_TRUE(writer_.drawString(surface_, text, c.wrap));
        EXPECT_EQ(writer_.penX, c.penX);
        EXPECT_EQ(writer_.penY, c.penY);
        if (c.penY == 40) {
            // The fourth character sits on the second line, at the left edge.
            EXPECT_NE(inkBox(10, 40, 10 + kFullAdvance, 64), "none");
            EXPECT_EQ(inkBox(0, 24, 200, 40), "none");
        } else {
            EXPECT_EQ(inkBox(0, 24, 200, 100), "none");
        }
    }
    // Unwrapped text runs past the rectangle and is clipped only by the surface.
    EXPECT_NE(inkBox(60, 0, 200, 24), "none");
    writer_.penX = 190;
    writer_.penY = 90;
    EXPECT_TRUE(writer_.drawString(surface_, kKanji, Wrap::Off));
}

TEST_F(TextWriterTest, DrawsEachGlyphInItsColourAtThePen) {
    ASSERT_TRUE(writer_.setFont(24, 16));
    writer_.penX = 50;
    writer_.penY = 30;
    writer_.colour = {200, 0, 0};
    EXPECT_TRUE(writer_.drawString(surface_, std::string("A") + kKanji, Wrap::On));
    EXPECT_EQ(writer_.penX, 50 + kHalfAdvance + kFullAdvance);

    // The same as rendering and compositing by hand, no shadow.
    OwnedSurface expected;
    ASSERT_TRUE(expected.create(PixelFormat::Bgr24, 200, 100));
    GlyphRenderer renderer;
    ASSERT_TRUE(renderer.render(writer_.font(), 'A', 1.0));
    ASSERT_TRUE(renderer.composite(expected, 50, 30, {200, 0, 0}));
    ASSERT_TRUE(renderer.render(writer_.font(), 0x8ABF, 1.0));
    ASSERT_TRUE(renderer.composite(expected, 50 + kHalfAdvance, 30, {200, 0, 0}));
    EXPECT_EQ(std::memcmp(surface_.pixels(), expected.pixels(), surface_.byteCount()), 0);
    EXPECT_NE(inkBox(), "none");
    EXPECT_EQ(inkBox(0, 0, 200, 30), "none");
    EXPECT_EQ(inkBox(0, 30 + 24, 200, 100), "none");
    for (size_t i = 0; i < surface_.byteCount(); i += 3)
        ASSERT_TRUE(surface_.pixels()[i] == 0 && surface_.pixels()[i + 1] == 0); // red only
}

TEST_F(TextWriterTest, CharactersWithoutAGlyphLeaveABlank) {
    ASSERT_TRUE(writer_.setFont(24, 16));
    EXPECT_FALSE(writer_.drawString(surface_, static_cast<const char*>(nullptr), Wrap::On));
    EXPECT_TRUE(writer_.drawString(surface_, kKanji, Wrap::On));
    const std::string first = inkBox();
    // An unassigned two-byte code, a one-byte code that maps to nothing, and a lead byte
    // at the end: blanks of the size, half the size, the size; the last glyph is not
    // drawn again.
    EXPECT_TRUE(writer_.drawString(surface_, std::string(kUnassigned) + "\x80" + "\x8A", Wrap::On));
    EXPECT_EQ(writer_.penX, kFullAdvance + 24 + 12 + 24);
    EXPECT_EQ(inkBox(), first);
    // A NUL byte ends the text.
    writer_.penX = 0;
    EXPECT_TRUE(writer_.drawString(surface_, std::string_view(" \0 ", 3), Wrap::On));
    EXPECT_EQ(writer_.penX, 12);

    // Without any font the pen still moves as if blanks were drawn.
    platform::FreeTypeFontEngine none({{}, false});
    TextWriter fontless(none, renderer_, {200, 100});
    EXPECT_FALSE(fontless.setFont(24, 16));
    EXPECT_EQ(fontless.lineHeight(), 40);
    EXPECT_TRUE(fontless.drawString(surface_, std::string("A") + kKanji + "\nA", Wrap::On));
    EXPECT_EQ(fontless.penX, 12);
    EXPECT_EQ(fontless.penY, 40);
    EXPECT_EQ(inkBox(), first);
}

} // namespace
} // namespace velmira
