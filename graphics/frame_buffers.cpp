#include "graphics/frame_buffers.h"

namespace velmira {

bool FrameBuffers::create(ScreenSize screen) {
    size = screen;
    frontChanged(); // the new front buffer is black
    const bool made = front.createScreen(PixelFormat::Bgr24, screen) &&
                      scene.createScreen(PixelFormat::Bgr24, screen) &&
                      previous.createScreen(PixelFormat::Bgr24, screen);
    return made;
}

void packRow565(const uint8_t* bgr, uint16_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x, bgr += 3)
        out[x] = pack565(bgr[2], bgr[1], bgr[0]);
}

} // namespace velmira
