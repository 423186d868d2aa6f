#include "text/glyph_renderer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "tests/support/ipa_fonts.h"
#include "tests/text/synthetic_font.h"

namespace velmira {
namespace {

using test::SyntheticFont;
using test::syntheticGlyph;
using Rows = std::vector<std::vector<uint8_t>>;

// The coverage map of the last glyph, row by row, `width` values each.
Rows coverageRows(const GlyphRenderer& r) {
    Rows rows;
    for (int32_t y = 0; y < r.height(); ++y)
        rows.emplace_back(r.coverage() + y * r.pitch(), r.coverage() + y * r.pitch() + r.width());
    return rows;
}

// Eight identical rows of these bytes: one coverage row of their levels.
Rows block(const std::vector<uint8_t>& bytes, int rows = 8) {
    return Rows(static_cast<size_t>(rows), bytes);
}

TEST(GlyphRenderer, ReducesEightByEightBlocksThroughTheCoverageTable) {
    SyntheticFont font;
    // n set bits in every row of a block: 32 n - 1, 0 for none; where the bits sit does
    // not matter.
    font.glyphs[0x8250] = syntheticGlyph(
        96, block({0x00, 0x01, 0x80, 0x81, 0x07, 0x55, 0x3F, 0x7F, 0xFF, 0xF7, 0x10, 0x00}));
    // One sub-pixel in a block gives 31 >> 3; a partial last block sums the rows it has
    // and still divides by 8.
    Rows single = block({0, 0}, 8);
    single.push_back({0x00, 0xFF});
    single.push_back({0x00, 0xFF});
    single[3][0] = 0x10;
    font.glyphs[0x8251] = syntheticGlyph(16, single);

    GlyphRenderer r;
    ASSERT_TRUE(r.render(&font, 0x8250, 1.0));
    EXPECT_EQ(font.lastScale16, 0x80000); // eight times the size, 16.16
    EXPECT_EQ(r.width(), 12);
    EXPECT_EQ(r.pitch(), 12);
    EXPECT_EQ(r.height(), 1);
    EXPECT_EQ(coverageRows(r), (Rows{{0, 31, 31, 63, 95, 127, 191, 223, 255, 223, 31, 0}}));

    ASSERT_TRUE(r.render(&font, 0x8251, 1.0));
    EXPECT_EQ(r.width(), 2);
    EXPECT_EQ(r.pitch(), 4); // the raw row's bytes: 16 bits padded to 32
    EXPECT_EQ(r.height(), 2);
    EXPECT_EQ(coverageRows(r), (Rows{{3, 0}, {0, 2 * 255 >> 3}}));

    // Nine rows and a box width that is not a multiple of 8: the extra row is one eighth,
    // the width rounds up.
    font.glyphs[0x41] = syntheticGlyph(9, block({0xFF, 0x80}, 9));
    ASSERT_TRUE(r.render(&font, 0x41, 1.0));
    EXPECT_EQ(coverageRows(r), (Rows{{255, 31}, {31, 3}}));
}

TEST(GlyphRenderer, HeavyFontsWidenEveryStrokeByOnePixel) {
    SyntheticFont font;
    // Two coverage rows: {255, 0, 31, 127} and, from seven rows only, {167, 195, 0, 0}.
    Rows rows = block({0xFF, 0x00, 0x01, 0x0F});
    Rows second = block({0x3F, 0x7F, 0x00, 0x00}, 7);
    rows.insert(rows.end(), second.begin(), second.end());
    font.glyphs[0x8260] = syntheticGlyph(32, rows);

    GlyphRenderer r;
    ASSERT_TRUE(r.render(&font, 0x8260, 1.0));
    EXPECT_EQ(coverageRows(r), (Rows{{255, 0, 31, 127}, {167, 195, 0, 0}}));
    EXPECT_EQ(r.pitch(), 4);

    font.weight_ = 700;
    ASSERT_TRUE(r.render(&font, 0x8260, 1.0));
    EXPECT_EQ(r.width(), 5);
    EXPECT_EQ(r.pitch(), 5);
    // Each column adds its left neighbour's value from before the pass, saturating; the
    // new last column repeats the old last one.
    EXPECT_EQ(coverageRows(r), (Rows{{255, 255, 31, 158, 127}, {167, 255, 195, 0, 0}}));

    font.weight_ = 401; // anything above regular counts as heavy
    ASSERT_TRUE(r.render(&font, 0x8260, 1.0));
    EXPECT_EQ(r.width(), 5);
}

TEST(GlyphRenderer, PlacementFromOriginIncrementAndAscent) {
    struct Case {
        int32_t originX, originY, incrementX, incrementY, ascent;
        double scale;
        int32_t xOffset, yOffset, advanceX, advanceY, scale16;
    } cases[] = {
        {0, 160, 192, 0, 21, 1.0, 0, 1, 24, 0, 0x80000},
        // ">> 3" floors: one sub-pixel left of the pen is one pixel left.
        {-1, 7, 199, 0, 21, 1.0, -1, 21, 24, 0, 0x80000},
        {15, -9, 8, 0, 0, 1.0, 1, 2, 1, 0, 0x80000},
        // Ruby: the ascent is scaled and rounded to nearest, the increments' sign dropped.
        {-17, 80, -96, 16, 21, 0.5, -3, 1, 12, 2, 0x40000},
        {8, 0, 7, -7, 20, 0.5, 1, 10, 0, 0, 0x40000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.originX) + "," + std::to_string(c.originY));
        SyntheticFont font;
        font.ascent_ = c.ascent;
        test::SyntheticGlyph g =
            syntheticGlyph(8, block({0xFF}), c.originX, c.originY, c.incrementX);
        g.metrics.cellIncrementY = c.incrementY;
        font.glyphs[0x82A0] = g;
        GlyphRenderer r;
        ASSERT_TRUE(r.render(&font, 0x82A0, c.scale));
        EXPECT_EQ(font.lastScale16, c.scale16);
        EXPECT_EQ(r.xOffset(), c.xOffset);
        EXPECT_EQ(r.yOffset(), c.yOffset);
        EXPECT_EQ(r.advanceX(), c.advanceX);
        EXPECT_EQ(r.advanceY(), c.advanceY);
    }
}

TEST(GlyphRenderer, EmptyOutlineKeepsItsAdvance) {
    SyntheticFont font;
    test::SyntheticGlyph space;
    space.metrics.cellIncrementX = 96;
    font.glyphs[0x20] = space;
    test::SyntheticGlyph boxed = space; // a box without bits, as some engines report it
    boxed.metrics.blackBoxWidth = 1;
    boxed.metrics.blackBoxHeight = 1;
    font.glyphs[0x8140] = boxed;

    GlyphRenderer r;
    ASSERT_TRUE(r.render(&font, 0x20, 1.0));
    EXPECT_EQ(r.advanceX(), 12);
    EXPECT_EQ(r.width() * r.height(), 0);
    OwnedSurface s;
    ASSERT_TRUE(s.create(PixelFormat::Gray8, 4, 4));
    EXPECT_FALSE(r.composite(s, 0, 0, {255, 255, 255})); // no pixels in the map

    ASSERT_TRUE(r.render(&font, 0x8140, 1.0));
    EXPECT_EQ(coverageRows(r), (Rows{{0}}));
    EXPECT_EQ(font.fills, 0); // nothing to fill: the engine is asked for the size only
}

TEST(GlyphRenderer, FailuresLeaveTheLastGlyphAlone) {
    SyntheticFont font;
    font.glyphs[0x82A0] = syntheticGlyph(8, block({0xFF}), 0, 0, 64);
    font.glyphs[0x82A2] = syntheticGlyph(16, block({0x0F, 0xF0}), 8, 8, 128);
    test::SyntheticGlyph huge; // a box the renderer must not allocate for
    huge.metrics.blackBoxWidth = GlyphRenderer::kMaxBitmapSide + 1;
    huge.metrics.blackBoxHeight = 8;
    font.glyphs[0x82A4] = huge;
    test::SyntheticGlyph tall = huge;
    tall.metrics.blackBoxWidth = 8;
    tall.metrics.blackBoxHeight = 1 << 30;
    font.glyphs[0x82A6] = tall;
    test::SyntheticGlyph negative = huge;
    negative.metrics.blackBoxWidth = -8;
    font.glyphs[0x82A8] = negative;

    struct Case {
        const char* name;
        platform::Font* font;
        uint32_t code;
        double scale;
        int64_t sizeAnswer, fillAnswer;
        bool asksToFill;
    } cases[] = {
        {"no font", nullptr, 0x82A2, 1.0, -1, -1, false},
        {"code 0", &font, 0, 1.0, -1, -1, false},
        {"unknown code", &font, 0x8399, 1.0, -1, -1, false},
        {"box too wide", &font, 0x82A4, 1.0, -1, -1, false},
        {"box too tall", &font, 0x82A6, 1.0, -1, -1, false},
        {"negative box", &font, 0x82A8, 1.0, -1, -1, false},
        {"size not the box's", &font, 0x82A2, 1.0, 33, -1, false},
        {"size changed between calls", &font, 0x82A2, 1.0, -1, 16, true},
        {"zero scale", &font, 0x82A2, 0.0, -1, -1, false},
        {"negative scale", &font, 0x82A2, -1.0, -1, -1, false},
        {"scale too large", &font, 0x82A2, 1e9, -1, -1, false},
    };
    GlyphRenderer r;
    ASSERT_TRUE(r.render(&font, 0x82A0, 1.0));
    const uint8_t* map = r.coverage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        font.sizeAnswer = c.sizeAnswer;
        font.fillAnswer = c.fillAnswer;
        font.fills = 0;
        EXPECT_FALSE(r.render(c.font, c.code, c.scale));
        EXPECT_EQ(font.fills, c.asksToFill ? 1 : 0);
        EXPECT_EQ(r.coverage(), map);
        EXPECT_EQ(coverageRows(r), (Rows{{255}}));
        EXPECT_EQ(r.advanceX(), 8);
        EXPECT_EQ(r.width(), 1);
    }
}

