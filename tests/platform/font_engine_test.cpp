// The FreeType font engine on the IPA fonts, named by path (never through fontconfig).
// Figures of fonts-ipafont 00303-23: units per em 2048, usWinAscent 1802, usWinDescent 401
// (IPAGothic, IPAPGothic) and 455 (IPAPMincho).
#include "platform/fonts/freetype_fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"
#include "tests/support/ipa_fonts.h"

namespace velmira::platform {
namespace {

constexpr int32_t kText = 0x80000; // 8.0: the scale the engine asks for text
constexpr int32_t kRuby = 0x40000; // 4.0: ruby
constexpr uint32_t kA = 0x82A0;    // あ
constexpr uint32_t kKan = 0x8ABF;  // 漢

struct Glyph {
    int64_t size = -1;
    GlyphMetrics metrics;
    std::vector<uint8_t> bits;
};

// Both calls the glyph renderer makes: the size, then the bitmap.
Glyph glyph(Font& font, uint32_t code, int32_t scale16 = kText) {
    Glyph g;
    g.size = font.glyphBitmap(code, scale16, g.metrics, nullptr, 0);
    if (g.size <= 0) return g;
    g.bits.assign(static_cast<size_t>(g.size), 0xAA);
    GlyphMetrics again;
    EXPECT_EQ(font.glyphBitmap(code, scale16, again, g.bits.data(), g.bits.size()), g.size);
    EXPECT_EQ(again.blackBoxWidth, g.metrics.blackBoxWidth);
    EXPECT_EQ(again.blackBoxHeight, g.metrics.blackBoxHeight);
    return g;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SjisCharDecoder, MapsExactlyOneCp932Character) {
    struct Case {
        uint32_t code;
        char32_t expected;
    } cases[] = {
        {0x41, U'A'},
        {0x5C, U'\\'},
        {0x7E, U'~'},
        {0xB1, U'\uFF71'}, // ｱ
        {0x82A0, U'\u3042'},
        {0x8140, U'\u3000'},
        {0x8ABF, U'\u6F22'},
        // Where code page 932 differs from plain Shift-JIS.
        {0x815F, U'\uFF3C'},
        {0x8160, U'\uFF5E'},
        {0x8794, U'\u2211'},
        // Unassigned, a lone lead byte, two one-byte characters, out of range, none.
        {0x8540, 0},
        {0x82, 0},
        {0x4142, 0},
        {0x10000, 0},
        {0x82A0FF, 0},
        {0, 0},
        {0x80, 0},
    };
    SjisCharDecoder decoder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(decoder.decode(c.code), c.expected);
    }
}

TEST(FreeTypeFonts, EachFaceIsServedWithCellHeightMetrics) {
    struct Case {
        const char* face;
        int32_t ascent;      // round(24 * 1802 / (1802 + descent))
        int32_t fullWidth;   // advance of 漢 at 8x: the em, 24 * 2048 / cell * 8, in whole pixels
        int32_t narrowWidth; // advance of "i"
    } cases[] = {
        {kFaceGothic, 20, 178, 89}, // fixed pitch: half the full width
        {kFacePGothic, 20, 178, 48},
        {kFacePMincho, 19, 174, 51},
    };
    auto engine = test::ipaFontEngine();
    for (const Case& c : cases) {
        SCOPED_TRACE(sjisToUtf8(c.face));
        auto font = engine->createFont(c.face, 24, 400);
        ASSERT_NE(font, nullptr) << "the IPA fonts are missing: run scripts/setup.sh";
        EXPECT_EQ(font->ascent(), c.ascent);
        EXPECT_EQ(font->weight(), 400);

        const Glyph a = glyph(*font, kKan);
        const GlyphMetrics& m = a.metrics;
        EXPECT_NEAR(m.cellIncrementX, c.fullWidth, 1);
        EXPECT_EQ(m.cellIncrementY, 0);
        EXPECT_NEAR(glyph(*font, 'i').metrics.cellIncrementX, c.narrowWidth, 1);
        // The ink lies inside the cell: right of the pen, below the ascent, above the
        // descent, no wider than the advance.
        EXPECT_GT(m.blackBoxWidth, c.fullWidth * 2 / 3);
        EXPECT_LE(m.blackBoxWidth, c.fullWidth);
        EXPECT_GE(m.originX, 0);
        EXPECT_LE(m.originX + m.blackBoxWidth, m.cellIncrementX);
        EXPECT_LE(m.originY, c.ascent * 8);
        EXPECT_GE(m.originY - m.blackBoxHeight, -(24 - c.ascent) * 8);

        // Rows padded to 32 bits, set bits only inside the box, and the box fits the ink
        // (to the sub-pixel the outline's extremes round to).
        const int64_t pitch = (m.blackBoxWidth + 31) / 32 * 4;
        ASSERT_EQ(a.size, pitch * m.blackBoxHeight);
        auto bit = [&](int64_t x, int64_t y) {
            return (a.bits[size_t(y * pitch + x / 8)] >> (7 - x % 8)) & 1;
        };
        int64_t set = 0, left = pitch * 8, right = -1, top = m.blackBoxHeight, bottom = -1;
        for (int32_t y = 0; y < m.blackBoxHeight; ++y)
            for (int32_t x = 0; x < pitch * 8; ++x) {
                if (!bit(x, y)) continue;
                ASSERT_LT(x, m.blackBoxWidth) << "a bit in the padding, row " << y;
                ++set;
                left = std::min<int64_t>(left, x);
                right = std::max<int64_t>(right, x);
                top = std::min<int64_t>(top, y);
                bottom = std::max<int64_t>(bottom, y);
            }
        EXPECT_LE(left, 1);
        EXPECT_GE(right, m.blackBoxWidth - 2);
        EXPECT_LE(top, 1);
        EXPECT_GE(bottom, m.blackBoxHeight - 2);
        // Strokes cover a fair part of the box, but not most of it.
        EXPECT_GT(set, int64_t(m.blackBoxWidth) * m.blackBoxHeight / 10);
        EXPECT_LT(set, int64_t(m.blackBoxWidth) * m.blackBoxHeight / 2);
    }
}

TEST(FreeTypeFonts, HeightIsTheCellNotTheEm) {
    auto engine = test::ipaFontEngine();
    for (int32_t height : {12, 16, 24, 37, 48}) {
        SCOPED_TRACE(height);
        auto font = engine->createFont(kFaceGothic, height, 400);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->ascent(), std::lround(height * 1802.0 / 2203.0));
        // The full-width advance is the em: height * 2048 / 2203 at eight times the size,
        // in whole pixels (the IPA fonts ask for a whole-pixel em).
        const double em = height * 2048.0 / 2203.0;
        EXPECT_NEAR(glyph(*font, kKan, kText).metrics.cellIncrementX, em * 8, 1);
        EXPECT_NEAR(glyph(*font, kKan, kRuby).metrics.cellIncrementX, em * 4, 1);
    }
    // A negative height asks for the em itself.
    auto em24 = engine->createFont(kFaceGothic, -24, 400);
    ASSERT_NE(em24, nullptr);
    EXPECT_EQ(glyph(*em24, kKan).metrics.cellIncrementX, 192);
    EXPECT_EQ(em24->ascent(), 21); // 24 * 1802 / 2048
    // Sizes beyond the limit make no font.
    EXPECT_EQ(engine->createFont(kFaceGothic, FreeTypeFontEngine::kMaxHeight + 1, 400), nullptr);
    EXPECT_EQ(engine->createFont(kFaceGothic, -FreeTypeFontEngine::kMaxHeight - 1, 400), nullptr);
    EXPECT_NE(engine->createFont(kFaceGothic, 0, 400), nullptr); // a default size
}

