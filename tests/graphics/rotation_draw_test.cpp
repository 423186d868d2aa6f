// The rotation draw: where source pixels land for a turn and a scale, and how each pair of
// pixel formats combines a source pixel with the destination.
#include "graphics/rotation_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace velmira {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes pixelBytes(const Surface& s, int32_t x, int32_t y) {
    const uint8_t* p = s.row(y) + x * s.bytesPerPixel();
    return Bytes(p, p + s.bytesPerPixel());
}

// A Gray8 grid as rows of levels.
std::vector<Bytes> grid(const Surface& s) {
    std::vector<Bytes> rows;
    for (int32_t y = 0; y < s.height(); ++y)
        rows.emplace_back(s.row(y), s.row(y) + s.width());
    return rows;
}

TEST(RotationDraw, PlacesThePivotOnTheCentreTurnedAndScaled) {
    // Source levels 1 2 3 / 4 5 6; pivot (0, 0) goes to the centre (3, 3) of a 6 x 6 grid.
    OwnedSurface source;
    ASSERT_TRUE(source.create(PixelFormat::Gray8, 3, 2));
    for (uint8_t i = 0; i < 6; ++i)
        source.pixels()[i] = static_cast<uint8_t>(i + 1);

    struct Case {
        double turns, scale;
        std::vector<Bytes> expected;
    };
    const Case cases[] = {
        // No turn: the source lies right of and below the centre.
        {0.0,
         1.0,
         {{0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 1, 2, 3},
          {0, 0, 0, 4, 5, 6},
          {0, 0, 0, 0, 0, 0}}},
        // A quarter turn: source (i, j) lands at (3 + j, 3 - i), counter-clockwise on
        // screen.
        {0.25,
         1.0,
         {{0, 0, 0, 0, 0, 0},
          {0, 0, 0, 3, 6, 0},
          {0, 0, 0, 2, 5, 0},
          {0, 0, 0, 1, 4, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0}}},
        // A half turn: up and to the left.
        {0.5,
         1.0,
         {{0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 6, 5, 4, 0, 0},
          {0, 3, 2, 1, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0}}},
        // Scale 2 doubles every source pixel.
        {0.0,
         2.0,
         {{0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 1, 1, 2},
          {0, 0, 0, 1, 1, 2},
          {0, 0, 0, 4, 4, 5}}},
        // A scale that is not above 0 is 1; a turn that is not finite is none.
        {0.0,
         0.0,
         {{0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 1, 2, 3},
          {0, 0, 0, 4, 5, 6},
          {0, 0, 0, 0, 0, 0}}},
        {std::numeric_limits<double>::infinity(),
         -3.0,
         {{0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0},
          {0, 0, 0, 1, 2, 3},
          {0, 0, 0, 4, 5, 6},
          {0, 0, 0, 0, 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "turns " << c.turns << " scale " << c.scale);
        OwnedSurface dst;
        ASSERT_TRUE(dst.create(PixelFormat::Gray8, 6, 6));
        ASSERT_TRUE(drawRotated(dst, source, 3, 3, 0, 0, c.turns, c.scale));
        EXPECT_EQ(grid(dst), c.expected);
    }

    // A hand turned about its middle: pivot (1, 0) of the source on (2, 2).
    OwnedSurface dst;
    ASSERT_TRUE(dst.create(PixelFormat::Gray8, 6, 6));
    ASSERT_TRUE(drawRotated(dst, source, 2, 2, 1, 0, 0.5));
    EXPECT_EQ(grid(dst)[1], (Bytes{0, 6, 5, 4, 0, 0}));
    EXPECT_EQ(grid(dst)[2], (Bytes{0, 3, 2, 1, 0, 0}));

    OwnedSurface empty;
    EXPECT_FALSE(drawRotated(dst, empty, 0, 0, 0, 0, 0.0));
    EXPECT_FALSE(drawRotated(empty, source, 0, 0, 0, 0, 0.0));
}

// One source pixel drawn over one destination pixel, for every pair of formats.
// Source: grey 120 or colour R 200, G 100, B 50 (grey 123), alpha 128 where it has one.
// Destination before: grey 40 or R 10, G 20, B 30, alpha 64 where it has one.
TEST(RotationDraw, CombinesEachPairOfPixelFormats) {
    using F = PixelFormat;
    struct Case {
        F dst, src;
        Bytes expected; // the destination pixel's bytes in memory order
    };
    const Case cases[] = {
        // Sources without alpha are copied; grey from colour by gray(), alpha becomes 255.
        {F::Gray8, F::Gray8, {120}},
        {F::Gray8, F::Bgr24, {123}},
        {F::Bgr24, F::Gray8, {120, 120, 120}},
        {F::Bgr24, F::Bgr24, {50, 100, 200}},
        {F::Abgr32, F::Gray8, {255, 120, 120, 120}},
        {F::Abgr32, F::Bgr24, {255, 50, 100, 200}},
        {F::GrayAlpha16, F::Gray8, {255, 120}},
        {F::GrayAlpha16, F::Bgr24, {255, 123}},
        // Sources with alpha blend by it as glyphs do: mix toward the source, the
        // destination's alpha the union of both.
        {F::Gray8, F::Abgr32, {82}},
        {F::Bgr24, F::Abgr32, {40, 60, 105}},
        {F::Abgr32, F::Abgr32, {160, 40, 60, 105}},
        {F::GrayAlpha16, F::Abgr32, {160, 82}},
        {F::Gray8, F::GrayAlpha16, {80}},
        {F::Bgr24, F::GrayAlpha16, {75, 70, 65}},
        {F::Abgr32, F::GrayAlpha16, {160, 75, 70, 65}},
        {F::GrayAlpha16, F::GrayAlpha16, {160, 80}},
    };
    const auto sourcePixel = [](F f) -> Bytes {
        switch (f) {
        case F::Gray8:
            return {120};
        case F::GrayAlpha16:
            return {128, 120};
        case F::Bgr24:
            return {50, 100, 200};
        default:
            return {128, 50, 100, 200};
        }
    };
    const auto destinationPixel = [](F f) -> Bytes {
        switch (f) {
        case F::Gray8:
            return {40};
        case F::GrayAlpha16:
            return {64, 40};
        case F::Bgr24:
            return {30, 20, 10};
        default:
            return {64, 30, 20, 10};
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "destination " << int(c.dst) << " source " << int(c.src));
        OwnedSurface src, dst;
        ASSERT_TRUE(src.create(c.src, 1, 1));
        ASSERT_TRUE(dst.create(c.dst, 2, 1));
        const Bytes s = sourcePixel(c.src), d = destinationPixel(c.dst);
        std::copy(s.begin(), s.end(), src.pixels());
        for (int32_t x = 0; x < 2; ++x)
            std::copy(d.begin(), d.end(), dst.pixels() + x * d.size());
        ASSERT_TRUE(drawRotated(dst, src, 0, 0, 0, 0, 0.0));
        EXPECT_EQ(pixelBytes(dst, 0, 0), c.expected);
        EXPECT_EQ(pixelBytes(dst, 1, 0), d); // outside the source: untouched
    }
}

} // namespace
} // namespace velmira
