// The blitter against a plain scalar model written from the formulas, over every format
// pair, mode and a spread of opacities, plus the clipping, fill, frame and scale rules.
#include "graphics/blitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace velmira {
namespace {

// ---- the model ----------------------------------------------------------------------------

int refMul(int a, int b) {
    int t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}
int refMix(int d, int m, int w) {
    int t = (m - d) * w + 128;
    return d + ((t + (t >> 8)) >> 8);
}
int refUnion(int a, int w) {
    return a + w - refMul(a, w);
}
int refGray(int r, int g, int b) {
    return (76 * r + 150 * g + 29 * b) >> 8;
}

struct RefPixel {
    int a;
    int level;
    int c[3]; // B, G, R
};

RefPixel readPixel(PixelFormat f, const uint8_t* p) {
    switch (f) {
    case PixelFormat::Gray8:
        return {255, p[0], {p[0], p[0], p[0]}};
    case PixelFormat::GrayAlpha16:
        return {p[0], p[1], {p[1], p[1], p[1]}};
    case PixelFormat::Bgr24:
        return {255, refGray(p[2], p[1], p[0]), {p[0], p[1], p[2]}};
    default:
        return {p[0], refGray(p[3], p[2], p[1]), {p[1], p[2], p[3]}};
    }
}

int refWeight(PixelFormat src, int alpha, int opacity) {
    const bool a = src == PixelFormat::GrayAlpha16 || src == PixelFormat::Abgr32;
    if (opacity >= 255) return a ? alpha : 255;
    return a ? refMul(opacity, alpha) : opacity;
}

int refBlendChannel(BlendMode mode, int d, int s, int w) {
    const int t = refMul(s, w);
    switch (mode) {
    case BlendMode::Add:
        return std::min(d + t, 255);
    case BlendMode::Sub:
        return std::max(d - t, 0);
    case BlendMode::Dodge:
        return std::min(256 * d / (256 - t), 255);
    case BlendMode::Difference:
        return std::abs(d - t);
    default:
        break;
    }
    int m = 0;
    switch (mode) {
    case BlendMode::Normal:
        m = s;
        break;
    case BlendMode::Multi:
        m = refMul(d, s);
        break;
    case BlendMode::Screen:
        m = 255 - refMul(255 - d, 255 - s);
        break;
    case BlendMode::Overlay:
        m = refMul(d, d + refMul(2 * s, 255 - d));
        break;
    case BlendMode::Burn:
        m = std::clamp(255 - 256 * (255 - d) / (s + 1), 0, 255);
        break;
    case BlendMode::Darken:
        m = std::min(d, s);
        break;
    case BlendMode::Lighten:
        m = std::max(d, s);
        break;
    case BlendMode::Exclusion:
        m = std::abs((((127 - d) * (127 - s)) >> 7) - 127);
        break;
    case BlendMode::Hardlight:
        m = s < 128 ? (d * s) >> 7 : (32512 - (255 - d) * (255 - s)) >> 7;
        break;
    case BlendMode::Softlight:
        m = refMul(d, 255 - refMul(255 - d, 255 - s)) + refMul(255 - d, refMul(d, s));
        break;
    default:
        ADD_FAILURE() << "no model for mode " << int(mode);
    }
    return refMix(d, m, w);
}

// Applies a copy (blend = false) or blend of one source pixel to one destination pixel.
void refApply(PixelFormat df, uint8_t* d, PixelFormat sf, const uint8_t* s, bool isBlend,
              BlendMode mode, int opacity) {
    const RefPixel sp = readPixel(sf, s);
    const int w = refWeight(sf, sp.a, opacity);
    auto channel = [&](int dv, int sv) {
        return isBlend ? refBlendChannel(mode, dv, sv, w) : refMix(dv, sv, w);
    };
    switch (df) {
    case PixelFormat::Gray8:
        d[0] = uint8_t(channel(d[0], sp.level));
        break;
    case PixelFormat::GrayAlpha16:
        d[1] = uint8_t(channel(d[1], sp.level));
        d[0] = uint8_t(refUnion(d[0], w));
        break;
    case PixelFormat::Bgr24:
        for (int c = 0; c < 3; ++c)
            d[c] = uint8_t(channel(d[c], sp.c[c]));
        break;
    default:
        for (int c = 0; c < 3; ++c)
            d[1 + c] = uint8_t(channel(d[1 + c], sp.c[c]));
        if (!isBlend) d[0] = uint8_t(refUnion(d[0], w));
        break;
    }
}

// ---- fixtures -----------------------------------------------------------------------------

constexpr PixelFormat kFormats[] = {PixelFormat::Gray8, PixelFormat::GrayAlpha16,
                                    PixelFormat::Bgr24, PixelFormat::Abgr32};
constexpr PixelFormat kBlendFormats[] = {PixelFormat::Gray8, PixelFormat::Bgr24,
                                         PixelFormat::Abgr32};
constexpr int kOpacities[] = {0, 1, 128, 254, 255};
constexpr BlendMode kModes[] = {BlendMode::Normal,    BlendMode::Add,        BlendMode::Sub,
                                BlendMode::Multi,     BlendMode::Screen,     BlendMode::Overlay,
                                BlendMode::Dodge,     BlendMode::Burn,       BlendMode::Darken,
                                BlendMode::Lighten,   BlendMode::Difference, BlendMode::Exclusion,
                                BlendMode::Hardlight, BlendMode::Softlight};

// Deterministic bytes; every 7th byte is forced to 0 or 255 so that fully transparent and
// fully opaque pixels and the channel extremes all occur.
void fillNoise(OwnedSurface& s, uint32_t seed) {
    uint8_t* p = s.pixels();
    for (size_t i = 0; i < s.byteCount(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        p[i] = uint8_t(seed >> 24);
        if (i % 7 == 3) p[i] = (seed >> 8) & 1 ? 255 : 0;
    }
}

// Noise, then row 1 fully clear and row 2 fully opaque in byte 0 (the alpha of the alpha
// layouts), so that whole blocks of clear and of solid pixels occur too.
OwnedSurface noise(PixelFormat f, int32_t w, int32_t h, uint32_t seed) {
    OwnedSurface s;
    EXPECT_TRUE(s.create(f, w, h));
    fillNoise(s, seed);
    for (int32_t y = 1; y <= 2 && y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            s.row(y)[x * int(f)] = y == 1 ? 0 : 255;
    return s;
}

// Runs body once with every set of pixel loops this processor can run.
template <class Body> void forEachKernelSet(Body body) {
    const BlitKernels original = activeBlitKernels();
    for (BlitKernels set : {BlitKernels::Portable, BlitKernels::Avx2}) {
        if (!selectBlitKernels(set)) continue;
        SCOPED_TRACE(set == BlitKernels::Portable ? "portable loops" : "AVX2 loops");
        body();
    }
    selectBlitKernels(original);
}

std::vector<uint8_t> bytesOf(const Surface& s) {
    return {s.pixels(), s.pixels() + s.byteCount()};
}

// Runs one operation against the model on a 141 x 7 pair of noisy surfaces (two whole
// alpha blocks and a remainder per row).
void checkAgainstModel(PixelFormat df, PixelFormat sf, bool isBlend, BlendMode mode, int opacity) {
    constexpr int32_t kW = 141, kH = 7;
    OwnedSurface dst = noise(df, kW, kH, 11u + int(df) * 7u);
    const OwnedSurface src = noise(sf, kW, kH, 5u + int(sf) * 13u);
    std::vector<uint8_t> expected = bytesOf(dst);
    if (opacity >= 1) {
        for (int32_t i = 0; i < kW * kH; ++i)
            refApply(df, expected.data() + i * int(df), sf, src.pixels() + i * int(sf), isBlend,
                     mode, opacity);
    }
    const bool ok =
        isBlend ? blend(dst, src, mode, 0, 0, opacity) : copyWithOpacity(dst, src, 0, 0, opacity);
    ASSERT_TRUE(ok);
    const std::vector<uint8_t> actual = bytesOf(dst);
    for (size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            ADD_FAILURE() << "byte " << i << " (pixel " << i / int(df) << "): got "
                          << int(actual[i]) << ", model says " << int(expected[i]);
            return;
        }
    }
}

std::string caseName(PixelFormat d, PixelFormat s, int mode, int opacity) {
    return "dst " + std::to_string(int(d)) + " src " + std::to_string(int(s)) + " mode " +
           std::to_string(mode) + " opacity " + std::to_string(opacity);
}

// ---- copy and blend against the model ------------------------------------------------------

TEST(BlitterModel, CopyEveryFormatPairAndOpacity) {
    forEachKernelSet([] {
        for (PixelFormat d : kFormats)
            for (PixelFormat s : kFormats)
                for (int o : kOpacities) {
                    SCOPED_TRACE(caseName(d, s, 0, o));
                    checkAgainstModel(d, s, false, BlendMode::Normal, o);
                }
    });
}

TEST(BlitterModel, BlendEveryModeFormatPairAndOpacity) {
    forEachKernelSet([] {
        for (PixelFormat d : kBlendFormats)
            for (PixelFormat s : kBlendFormats)
                for (BlendMode m : kModes)
                    for (int o : kOpacities) {
                        SCOPED_TRACE(caseName(d, s, int(m), o));
                        checkAgainstModel(d, s, true, m, o);
                    }
    });
}

// The kernels restate mix() for wide registers; check that restatement on every input:
// destination level d in the columns, source level m in the rows, weight w = opacity.
TEST(BlitterModel, TranslucentCopyIsMixForEveryInput) {
    OwnedSurface src, dst;
    ASSERT_TRUE(src.create(PixelFormat::Gray8, 256, 256));
    ASSERT_TRUE(dst.create(PixelFormat::Gray8, 256, 256));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            src.row(y)[x] = uint8_t(y);
    forEachKernelSet([&] {
        for (int w = 1; w <= 255; ++w) {
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                    dst.row(y)[x] = uint8_t(x);
            ASSERT_TRUE(copyWithOpacity(dst, src, 0, 0, w));
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                    ASSERT_EQ(dst.row(y)[x], refMix(x, y, w))
                        << "d " << x << " m " << y << " w " << w;
        }
    });
}

// ---- worked examples and refusals --------------------------------------------------------

struct Solid {
    PixelFormat format;
    std::vector<uint8_t> pixel;
};

OwnedSurface solid(const Solid& s, int32_t w = 3, int32_t h = 2) {
    OwnedSurface out;
    EXPECT_TRUE(out.create(s.format, w, h));
    for (int32_t i = 0; i < w * h; ++i)
        std::memcpy(out.pixels() + i * int(s.format), s.pixel.data(), s.pixel.size());
    return out;
}

TEST(Blitter, WorkedExamples) {
    struct Case {
        const char* what;
        Solid dst, src;
        BlendMode mode;
        int opacity;
        std::vector<uint8_t> expected; // first destination pixel
    } cases[] = {
        {"add white at 128 onto black",
         {PixelFormat::Bgr24, {0, 0, 0}},
         {PixelFormat::Bgr24, {255, 255, 255}},
         BlendMode::Add,
         128,
         {128, 128, 128}},
        {"multi black at 128 onto white",
         {PixelFormat::Bgr24, {255, 255, 255}},
         {PixelFormat::Bgr24, {0, 0, 0}},
         BlendMode::Multi,
         128,
         {127, 127, 127}},
        {"hardlight 255 on 255",
         {PixelFormat::Gray8, {255}},
         {PixelFormat::Gray8, {255}},
         BlendMode::Hardlight,
         255,
         {254}},
        {"normal opaque is an exact copy",
         {PixelFormat::Bgr24, {9, 8, 7}},
         {PixelFormat::Bgr24, {1, 2, 3}},
         BlendMode::Normal,
         300,
         {1, 2, 3}},
        {"blend keeps destination alpha",
         {PixelFormat::Abgr32, {77, 0, 0, 0}},
         {PixelFormat::Bgr24, {10, 20, 30}},
         BlendMode::Normal,
         255,
         {77, 10, 20, 30}},
        {"transparent source leaves Bgr24 alone",
         {PixelFormat::Bgr24, {5, 6, 7}},
         {PixelFormat::Abgr32, {0, 200, 200, 200}},
         BlendMode::None,
         255,
         {5, 6, 7}},
        {"transparent source keeps alpha 0",
         {PixelFormat::Abgr32, {0, 5, 6, 7}},
         {PixelFormat::Abgr32, {0, 200, 200, 200}},
         BlendMode::None,
         255,
         {0, 5, 6, 7}},
        {"grey source onto colour",
         {PixelFormat::Bgr24, {0, 0, 0}},
         {PixelFormat::GrayAlpha16, {255, 90}},
         BlendMode::None,
         255,
         {90, 90, 90}},
        {"white to grey is 254",
         {PixelFormat::Gray8, {0}},
         {PixelFormat::Bgr24, {255, 255, 255}},
         BlendMode::None,
         255,
         {254}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OwnedSurface dst = solid(c.dst);
        const OwnedSurface src = solid(c.src);
        const bool ok = c.mode == BlendMode::None ? copyWithOpacity(dst, src, 0, 0, c.opacity)
                                                  : blend(dst, src, c.mode, 0, 0, c.opacity);
        EXPECT_TRUE(ok);
        EXPECT_EQ(std::vector<uint8_t>(dst.pixels(), dst.pixels() + c.expected.size()), c.expected);
    }
}

TEST(Blitter, RefusalsChangeNothing) {
    OwnedSurface bgr = solid({PixelFormat::Bgr24, {1, 2, 3}});
    OwnedSurface ga = solid({PixelFormat::GrayAlpha16, {255, 9}});
    OwnedSurface other = solid({PixelFormat::Bgr24, {200, 200, 200}});
    OwnedSurface empty;
    OwnedSurface zeroWidth;
    EXPECT_FALSE(zeroWidth.create(PixelFormat::Bgr24, 0, 4));
    const std::vector<uint8_t> before = bytesOf(bgr);

    EXPECT_FALSE(blend(bgr, other, BlendMode::Div, 0, 0, 255));
    EXPECT_FALSE(blend(bgr, other, BlendMode::None, 0, 0, 255));
    EXPECT_FALSE(blend(bgr, other, static_cast<BlendMode>(16), 0, 0, 128));
    EXPECT_FALSE(blend(bgr, ga, BlendMode::Normal, 0, 0, 255));
    EXPECT_FALSE(blend(ga, other, BlendMode::Add, 0, 0, 128));
    EXPECT_FALSE(copy(bgr, empty, 0, 0));
    EXPECT_FALSE(copy(bgr, zeroWidth, 0, 0));
    EXPECT_FALSE(copy(zeroWidth, bgr, 0, 0));
    EXPECT_FALSE(fillRect(empty, {1, 2, 3}, 0, 0, 5, 5));
    EXPECT_EQ(bytesOf(bgr), before);

    // Opacity below 1 asks for nothing and succeeds, even with an empty surface.
    EXPECT_TRUE(copyWithOpacity(bgr, empty, 0, 0, 0));
    EXPECT_TRUE(copyWithOpacity(empty, bgr, 0, 0, -5));
    EXPECT_TRUE(blend(bgr, other, BlendMode::Add, 0, 0, 0));
    EXPECT_TRUE(fillRectWithOpacity(bgr, {9, 9, 9}, 0, 0, 3, 2, 0));
    EXPECT_EQ(bytesOf(bgr), before);
}

// ---- placement -------------------------------------------------------------------------

// Gray8 source whose pixel values are 1 + column + 10 * row, for reading back positions.
OwnedSurface numbered(int32_t w, int32_t h) {
    OwnedSurface s;
    EXPECT_TRUE(s.create(PixelFormat::Gray8, w, h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            s.row(y)[x] = uint8_t(1 + x + 10 * y);
    return s;
}

std::string rows(const Surface& s) {
    std::string out;
    for (int32_t y = 0; y < s.height(); ++y) {
        for (int32_t x = 0; x < s.width(); ++x) {
            if (x) out += ' ';
            out += std::to_string(s.row(y)[x]);
        }
        out += '|';
    }
    return out;
}

TEST(Blitter, ClippingOrder) {
    struct Case {
        int32_t x, y, w, h, sx, sy;
        const char* expected; // 6 x 2 destination, source 4 x 2 numbered
    } cases[] = {
        {0, 0, 4, 2, 0, 0, "1 2 3 4 0 0|11 12 13 14 0 0|"},
        {-1, 0, 4, 2, 0, 0, "2 3 4 0 0 0|12 13 14 0 0 0|"}, // x < 0 skips columns
        {0, 0, 4, 2, -2, 0, "0 0 1 2 0 0|0 0 11 12 0 0|"},  // sx < 0: right, narrower
        {-3, 0, 4, 2, -2, 0, "2 0 0 0 0 0|12 0 0 0 0 0|"},  // both, sx first
        {0, -1, 4, 2, 0, 0, "11 12 13 14 0 0|0 0 0 0 0 0|"},
        {0, 0, 4, 2, 0, -1, "0 0 0 0 0 0|1 2 3 4 0 0|"},
        {4, 0, 4, 2, 1, 1, "0 0 0 0 12 13|0 0 0 0 0 0|"}, // cut to both surfaces
        {6, 0, 4, 2, 0, 0, "0 0 0 0 0 0|0 0 0 0 0 0|"},   // nothing left
        {0, 0, 4, 2, 4, 0, "0 0 0 0 0 0|0 0 0 0 0 0|"},
        {INT32_MAX, 0, 4, 2, -5, 0, "0 0 0 0 0 0|0 0 0 0 0 0|"}, // no overflow
    };
    const OwnedSurface src = numbered(4, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.sx));
        OwnedSurface dst;
        ASSERT_TRUE(dst.create(PixelFormat::Gray8, 6, 2));
        EXPECT_TRUE(copyRect(dst, src, c.x, c.y, c.w, c.h, c.sx, c.sy));
        EXPECT_EQ(rows(dst), c.expected);
        // The translucent and blend dispatchers clip the same way.
        OwnedSurface viaBlend;
        ASSERT_TRUE(viaBlend.create(PixelFormat::Gray8, 6, 2));
        EXPECT_TRUE(
            blendRect(viaBlend, src, BlendMode::Lighten, c.x, c.y, c.w, c.h, c.sx, c.sy, 200));
        OwnedSurface viaCopy;
        ASSERT_TRUE(viaCopy.create(PixelFormat::Gray8, 6, 2));
        EXPECT_TRUE(copyRectWithOpacity(viaCopy, src, c.x, c.y, c.w, c.h, c.sx, c.sy, 200));
        EXPECT_EQ(rows(viaBlend), rows(viaCopy));
    }
}

TEST(Blitter, Anchors) {
    // 4 x 2 source placed at (10, 6) of a 20 x 10 surface: where does its top-left land?
    const int expected[10][2] = {{10, 6}, {6, 6},  {8, 6}, {10, 4}, {6, 4},
                                 {8, 4},  {10, 5}, {6, 5}, {8, 5},  {10, 6}};
    const OwnedSurface src = numbered(4, 2);
    for (int anchor = 0; anchor < 10; ++anchor) {
        OwnedSurface dst;
        ASSERT_TRUE(dst.create(PixelFormat::Gray8, 20, 10));
        EXPECT_TRUE(copyAnchored(dst, src, 10, 6, anchor));
        EXPECT_EQ(dst.row(expected[anchor][1])[expected[anchor][0]], 1) << "anchor " << anchor;
    }
    // Odd sizes: halves round toward zero.
    const OwnedSurface odd = numbered(3, 3);
    OwnedSurface dst;
    ASSERT_TRUE(dst.create(PixelFormat::Gray8, 20, 10));
    EXPECT_TRUE(copyAnchored(dst, odd, 10, 6, 8));
    EXPECT_EQ(dst.row(5)[9], 1);
    // An anchor point at the far negative edge puts the picture wholly off the surface
    // rather than wrapping the position round (the sanitizer build checks the arithmetic).
    OwnedSurface blank;
    ASSERT_TRUE(blank.create(PixelFormat::Gray8, 20, 10));
    for (int anchor : {1, 4, 8}) {
        EXPECT_TRUE(copyAnchored(blank, src, INT32_MIN, INT32_MIN + 1, anchor));
        EXPECT_EQ(bytesOf(blank), std::vector<uint8_t>(200, 0)) << "anchor " << anchor;
    }
}

TEST(Blitter, CopyOntoItselfReadsBeforeWriting) {
    OwnedSurface s = numbered(5, 2);
    EXPECT_TRUE(copyRect(s, s, 1, 0, 4, 2, 0, 0));
    EXPECT_EQ(rows(s), "1 1 2 3 4|11 11 12 13 14|");
    OwnedSurface t = numbered(5, 2);
    EXPECT_TRUE(blendRect(t, t, BlendMode::Add, 0, 1, 5, 1, 0, 0, 255));
    EXPECT_EQ(rows(t), "1 2 3 4 5|12 14 16 18 20|");
}

// ---- fills, frames, scaling ----------------------------------------------------------------

TEST(Blitter, Fills) {
    const Rgb colour{200, 100, 50};
    const int level = refGray(200, 100, 50);
    struct Case {
        PixelFormat format;
        std::vector<uint8_t> before, opaque;
    } cases[] = {
        {PixelFormat::Gray8, {10}, {uint8_t(level)}},
        {PixelFormat::GrayAlpha16, {30, 10}, {255, uint8_t(level)}},
        {PixelFormat::Bgr24, {10, 20, 30}, {50, 100, 200}},
        {PixelFormat::Abgr32, {30, 10, 20, 30}, {255, 50, 100, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format));
        const int bpp = int(c.format);
        // 5 x 3 surface; fill x -2..2, y 1..5 (clipped to x 0..2, y 1..2).
        OwnedSurface opaque = solid({c.format, c.before}, 5, 3);
        OwnedSurface translucent = solid({c.format, c.before}, 5, 3);
        EXPECT_TRUE(fillRect(opaque, colour, -2, 1, 5, 5));
        EXPECT_TRUE(fillRectWithOpacity(translucent, colour, -2, 1, 5, 5, 77));
        std::vector<uint8_t> mixed = c.before;
        const bool alpha = c.format == PixelFormat::GrayAlpha16 || c.format == PixelFormat::Abgr32;
        if (alpha) mixed[0] = uint8_t(refUnion(c.before[0], 77));
        if (bpp <= 2) {
            mixed[bpp - 1] = uint8_t(refMix(c.before[bpp - 1], level, 77));
        } else {
            const int rgb[3] = {50, 100, 200};
            for (int k = 0; k < 3; ++k)
                mixed[bpp - 3 + k] = uint8_t(refMix(c.before[bpp - 3 + k], rgb[k], 77));
        }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const bool inside = y >= 1 && x <= 2;
                auto at = [&](const Surface& s) {
                    return std::vector<uint8_t>(s.row(y) + x * bpp, s.row(y) + (x + 1) * bpp);
                };
                EXPECT_EQ(at(opaque), inside ? c.opaque : c.before) << x << "," << y;
                EXPECT_EQ(at(translucent), inside ? mixed : c.before) << x << "," << y;
            }
    }
}

// Long fills are written in pieces; lengths around the piece edges and odd tails must give
// the pattern everywhere and stop exactly at the end.
TEST(Blitter, FillPixelsAnyLength) {
    const Rgb colour{200, 100, 50};
    const uint8_t level = uint8_t(refGray(200, 100, 50));
    struct Case {
        PixelFormat format;
        std::vector<uint8_t> pixel;
    } cases[] = {
        {PixelFormat::Gray8, {level}},
        {PixelFormat::GrayAlpha16, {255, level}},
        {PixelFormat::Bgr24, {50, 100, 200}},
        {PixelFormat::Abgr32, {255, 50, 100, 200}},
    };
    for (const Case& c : cases) {
        const size_t bpp = c.pixel.size();
        for (size_t count : {1, 5, 16, 17, 100, 4095, 8160, 8161, 10880, 10881, 40001}) {
            SCOPED_TRACE(std::to_string(bpp) + " bytes per pixel, " + std::to_string(count));
            std::vector<uint8_t> buffer((count + 1) * bpp, 0xab);
            fillPixels(buffer.data(), c.format, count, colour);
            for (size_t i = 0; i < count; ++i)
                ASSERT_TRUE(std::equal(c.pixel.begin(), c.pixel.end(), buffer.data() + i * bpp))
                    << "pixel " << i;
            for (size_t i = count * bpp; i < buffer.size(); ++i)
                ASSERT_EQ(buffer[i], 0xab) << "byte past the end";
        }
    }
}

// Glyphs are blended by their coverage: each pixel moves toward the colour by its own
// weight exactly as a one-pixel fillRectWithOpacity with that weight moves it, for every
// weight, on every format and set of pixel loops (long rows and a tail).
TEST(Blitter, CoverageFillIsAFillByEachPixelsWeight) {
    constexpr int32_t kW = 256 * 3 + 5;
    std::vector<uint8_t> coverage(kW);
    for (int32_t i = 0; i < kW; ++i)
        coverage[size_t(i)] = uint8_t(i * 7);
    const Rgb colour{230, 40, 120};
    forEachKernelSet([&] {
        for (PixelFormat f : kFormats) {
            SCOPED_TRACE(int(f));
            OwnedSurface actual = noise(f, kW, 1, 3u + int(f));
            OwnedSurface expected;
            expected.assign(actual);
            for (int32_t x = 0; x < kW; ++x) {
                Surface pixel(f, expected.row(0) + x * int(f), 1, 1);
                fillRectWithOpacity(pixel, colour, 0, 0, 1, 1, coverage[size_t(x)]);
            }
            coverageFillRow(f)(actual.row(0), coverage.data(), kW, colour);
            EXPECT_EQ(bytesOf(actual), bytesOf(expected));
        }
    });
}

TEST(Blitter, CopyFrameNeedsScreenSizedBgr24) {
    const ScreenSize screen{8, 4};
    OwnedSurface a = noise(PixelFormat::Bgr24, 8, 4, 1);
    OwnedSurface b = noise(PixelFormat::Bgr24, 8, 4, 2);
    EXPECT_TRUE(copyFrame(a, b, screen));
    EXPECT_EQ(bytesOf(a), bytesOf(b));

    OwnedSurface small = noise(PixelFormat::Bgr24, 8, 3, 3);
    OwnedSurface grey = noise(PixelFormat::Gray8, 24, 4, 4);
    OwnedSurface empty;
    EXPECT_FALSE(copyFrame(small, b, screen));
    EXPECT_FALSE(copyFrame(a, small, screen));
    EXPECT_FALSE(copyFrame(a, grey, screen));
    EXPECT_FALSE(copyFrame(a, empty, screen));
}

TEST(Blitter, ScaleAveragesAreas) {
    // 640 x 480 onto 104 x 78: destination column 0 covers source columns 0..5 with
    // weights 41, 41, 41, 41, 41, 51 (in 1/256). Column x holds 10 x: (41 x 100 + 51 x 50)
    // / 256 = 25, while column 6 (60) must not take part.
    OwnedSurface src, dst;
    ASSERT_TRUE(src.create(PixelFormat::Bgr24, 640, 480));
    ASSERT_TRUE(dst.create(PixelFormat::Bgr24, 104, 78));
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            for (int c = 0; c < 3; ++c)
                src.row(y)[x * 3 + c] = uint8_t(std::min(10 * x, 255));
    EXPECT_TRUE(scale(dst, src));
    for (int y = 0; y < 78; ++y)
        ASSERT_EQ(dst.row(y)[0], 25) << y;

    // A flat colour stays flat at any size, enlarging included.
    const OwnedSurface flat = solid({PixelFormat::Bgr24, {7, 77, 177}}, 5, 3);
    for (auto [w, h] : {std::pair{2, 1}, std::pair{5, 3}, std::pair{17, 11}}) {
        OwnedSurface out;
        ASSERT_TRUE(out.create(PixelFormat::Bgr24, w, h));
        EXPECT_TRUE(scale(out, flat));
        for (int i = 0; i < w * h; ++i)
            ASSERT_EQ(std::vector<uint8_t>(out.pixels() + 3 * i, out.pixels() + 3 * i + 3),
                      (std::vector<uint8_t>{7, 77, 177}))
                << w << "x" << h << " pixel " << i;
    }
    OwnedSurface grey = noise(PixelFormat::Gray8, 4, 4, 1);
    EXPECT_FALSE(scale(dst, grey));
}

} // namespace
} // namespace velmira