TEST(FreeTypeFonts, CodesWithoutAGlyphFail) {
    auto engine = test::ipaFontEngine();
    auto font = engine->createFont(kFacePGothic, 24, 400);
    ASSERT_NE(font, nullptr);
    // Unassigned, lone lead byte, two one-byte characters, out of range; then characters
    // that map but that the face lacks (its notdef box is not an answer).
    for (uint32_t code : {0x8540u, 0x82u, 0x4142u, 0x10000u, 0x01u, 0x7Fu, 0x8794u}) {
        SCOPED_TRACE(code);
        GlyphMetrics m;
        EXPECT_EQ(font->glyphBitmap(code, kText, m, nullptr, 0), -1);
        uint8_t buffer[4096];
        EXPECT_EQ(font->glyphBitmap(code, kText, m, buffer, sizeof buffer), -1);
    }
    // A space has no bitmap but its advance; so has the full-width space.
    for (uint32_t code : {0x20u, 0x8140u}) {
        SCOPED_TRACE(code);
        const Glyph space = glyph(*font, code);
        EXPECT_EQ(space.size, 0);
        EXPECT_EQ(space.metrics.blackBoxWidth, 0);
        EXPECT_GT(space.metrics.cellIncrementX, 0);
    }
    // Scales that give no usable size.
    GlyphMetrics m;
    for (int32_t scale : {0, -kText, 1, 0x7FFFFFFF}) {
        SCOPED_TRACE(scale);
        EXPECT_EQ(font->glyphBitmap(kA, scale, m, nullptr, 0), -1);
    }
}

