#include <gtest/gtest.h>

#include <algorithm>

#include "graphics/frame_buffers.h"

namespace velmira {
namespace {

TEST(FrameBuffers, AreBlackScreenSizedBgrBuffers) {
    FrameBuffers frames;
    ASSERT_TRUE(frames.create({48, 20}));
    for (const OwnedSurface* s : {&frames.front, &frames.scene, &frames.previous}) {
        EXPECT_EQ(s->format(), PixelFormat::Bgr24);
        EXPECT_EQ(s->width(), 48);
        EXPECT_EQ(s->height(), 20);
        EXPECT_TRUE(std::all_of(s->pixels(), s->pixels() + s->byteCount(),
                                [](uint8_t b) { return b == 0; }));
    }
    FrameBuffers impossible;
    EXPECT_FALSE(impossible.create({0, 20}));
}

TEST(FrameBuffers, SixteenBitDisplayPixelsKeepTheHighBitsOfEachChannel) {
    // Bgr24 bytes: blue, green, red.
    const uint8_t row[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 7, 3, 7, 8, 4, 8};
    uint16_t out[6] = {};
    packRow565(row, out, 6);
    EXPECT_EQ(out[0], 0xF800); // pure red
    EXPECT_EQ(out[1], 0x07E0);
    EXPECT_EQ(out[2], 0x001F);
    EXPECT_EQ(out[3], 0xFFFF);
    EXPECT_EQ(out[4], 0x0000); // below one step of each channel
    EXPECT_EQ(out[5], 0x0821);
}

} // namespace
} // namespace velmira
