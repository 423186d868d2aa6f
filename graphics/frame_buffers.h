// The three screen-sized frame buffers. Every frame is drawn in memory: the layers are
// composed into `scene`, the transitions write `front`, and only `front` is ever shown.
#pragma once

#include <cstdint>

#include "graphics/surface.h"

namespace velmira {

struct FrameBuffers {
    OwnedSurface front;    // the picture the player sees; the only buffer presented
    OwnedSurface scene;    // the layers are composed into it
    OwnedSurface previous; // the last composed scene, kept for cross-fades and wipes
    ScreenSize size;
    // Counts the writes to `front`: whoever draws into it calls frontChanged(), so that an
    // unchanged frame is neither copied again nor presented again.
    uint64_t frontVersion = 0;
    void frontChanged() { ++frontVersion; }

    // Creates the three Bgr24 buffers at the screen size (all black); false when any of
    // them cannot be made.
    bool create(ScreenSize screen);
};

// A 16-bit display pixel, red 5, green 6, blue 5 bits: pure red is 0xF800.
constexpr uint16_t pack565(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}
// Converts one row of width Bgr24 pixels to 16-bit display pixels.
void packRow565(const uint8_t* bgr, uint16_t* out, int32_t width);

} // namespace velmira