TEST(FreeTypeFonts, SameGlyphSameBitsAcrossScalesAndBuffers) {
    auto engine = test::ipaFontEngine();
    auto font = engine->createFont(kFacePMincho, 24, 400);
    ASSERT_NE(font, nullptr);
    const Glyph first = glyph(*font, kKan);
    ASSERT_GT(first.size, 0);
    const Glyph ruby = glyph(*font, kKan, kRuby);
    EXPECT_NEAR(ruby.metrics.blackBoxWidth * 2, first.metrics.blackBoxWidth, 2);
    // More scales than a font keeps sizes for, then the first again.
    for (int32_t scale : {0x10000, 0x20000, 0x30000, 0x50000, 0x60000})
        glyph(*font, kA, scale);
    const Glyph again = glyph(*font, kKan);
    EXPECT_EQ(again.bits, first.bits);
    EXPECT_EQ(again.metrics.originX, first.metrics.originX);
    EXPECT_EQ(again.metrics.originY, first.metrics.originY);
    // A second font of the same face draws the same.
    auto second = engine->createFont(kFacePMincho, 24, 400);
    EXPECT_EQ(glyph(*second, kKan).bits, first.bits);
    // 漢 came from the font's glyph cache; a character not drawn at the text scale yet is
    // drawn in a size slot that served another scale before, and must come out as a
    // font drawing it at its first size does.
    constexpr uint32_t kNi = 0x93FA; // 日
    const Glyph reused = glyph(*font, kNi);
    const Glyph fresh = glyph(*second, kNi);
    ASSERT_GT(fresh.size, 0);
    EXPECT_EQ(reused.bits, fresh.bits);
    EXPECT_EQ(reused.metrics.blackBoxWidth, fresh.metrics.blackBoxWidth);
    EXPECT_EQ(reused.metrics.blackBoxHeight, fresh.metrics.blackBoxHeight);
    EXPECT_EQ(reused.metrics.originX, fresh.metrics.originX);
    EXPECT_EQ(reused.metrics.originY, fresh.metrics.originY);
    EXPECT_EQ(reused.metrics.cellIncrementX, fresh.metrics.cellIncrementX);

    // A buffer one byte short is refused and left alone.
    GlyphMetrics m;
    std::vector<uint8_t> shortBuffer(static_cast<size_t>(first.size - 1), 0x5A);
    EXPECT_EQ(font->glyphBitmap(kKan, kText, m, shortBuffer.data(), shortBuffer.size()), -1);
    EXPECT_EQ(shortBuffer, std::vector<uint8_t>(shortBuffer.size(), 0x5A));
}

TEST(FreeTypeFonts, BoldIsSynthesisedWhereTheFaceHasNone) {
    auto engine = test::ipaFontEngine();
    auto regular = engine->createFont(kFacePMincho, 24, 400);
    auto bold = engine->createFont(kFacePMincho, 24, 700);
    ASSERT_NE(regular, nullptr);
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->weight(), 700);
    EXPECT_EQ(bold->ascent(), regular->ascent());
    for (uint32_t code : {kA, kKan, uint32_t('i')}) {
        SCOPED_TRACE(code);
        const Glyph r = glyph(*regular, code);
        const Glyph b = glyph(*bold, code);
        // About one sub-pixel heavier (the renderer adds the visible pixel).
        EXPECT_GE(b.metrics.blackBoxWidth - r.metrics.blackBoxWidth, 1);
        EXPECT_LE(b.metrics.blackBoxWidth - r.metrics.blackBoxWidth, 2);
        EXPECT_GE(b.metrics.cellIncrementX, r.metrics.cellIncrementX);
        EXPECT_LE(b.metrics.cellIncrementX, r.metrics.cellIncrementX + 1);
        size_t regularBits = 0, boldBits = 0;
        for (uint8_t byte : r.bits)
            regularBits += std::popcount(byte);
        for (uint8_t byte : b.bits)
            boldBits += std::popcount(byte);
        EXPECT_GT(boldBits, regularBits);
    }
    // Below the bold weights nothing changes; weight 0 is regular.
    EXPECT_EQ(glyph(*engine->createFont(kFacePMincho, 24, 500), kKan).bits,
              glyph(*regular, kKan).bits);
    EXPECT_EQ(engine->createFont(kFacePMincho, 24, 0)->weight(), 400);
}