TEST(GlyphRenderer, BuffersAreAlignedAndOnlyGrow) {
    SyntheticFont font;
    font.glyphs[0x41] = syntheticGlyph(8, block({0xFF}));
    Rows big = block(std::vector<uint8_t>(24, 0xFF), 8 * 24);
    font.glyphs[0x42] = syntheticGlyph(192, big);

    GlyphRenderer r;
    ASSERT_TRUE(r.render(&font, 0x41, 1.0));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(r.coverage()) % 8, 0u);
    ASSERT_TRUE(r.render(&font, 0x42, 1.0));
    const uint8_t* grown = r.coverage();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(grown) % 8, 0u);
    EXPECT_EQ(r.width(), 24);
    EXPECT_EQ(r.height(), 24);
    EXPECT_EQ(r.coverage()[24 * 24 - 1], 255);
    // A smaller glyph and then the large one again reuse the same memory.
    ASSERT_TRUE(r.render(&font, 0x41, 1.0));
    EXPECT_EQ(r.coverage(), grown);
    ASSERT_TRUE(r.render(&font, 0x42, 1.0));
    EXPECT_EQ(r.coverage(), grown);
}

// A three-pixel glyph of coverage 255, 127, 0 on one row, with its box one pixel right of
// and two below the pen.
class Composite : public ::testing::Test {
  protected:
    void SetUp() override {
        font_.ascent_ = 2;
        Rows rows = block({0xFF, 0xFF, 0x00}, 4); // the middle column half covered
        rows.resize(8, {0xFF, 0x00, 0x00});
        font_.glyphs[0x41] = syntheticGlyph(24, rows, 8, 0);
        ASSERT_TRUE(r_.render(&font_, 0x41, 1.0));
        ASSERT_EQ(coverageRows(r_), (Rows{{255, 127, 0}}));
        ASSERT_EQ(r_.xOffset(), 1);
        ASSERT_EQ(r_.yOffset(), 2);
    }
    SyntheticFont font_;
    GlyphRenderer r_;
};

