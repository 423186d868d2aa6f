// Copies, blends and fills with random formats, sizes, rectangles, modes and opacities,
// including a surface drawn onto itself: nothing may touch memory outside the surfaces.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/blitter.h"

namespace {

class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    int32_t coordinate() {
        // Mostly small values around the surfaces, sometimes extremes.
        const uint8_t kind = byte();
        const int32_t v = static_cast<int8_t>(byte());
        if (kind == 255) return INT32_MAX - (v < 0 ? -v : v);
        if (kind == 254) return INT32_MIN + 200 + v;
        return v;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

void makeSurface(Input& in, velmira::OwnedSurface& s) {
    const auto format = static_cast<velmira::PixelFormat>(in.byte() % 6); // 5 is invalid
    const int32_t w = in.byte() % 80;
    const int32_t h = in.byte() % 40;
    if (s.create(format, w, h)) {
        for (size_t i = 0; i < s.byteCount(); ++i)
            s.pixels()[i] = static_cast<uint8_t>(i * 37 + w);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmira;
    Input in(data, size);
    OwnedSurface a, b;
    makeSurface(in, a);
    makeSurface(in, b);
    if (in.byte() & 1)
        selectBlitKernels(BlitKernels::Portable);
    else
        selectBlitKernels(BlitKernels::Avx2);
    for (int step = 0; step < 8; ++step) {
        const uint8_t op = in.byte();
        Surface& dst = (op & 0x80) ? a : b;
        const Surface& src = (op & 0x40) ? a : b; // may be dst itself
        const int32_t x = in.coordinate(), y = in.coordinate();
        const int32_t w = in.coordinate(), h = in.coordinate();
        const int32_t sx = in.coordinate(), sy = in.coordinate();
        const int32_t opacity = static_cast<int32_t>(in.byte()) * 2 - 100;
        const Rgb colour{in.byte(), in.byte(), in.byte()};
        switch (op & 7) {
        case 0:
            copyRect(dst, src, x, y, w, h, sx, sy);
            break;
        case 1:
            copyRectWithOpacity(dst, src, x, y, w, h, sx, sy, opacity);
            break;
        case 2:
            blendRect(dst, src, static_cast<BlendMode>(in.byte() % 17), x, y, w, h, sx, sy,
                      opacity);
            break;
        case 3:
            copyAnchored(dst, src, x, y, in.byte() % 11);
            break;
        case 4:
            fillRect(dst, colour, x, y, w, h);
            break;
        case 5:
            fillRectWithOpacity(dst, colour, x, y, w, h, opacity);
            break;
        case 6:
            scale(dst, src);
            break;
        default:
            copyFrame(dst, src, {w & 127, h & 63});
            break;
        }
    }
    return 0;
}
