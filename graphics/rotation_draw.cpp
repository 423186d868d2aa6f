#include "graphics/rotation_draw.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "graphics/pixel.h"

namespace velmira {
namespace {

// One source pixel as the kernels see it: its weight (255 without alpha), its grey level
// and its colour.
struct Sample {
    int32_t a, level, b, g, r;
};

template <PixelFormat S> Sample readSample(const uint8_t* p) {
    if constexpr (S == PixelFormat::Gray8) {
        return {255, p[0], p[0], p[0], p[0]};
    } else if constexpr (S == PixelFormat::GrayAlpha16) {
        return {p[0], p[1], p[1], p[1], p[1]};
    } else if constexpr (S == PixelFormat::Bgr24) {
        return {255, gray(p[2], p[1], p[0]), p[0], p[1], p[2]};
    } else {
        return {p[0], gray(p[3], p[2], p[1]), p[1], p[2], p[3]};
    }
}

template <PixelFormat D, PixelFormat S> void writeSample(uint8_t* d, const Sample& s) {
    if constexpr (!hasAlpha(S)) {
        // An opaque source replaces the pixel.
        if constexpr (D == PixelFormat::Gray8) {
            d[0] = static_cast<uint8_t>(s.level);
        } else if constexpr (D == PixelFormat::GrayAlpha16) {
            d[0] = 255;
            d[1] = static_cast<uint8_t>(s.level);
        } else if constexpr (D == PixelFormat::Bgr24) {
            d[0] = static_cast<uint8_t>(s.b);
            d[1] = static_cast<uint8_t>(s.g);
            d[2] = static_cast<uint8_t>(s.r);
        } else {
            d[0] = 255;
            d[1] = static_cast<uint8_t>(s.b);
            d[2] = static_cast<uint8_t>(s.g);
            d[3] = static_cast<uint8_t>(s.r);
        }
    } else {
        if constexpr (D == PixelFormat::Gray8) {
            d[0] = static_cast<uint8_t>(mix(d[0], s.level, s.a));
        } else if constexpr (D == PixelFormat::GrayAlpha16) {
            d[0] = static_cast<uint8_t>(unionAlpha(d[0], s.a));
            d[1] = static_cast<uint8_t>(mix(d[1], s.level, s.a));
        } else if constexpr (D == PixelFormat::Bgr24) {
            d[0] = static_cast<uint8_t>(mix(d[0], s.b, s.a));
            d[1] = static_cast<uint8_t>(mix(d[1], s.g, s.a));
            d[2] = static_cast<uint8_t>(mix(d[2], s.r, s.a));
        } else {
            d[0] = static_cast<uint8_t>(unionAlpha(d[0], s.a));
            d[1] = static_cast<uint8_t>(mix(d[1], s.b, s.a));
            d[2] = static_cast<uint8_t>(mix(d[2], s.g, s.a));
            d[3] = static_cast<uint8_t>(mix(d[3], s.r, s.a));
        }
    }
}

struct Transform {
    int64_t cx, cy, px, py, sn, cs;
};

template <PixelFormat D, PixelFormat S>
void rotateKernel(Surface& dst, const Surface& src, const Transform& t) {
    constexpr int32_t db = bytesPerPixel(D);
    constexpr int32_t sb = bytesPerPixel(S);
    const int64_t sw = src.width(), sh = src.height();
    for (int32_t y = 0; y < dst.height(); ++y) {
        // The source position of column 0; each column further adds (cs, sn).
        int64_t u = t.cs * -t.cx - t.sn * (y - t.cy);
        int64_t v = t.sn * -t.cx + t.cs * (y - t.cy);
        uint8_t* out = dst.row(y);
        for (int32_t x = 0; x < dst.width(); ++x, u += t.cs, v += t.sn, out += db) {
            const int64_t sx = t.px + (u >> 10);
            const int64_t sy = t.py + (v >> 10);
            if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
            const uint8_t* in = src.row(static_cast<int32_t>(sy)) + sx * sb;
            writeSample<D, S>(out, readSample<S>(in));
        }
    }
}

template <PixelFormat D> void dispatchSource(Surface& dst, const Surface& src, const Transform& t) {
    switch (src.format()) {
    case PixelFormat::Gray8:
        return rotateKernel<D, PixelFormat::Gray8>(dst, src, t);
    case PixelFormat::GrayAlpha16:
        return rotateKernel<D, PixelFormat::GrayAlpha16>(dst, src, t);
    case PixelFormat::Bgr24:
        return rotateKernel<D, PixelFormat::Bgr24>(dst, src, t);
    case PixelFormat::Abgr32:
        return rotateKernel<D, PixelFormat::Abgr32>(dst, src, t);
    case PixelFormat::Empty:
        return;
    }
}

// round(value * 1024 / scale), kept inside a range where the row sums cannot overflow
// (a tiny scale magnifies without bound).
int64_t fixedPoint(double value, double scale) {
    const double v = std::clamp(value * 1024.0 / scale, -1073741824.0, 1073741824.0);
    return std::llround(v);
}

} // namespace

bool drawRotated(Surface& destination, const Surface& source, int32_t centreX, int32_t centreY,
                 int32_t pivotX, int32_t pivotY, double turns, double scale) {
    if (destination.empty() || source.empty()) return false;
    if (!(scale > 0.0)) scale = 1.0;
    if (!std::isfinite(turns)) turns = 0.0;
    const double angle = 2.0 * std::numbers::pi * turns;
    const Transform t{centreX,
                      centreY,
                      pivotX,
                      pivotY,
                      fixedPoint(std::sin(angle), scale),
                      fixedPoint(std::cos(angle), scale)};
    switch (destination.format()) {
    case PixelFormat::Gray8:
        dispatchSource<PixelFormat::Gray8>(destination, source, t);
        break;
    case PixelFormat::GrayAlpha16:
        dispatchSource<PixelFormat::GrayAlpha16>(destination, source, t);
        break;
    case PixelFormat::Bgr24:
        dispatchSource<PixelFormat::Bgr24>(destination, source, t);
        break;
    case PixelFormat::Abgr32:
        dispatchSource<PixelFormat::Abgr32>(destination, source, t);
        break;
    case PixelFormat::Empty:
        return false;
    }
    return true;
}

} // namespace velmira