TEST_F(Composite, BlendsIntoEveryFormat) {
    struct Case {
        PixelFormat format;
        std::vector<uint8_t> background; // one pixel
        Rgb colour;
        std::vector<uint8_t> at255, at127;
    } cases[] = {
        {PixelFormat::Abgr32,
         {0, 0, 0, 0},
         {255, 255, 255},
         {255, 255, 255, 255},
         {127, 127, 127, 127}},
        // Toward a darker colour the difference is negative: the product still rounds to
        // nearest (200 * 127 / 255 = 99.6 -> 100).
        {PixelFormat::Abgr32,
         {100, 200, 200, 200},
         {0, 10, 30},
         {255, 30, 10, 0},
         {177, 115, 105, 100}},
        {PixelFormat::Bgr24, {200, 200, 200}, {0, 10, 30}, {30, 10, 0}, {115, 105, 100}},
        // Grey of white is 254; of pure red 75.
        {PixelFormat::GrayAlpha16, {0, 0}, {255, 255, 255}, {255, 254}, {127, 127}},
        {PixelFormat::Gray8, {200}, {255, 0, 0}, {75}, {138}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        OwnedSurface s;
        ASSERT_TRUE(s.create(c.format, 5, 3));
        const size_t bpp = c.background.size();
        for (size_t i = 0; i < s.byteCount(); ++i)
            s.pixels()[i] = c.background[i % bpp];
        ASSERT_TRUE(r_.composite(s, 0, 0, c.colour));
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                const uint8_t* p = s.row(y) + size_t(x) * bpp;
                const std::vector<uint8_t> pixel(p, p + bpp);
                if (y == 2 && x == 1)
                    EXPECT_EQ(pixel, c.at255);
                else if (y == 2 && x == 2)
                    EXPECT_EQ(pixel, c.at127);
                else
                    EXPECT_EQ(pixel, c.background) << x << "," << y; // includes coverage 0
            }
    }
}

