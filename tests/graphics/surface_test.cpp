#include "graphics/surface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <utility>

#include "graphics/blitter.h"

namespace velmira {
namespace {

TEST(Surface, CreateChecksSizesBeforeAllocating) {
    struct Case {
        PixelFormat format;
        int32_t width, height;
        bool ok;
    } cases[] = {
        {PixelFormat::Bgr24, 4, 3, true},
        {PixelFormat::Gray8, 1, 1, true},
        {PixelFormat::Abgr32, 0, 3, false},
        {PixelFormat::Abgr32, 3, 0, false},
        {PixelFormat::Empty, 3, 3, false},
        {PixelFormat::Bgr24, -4, 3, false},
        {static_cast<PixelFormat>(5), 3, 3, false},
        // 4 billion pixels: the byte count does not fit 32 bits.
        {PixelFormat::Abgr32, 65536, 65536, false},
        {PixelFormat::Gray8, std::numeric_limits<int32_t>::max(), 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        OwnedSurface s;
        EXPECT_EQ(s.create(c.format, c.width, c.height), c.ok);
        EXPECT_EQ(s.empty(), !c.ok);
        EXPECT_EQ(s.format(), c.format); // kept even when nothing was allocated
        EXPECT_EQ(s.pitch(), c.width);
        EXPECT_EQ(s.bufferSize(), c.ok ? uint32_t(c.width * c.height * int(c.format)) : 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(s.pixels()) % 8, 0u);
    }
}

TEST(Surface, ResetAssignAndMove) {
    Image image;
    ASSERT_TRUE(image.create(PixelFormat::Abgr32, 2, 2));
    image.pixels()[5] = 42;

    OwnedSurface copyOf;
    copyOf.assign(image);
    EXPECT_EQ(copyOf.format(), PixelFormat::Abgr32);
    EXPECT_EQ(copyOf.width(), 2);
    EXPECT_EQ(copyOf.pixels()[5], 42);
    EXPECT_NE(copyOf.pixels(), image.pixels());

    // Same byte count, other shape: the buffer is reused and the shape copied.
    OwnedSurface grey;
    ASSERT_TRUE(grey.create(PixelFormat::Gray8, 16, 1));
    grey.assign(image);
    EXPECT_EQ(grey.format(), PixelFormat::Abgr32);
    EXPECT_EQ(grey.width(), 2);
    EXPECT_EQ(grey.height(), 2);
    EXPECT_EQ(grey.pixels()[5], 42);

    copyOf.assign(copyOf); // self-assignment keeps everything
    EXPECT_EQ(copyOf.pixels()[5], 42);

    OwnedSurface empty;
    copyOf.assign(empty);
    EXPECT_TRUE(copyOf.empty());
    EXPECT_EQ(copyOf.format(), PixelFormat::Empty);
    EXPECT_EQ(copyOf.bufferSize(), 0u);

    OwnedSurface moved = std::move(grey);
    EXPECT_TRUE(grey.empty());
    EXPECT_EQ(moved.pixels()[5], 42);

    image.reset();
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width(), 0);
    EXPECT_EQ(image.name(), "");
}

TEST(Surface, IsSolidAt) {
    OwnedSurface colour, alpha, empty;
    ASSERT_TRUE(colour.create(PixelFormat::Bgr24, 3, 2));
    ASSERT_TRUE(alpha.create(PixelFormat::GrayAlpha16, 3, 2));
    alpha.row(1)[2 * 2] = 1; // alpha byte of (2, 1)
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_TRUE(colour.isSolidAt(x, y));
            EXPECT_EQ(alpha.isSolidAt(x, y), x == 2 && y == 1);
        }
    for (auto [x, y] : {std::pair{-1, 0}, std::pair{3, 0}, std::pair{0, -1}, std::pair{0, 2}})
        EXPECT_FALSE(colour.isSolidAt(x, y)) << x << "," << y;
    EXPECT_FALSE(empty.isSolidAt(0, 0));
}

TEST(Surface, FillScreenWritesOnlyTheScreen) {
    const ScreenSize screen{4, 2};
    OwnedSurface frame;
    ASSERT_TRUE(frame.create(PixelFormat::Bgr24, 4, 3)); // one row more than the screen
    EXPECT_TRUE(fillScreen(frame, {10, 20, 30}, screen));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(frame.pixels()[3 * i], 30);
        EXPECT_EQ(frame.pixels()[3 * i + 1], 20);
        EXPECT_EQ(frame.pixels()[3 * i + 2], 10);
    }
    EXPECT_EQ(frame.row(2)[0], 0);

    OwnedSurface small, grey, empty;
    ASSERT_TRUE(small.create(PixelFormat::Bgr24, 4, 1));
    ASSERT_TRUE(grey.create(PixelFormat::Gray8, 12, 2));
    EXPECT_FALSE(fillScreen(small, {1, 1, 1}, screen));
    EXPECT_FALSE(fillScreen(grey, {1, 1, 1}, screen));
    EXPECT_FALSE(fillScreen(empty, {1, 1, 1}, screen));
}

TEST(Surface, ViewOverCallerPixels) {
    uint8_t pixels[2 * 2 * 3] = {};
    Surface view(PixelFormat::Bgr24, pixels, 2, 2);
    EXPECT_TRUE(fillRect(view, {1, 2, 3}, 1, 1, 1, 1));
    EXPECT_EQ(pixels[9], 3);
    EXPECT_EQ(pixels[11], 1);
    EXPECT_EQ(pixels[0], 0);
}

} // namespace
} // namespace velmira