TEST(FreeTypeFonts, SourcesFallBackInOrder) {
    // The built-in table, without fontconfig: every face, and nothing for another name.
    FreeTypeFontEngine table({defaultFaceTable(), false});
    for (const char* face : {kFaceGothic, kFacePGothic, kFacePMincho})
        EXPECT_NE(table.createFont(face, 24, 400), nullptr) << sjisToUtf8(face);
    EXPECT_EQ(table.createFont("Arial", 24, 400), nullptr);
    EXPECT_EQ(table.createFont("", 24, 400), nullptr);
    // The table tells the fixed-pitch Gothic from the proportional one.
    EXPECT_EQ(glyph(*table.createFont(kFaceGothic, 24, 400), 'i').metrics.cellIncrementX, 89);
    EXPECT_EQ(glyph(*table.createFont(kFacePGothic, 24, 400), 'i').metrics.cellIncrementX, 48);

    // An override serves first; a missing or broken one falls back to the table.
    const std::vector<uint8_t> mincho = readFile(test::kIpaPMincho);
    ASSERT_GT(mincho.size(), 1000000u);
    const std::vector<uint8_t> truncated(mincho.begin(), mincho.begin() + 65536);
    struct Case {
        const char* name;
        std::string path;
        std::vector<uint8_t> data;
        int32_t ascent; // 19: served by the Mincho override; 20: by the table's Gothic
    } cases[] = {
        {"file", test::kIpaPMincho, {}, 19},
        {"bytes", {}, mincho, 19},
        {"missing file", "/nonexistent/font.ttf", {}, 20},
        {"a folder", "/usr/share/fonts", {}, 20},
        {"not a font", {}, std::vector<uint8_t>(4096, 0x41), 20},
        {"truncated font", {}, truncated, 20},
        {"removed", "", {}, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreeTypeFontEngine engine({defaultFaceTable(), false});
        engine.setFaceFile(kFacePGothic, test::kIpaPMincho);
        if (c.data.empty())
            engine.setFaceFile(kFacePGothic, c.path);
        else
            engine.setFaceData(kFacePGothic, c.data);
        auto font = engine.createFont(kFacePGothic, 24, 400);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->ascent(), c.ascent);
        EXPECT_GT(glyph(*font, kKan).size, 0);
    }

    // Nothing left to fall back to: no font, whatever the bytes.
    FreeTypeFontEngine bare({{}, false});
    EXPECT_EQ(bare.createFont(kFacePGothic, 24, 400), nullptr);
    for (const std::vector<uint8_t>& data :
         {std::vector<uint8_t>(12, 0), truncated,
          std::vector<uint8_t>(mincho.begin(), mincho.begin() + 12)}) {
        bare.setFaceData(kFacePGothic, data);
        auto font = bare.createFont(kFacePGothic, 24, 400);
        // A font whose tables open may still fail glyph by glyph; it must never crash.
        if (font != nullptr) glyph(*font, kKan);
    }
}

TEST(FreeTypeFonts, AFontFromBytesOutlivesItsEngine) {
    std::unique_ptr<Font> font;
    {
        FreeTypeFontEngine engine({{}, false});
        engine.setFaceData(kFaceGothic, readFile(test::kIpaGothic));
        font = engine.createFont(kFaceGothic, 24, 400);
    }
    ASSERT_NE(font, nullptr);
    auto engine = test::ipaFontEngine();
    EXPECT_EQ(glyph(*font, kKan).bits, glyph(*engine->createFont(kFaceGothic, 24, 400), kKan).bits);
}

TEST(FreeTypeFonts, TheHeadlessPlatformServesTheFaceTable) {
    HeadlessPlatform platform;
    auto font = platform.fonts().createFont(kFaceGothic, 24, 400);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->ascent(), 20);
}

} // namespace
} // namespace velmira::platform