TEST_F(Composite, ClipsToTheSurface) {
    OwnedSurface s;
    ASSERT_TRUE(s.create(PixelFormat::Gray8, 2, 2));
    // Pen at (-2, -2): the map's box starts at (-1, 0), its first column is cut.
    ASSERT_TRUE(r_.composite(s, -2, -2, {255, 255, 255}));
    EXPECT_EQ(std::vector<uint8_t>(s.pixels(), s.pixels() + 4),
              (std::vector<uint8_t>{127, 0, 0, 0}));
    // Wholly outside, near the integer limits too: nothing drawn, still a success.
    for (int32_t pos : {-4, 2, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(pos);
        OwnedSurface t;
        ASSERT_TRUE(t.create(PixelFormat::Gray8, 2, 2));
        EXPECT_TRUE(r_.composite(t, pos, 0, {255, 255, 255}));
        EXPECT_TRUE(r_.composite(t, 0, pos, {255, 255, 255}));
        EXPECT_EQ(std::vector<uint8_t>(t.pixels(), t.pixels() + 4), std::vector<uint8_t>(4, 0));
    }
    OwnedSurface empty;
    EXPECT_FALSE(r_.composite(empty, 0, 0, {255, 255, 255}));
}

// The same arithmetic on real outlines: the IPA fonts, named by path.
class IpaGlyphs : public ::testing::Test {
  protected:
    std::unique_ptr<platform::FreeTypeFontEngine> engine_ = test::ipaFontEngine();
    GlyphRenderer r_;
};

constexpr uint32_t kHiraganaA = 0x82A0; // あ
constexpr uint32_t kKanji = 0x8ABF;     // 漢

TEST_F(IpaGlyphs, EachFaceGivesAGlyphInsideItsLine) {
    for (const char* face :
         {platform::kFaceGothic, platform::kFacePGothic, platform::kFacePMincho}) {
        SCOPED_TRACE(platform::sjisToUtf8(face));
        auto font = engine_->createFont(face, 24, 400);
        ASSERT_NE(font, nullptr) << "the IPA fonts are missing: run scripts/setup.sh";
        for (uint32_t code : {kHiraganaA, kKanji}) {
            ASSERT_TRUE(r_.render(font.get(), code, 1.0));
            // A 24-pixel character a little narrower than its em (22 pixels for these
            // faces, whose cell is taller than the em), within the 24-pixel line.
            EXPECT_GE(r_.advanceX(), 19);
            EXPECT_LE(r_.advanceX(), 22);
            EXPECT_EQ(r_.advanceY(), 0);
            EXPECT_GE(r_.width(), 15);
            EXPECT_LE(r_.xOffset() + r_.width(), r_.advanceX() + 1);
            EXPECT_GE(r_.xOffset(), 0);
            EXPECT_GE(r_.yOffset(), 0);
            EXPECT_LE(r_.yOffset() + r_.height(), 24);
            EXPECT_GE(r_.height(), 17);
            // Strokes one to three pixels wide: some pixels fully covered, most empty,
            // some in between (the antialiasing).
            int full = 0, empty = 0, partial = 0;
            for (const auto& row : coverageRows(r_))
                for (uint8_t a : row)
                    (a == 255 ? full : a == 0 ? empty : partial)++;
            EXPECT_GT(full, 3);
            EXPECT_GT(partial, 10);
            EXPECT_GT(empty, (full + partial) / 2);
        }
    }
}

TEST_F(IpaGlyphs, BoldIsOnePixelWider) {
    for (const char* face : {platform::kFacePMincho, platform::kFacePGothic}) {
        SCOPED_TRACE(platform::sjisToUtf8(face));
        auto regular = engine_->createFont(face, 24, 400);
        auto bold = engine_->createFont(face, 24, 700);
        ASSERT_TRUE(regular && bold);
        ASSERT_TRUE(r_.render(regular.get(), kHiraganaA, 1.0));
        const Rows thin = coverageRows(r_);
        const int32_t advance = r_.advanceX();
        ASSERT_TRUE(r_.render(bold.get(), kHiraganaA, 1.0));
        const Rows heavy = coverageRows(r_);
        // The outline's emboldening is a fraction of a pixel; the pixel is the renderer's.
        EXPECT_EQ(heavy[0].size(), thin[0].size() + 1);
        EXPECT_EQ(heavy.size(), thin.size());
        EXPECT_EQ(r_.advanceX(), advance);
        // Every row at least as dark as the regular one would be after widening.
        for (size_t y = 0; y < thin.size(); ++y) {
            int sumThin = 0, sumHeavy = 0;
            for (uint8_t a : thin[y])
                sumThin += a;
            for (uint8_t a : heavy[y])
                sumHeavy += a;
            EXPECT_GE(sumHeavy, sumThin) << "row " << y;
        }
    }
}

TEST_F(IpaGlyphs, RubyIsHalfSize) {
    auto font = engine_->createFont(platform::kFacePGothic, 24, 400);
    ASSERT_NE(font, nullptr);
    for (uint32_t code : {kHiraganaA, kKanji, uint32_t('A')}) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(r_.render(font.get(), code, 1.0));
        const int32_t advance = r_.advanceX(), width = r_.width(), height = r_.height();
        const int32_t top = r_.yOffset();
        ASSERT_TRUE(r_.render(font.get(), code, 0.5));
        EXPECT_NEAR(r_.advanceX() * 2, advance, 2);
        EXPECT_NEAR(r_.width() * 2, width, 2);
        EXPECT_NEAR(r_.height() * 2, height, 2);
        EXPECT_NEAR(r_.yOffset() * 2, top, 2); // placed in a line of half the height
    }
}

TEST_F(IpaGlyphs, WhiteCompositesOntoEveryFormat) {
    auto font = engine_->createFont(platform::kFaceGothic, 24, 400);
    ASSERT_NE(font, nullptr);
    ASSERT_TRUE(r_.render(font.get(), kKanji, 1.0));
    const Rows map = coverageRows(r_);
    struct Case {
        PixelFormat format;
        std::vector<uint8_t> full; // a pixel at coverage 255 (alpha first)
    } cases[] = {
        {PixelFormat::Abgr32, {255, 255, 255, 255}},
        {PixelFormat::Bgr24, {255, 255, 255}},
        {PixelFormat::GrayAlpha16, {255, 254}},
        {PixelFormat::Gray8, {254}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        OwnedSurface s;
        ASSERT_TRUE(s.create(c.format, 30, 30));
        ASSERT_TRUE(r_.composite(s, 3, 2, {255, 255, 255}));
        const size_t bpp = c.full.size();
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 30; ++x) {
                const int32_t mx = x - 3 - r_.xOffset(), my = y - 2 - r_.yOffset();
                const bool inside = mx >= 0 && my >= 0 && mx < r_.width() && my < r_.height();
                const uint8_t a = inside ? map[size_t(my)][size_t(mx)] : 0;
                const uint8_t* p = s.row(y) + size_t(x) * bpp;
                if (a == 255)
                    EXPECT_EQ(std::vector<uint8_t>(p, p + bpp), c.full);
                else if (a == 0)
                    EXPECT_EQ(std::vector<uint8_t>(p, p + bpp), std::vector<uint8_t>(bpp, 0));
                else
                    EXPECT_TRUE(p[0] > 0 && p[0] < 255) << x << "," << y;
            }
    }
}

} // namespace
} // namespace velmira
