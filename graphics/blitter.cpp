#include "graphics/blitter.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <utility>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELMIRA_HAVE_AVX2_KERNELS 1
#else
#define VELMIRA_HAVE_AVX2_KERNELS 0
#endif

namespace velmira {

namespace {

using u8 = uint8_t;
using RowFn = void (*)(u8*, const u8*, int32_t, int32_t);
using FillFn = void (*)(u8*, int32_t, Rgb, u8);

constexpr PixelFormat kBlendFormats[3] = {PixelFormat::Gray8, PixelFormat::Bgr24,
                                          PixelFormat::Abgr32};
constexpr int blendFormatIndex(PixelFormat f) {
    return f == PixelFormat::Gray8    ? 0
           : f == PixelFormat::Bgr24  ? 1
           : f == PixelFormat::Abgr32 ? 2
                                      : -1;
}
constexpr bool modeHasRoutine(int mode) {
    return mode >= 1 && mode <= 15 && mode != 5;
}

// One complete set of pixel loops: a routine per (destination, source) pair for copies, per
// (pair, mode) for blends, each opaque and translucent, and the translucent fills by one
// opacity and by a coverage per pixel.
struct Kernels {
    std::array<RowFn, 16> copyOpaque;
    std::array<RowFn, 16> copyTranslucent;
    std::array<RowFn, 144> blendOpaque;
    std::array<RowFn, 144> blendTranslucent;
    std::array<FillFn, 4> fillTranslucent;
    std::array<CoverageFillRow, 4> fillByCoverage;
};

namespace portable {
#define VELMIRA_KERNEL
#include "graphics/blit_kernels.inc"
#undef VELMIRA_KERNEL
} // namespace portable

#if VELMIRA_HAVE_AVX2_KERNELS
// The same loops compiled for AVX2, picked at run time when the processor has it: 16 lanes
// of 16 bits and byte shuffles make the three-byte layouts cheap to take apart.
namespace avx2 {
#define VELMIRA_KERNEL __attribute__((target("avx2")))
#include "graphics/blit_kernels.inc"
#undef VELMIRA_KERNEL
} // namespace avx2
#endif

bool processorHasAvx2() {
#if VELMIRA_HAVE_AVX2_KERNELS
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

const Kernels* defaultKernels() {
#if VELMIRA_HAVE_AVX2_KERNELS
    if (processorHasAvx2()) return &avx2::kKernels;
#endif
    return &portable::kKernels;
}

std::atomic<const Kernels*> activeKernels{defaultKernels()};

const Kernels& kernels() {
    return *activeKernels.load(std::memory_order_relaxed);
}

// ---- clipping and row running -------------------------------------------------------------

struct Block {
    int32_t x, y, w, h, sx, sy;
};

// Clips a block against both surfaces in the engine's order. False when nothing is left.
// Works in 64 bits so that extreme positions cannot overflow.
bool clipBlock(const Surface& dst, const Surface& src, int32_t x0, int32_t y0, int32_t w0,
               int32_t h0, int32_t sx0, int32_t sy0, Block& out) {
    int64_t x = x0, y = y0, w = w0, h = h0, sx = sx0, sy = sy0;
    if (sx < 0) {
        x -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        y -= sy;
        h += sy;
        sy = 0;
    }
    if (x < 0) {
        w += x;
        sx -= x;
        x = 0;
    }
    if (y < 0) {
        h += y;
        sy -= y;
        y = 0;
    }
    w = std::min({w, int64_t{dst.width()} - x, int64_t{src.width()} - sx});
    h = std::min({h, int64_t{dst.height()} - y, int64_t{src.height()} - sy});
    if (w < 1 || h < 1) return false;
    out = {static_cast<int32_t>(x), static_cast<int32_t>(y),  static_cast<int32_t>(w),
           static_cast<int32_t>(h), static_cast<int32_t>(sx), static_cast<int32_t>(sy)};
    return true;
}

bool overlaps(const Surface& a, const Surface& b) {
    const uint8_t* a0 = a.pixels();
    const uint8_t* b0 = b.pixels();
    return a0 < b0 + b.byteCount() && b0 < a0 + a.byteCount();
}

void runRows(Surface& dst, const Surface& src, const Block& b, RowFn fn, int32_t opacity) {
    const size_t dOffset = static_cast<size_t>(b.x) * dst.bytesPerPixel();
    const size_t sOffset = static_cast<size_t>(b.sx) * src.bytesPerPixel();
    for (int32_t j = 0; j < b.h; ++j)
        fn(dst.row(b.y + j) + dOffset, src.row(b.sy + j) + sOffset, b.w, opacity);
}

// Row copies for the pairs whose opaque copy is a plain memory copy.
void copyBytes(Surface& dst, const Surface& src, const Block& b) {
    const int32_t bpp = dst.bytesPerPixel();
    const size_t rowBytes = static_cast<size_t>(b.w) * bpp;
    if (b.x == 0 && b.sx == 0 && b.w == dst.width() && b.w == src.width() &&
        dst.pitch() == dst.width() && src.pitch() == src.width()) {
        std::memmove(dst.row(b.y), src.row(b.sy), rowBytes * static_cast<size_t>(b.h));
        return;
    }
    for (int32_t j = 0; j < b.h; ++j)
        std::memmove(dst.row(b.y + j) + static_cast<size_t>(b.x) * bpp,
                     src.row(b.sy + j) + static_cast<size_t>(b.sx) * bpp, rowBytes);
}

enum class Family { Copy, Blend };

// Shared body of the copy and blend dispatchers.
bool drawBlock(Family family, Surface& dst, const Surface& src, BlendMode mode, int32_t x,
               int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t opacity) {
    if (opacity < 1) return true;
    if (dst.empty() || src.empty()) return false;
    const bool opaque = opacity >= 255;
    RowFn fn = nullptr;
    const int d = static_cast<int>(dst.format());
    const int s = static_cast<int>(src.format());
    if (d < 1 || d > 4 || s < 1 || s > 4) return false;
    if (family == Family::Copy) {
        const Kernels& k = kernels();
        fn =
            (opaque ? k.copyOpaque : k.copyTranslucent)[static_cast<size_t>((d - 1) * 4 + (s - 1))];
    } else {
        const int di = blendFormatIndex(dst.format());
        const int si = blendFormatIndex(src.format());
        const int m = static_cast<int>(mode);
        if (di < 0 || si < 0 || !modeHasRoutine(m)) return false;
        const Kernels& k = kernels();
        fn = (opaque ? k.blendOpaque
                     : k.blendTranslucent)[static_cast<size_t>((di * 3 + si) * 16 + m)];
    }
    Block b;
    if (!clipBlock(dst, src, x, y, w, h, sx, sy, b)) return true;

    if (overlaps(dst, src)) {
        // Drawing a surface onto itself: take the source block aside first.
        OwnedSurface copyOfBlock;
        if (!copyOfBlock.create(src.format(), b.w, b.h)) return false;
        const size_t rowBytes = static_cast<size_t>(b.w) * src.bytesPerPixel();
        for (int32_t j = 0; j < b.h; ++j)
            std::memcpy(copyOfBlock.row(j),
                        src.row(b.sy + j) + static_cast<size_t>(b.sx) * src.bytesPerPixel(),
                        rowBytes);
        return drawBlock(family, dst, copyOfBlock, mode, b.x, b.y, b.w, b.h, 0, 0, opacity);
    }

    if (family == Family::Copy && opaque && d == s &&
        (dst.format() == PixelFormat::Gray8 || dst.format() == PixelFormat::Bgr24)) {
        copyBytes(dst, src, b);
        return true;
    }
    runRows(dst, src, b, fn, opaque ? 255 : opacity);
    return true;
}

// ---- fills ------------------------------------------------------------------------------

// Writes count copies of a pixel of bpp bytes. The pixel is written out to 48 bytes (whole
// pixels for every format); the bytes written so far are then doubled until they reach a
// piece of just under 32 KiB, and that first piece is copied on to the end. Large copies
// whose source stays in the first-level cache let the C library use its fastest way of
// storing (on x86 a string move, which need not read the lines it overwrites first): this
// beats any loop of vector stores of the pattern and comes close to a memset. The piece is
// not a multiple of 4 KiB, so that most copies' source and destination do not alias in the
// cache.
void fillPattern(u8* p, size_t count, const u8* pixel, int bpp) {
    constexpr size_t kSeed = 48;
    constexpr size_t kPiece = kSeed * 680;
    const size_t bytes = count * static_cast<size_t>(bpp);
    const size_t seed = std::min(bytes, kSeed);
    for (size_t i = 0; i < seed; ++i)
        p[i] = pixel[i % static_cast<size_t>(bpp)];
    // done stays a multiple of 48, so every copy lands on a pixel boundary.
    for (size_t done = seed; done < bytes;) {
        const size_t n = std::min({done, kPiece, bytes - done});
        std::memcpy(p + done, p, n);
        done += n;
    }
}

bool fillBlock(Surface& dst, Rgb colour, int32_t x0, int32_t y0, int32_t w0, int32_t h0,
               int32_t opacity) {
    if (dst.empty()) return false;
    if (static_cast<int>(dst.format()) > 4) return false;
    int64_t x = x0, y = y0, w = w0, h = h0;
    if (x < 0) {
        w += x;
        x = 0;
    }
    if (y < 0) {
        h += y;
        y = 0;
    }
    w = std::min(w, int64_t{dst.width()} - x);
    h = std::min(h, int64_t{dst.height()} - y);
    if (w < 1 || h < 1) return true;
    const int bpp = dst.bytesPerPixel();
    const size_t offset = static_cast<size_t>(x) * bpp;
    if (opacity >= 255) {
        if (x == 0 && w == dst.width() && dst.pitch() == dst.width()) {
            fillPixels(dst.row(static_cast<int32_t>(y)), dst.format(),
                       static_cast<size_t>(w) * static_cast<size_t>(h), colour);
        } else {
            for (int64_t j = 0; j < h; ++j)
                fillPixels(dst.row(static_cast<int32_t>(y + j)) + offset, dst.format(),
                           static_cast<size_t>(w), colour);
        }
        return true;
    }
    const FillFn fn = kernels().fillTranslucent[static_cast<size_t>(bpp - 1)];
    for (int64_t j = 0; j < h; ++j)
        fn(dst.row(static_cast<int32_t>(y + j)) + offset, static_cast<int32_t>(w), colour,
           static_cast<u8>(opacity));
    return true;
}

bool holdsScreen(const Surface& s, ScreenSize screen) {
    return s.pixels() && s.format() == PixelFormat::Bgr24 && screen.width >= 0 &&
           screen.height >= 0 &&
           int64_t{screen.width} * screen.height <= int64_t{s.width()} * s.height();
}

} // namespace

bool selectBlitKernels(BlitKernels set) {
    if (set == BlitKernels::Portable) {
        activeKernels.store(&portable::kKernels, std::memory_order_relaxed);
        return true;
    }
#if VELMIRA_HAVE_AVX2_KERNELS
    if (processorHasAvx2()) {
        activeKernels.store(&avx2::kKernels, std::memory_order_relaxed);
        return true;
    }
#endif
    return false;
}

BlitKernels activeBlitKernels() {
    return &kernels() == &portable::kKernels ? BlitKernels::Portable : BlitKernels::Avx2;
}

bool copyRect(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t w, int32_t h,
              int32_t sx, int32_t sy) {
    return drawBlock(Family::Copy, dst, src, BlendMode::Normal, x, y, w, h, sx, sy, 255);
}

bool copy(Surface& dst, const Surface& src, int32_t x, int32_t y) {
    return copyRect(dst, src, x, y, src.width(), src.height(), 0, 0);
}

bool copyAnchored(Surface& dst, const Surface& src, int32_t x0, int32_t y0, int32_t anchor) {
    // In 64 bits: an anchor point near the negative limit would wrap round in 32.
    const int64_t w = src.width();
    const int64_t h = src.height();
    int64_t x = x0, y = y0;
    switch (anchor) {
    case 1:
        x -= w;
        break;
    case 2:
        x -= w / 2;
        break;
    case 3:
        y -= h;
        break;
    case 4:
        x -= w;
        y -= h;
        break;
    case 5:
        x -= w / 2;
        y -= h;
        break;
    case 6:
        y -= h / 2;
        break;
    case 7:
        x -= w;
        y -= h / 2;
        break;
    case 8:
        x -= w / 2;
        y -= h / 2;
        break;
    default:
        break;
    }
    // A position below the limit leaves the whole picture off the surface, as the limit does.
    auto clamp = [](int64_t v) { return static_cast<int32_t>(std::max<int64_t>(v, INT32_MIN)); };
    return copy(dst, src, clamp(x), clamp(y));
}

bool copyWithOpacity(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t opacity) {
    return copyRectWithOpacity(dst, src, x, y, src.width(), src.height(), 0, 0, opacity);
}

bool copyRectWithOpacity(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t w,
                         int32_t h, int32_t sx, int32_t sy, int32_t opacity) {
    return drawBlock(Family::Copy, dst, src, BlendMode::Normal, x, y, w, h, sx, sy, opacity);
}

bool blend(Surface& dst, const Surface& src, BlendMode mode, int32_t x, int32_t y,
           int32_t opacity) {
    return blendRect(dst, src, mode, x, y, src.width(), src.height(), 0, 0, opacity);
}

bool blendRect(Surface& dst, const Surface& src, BlendMode mode, int32_t x, int32_t y, int32_t w,
               int32_t h, int32_t sx, int32_t sy, int32_t opacity) {
    return drawBlock(Family::Blend, dst, src, mode, x, y, w, h, sx, sy, opacity);
}

bool fillRect(Surface& dst, Rgb colour, int32_t x, int32_t y, int32_t w, int32_t h) {
    return fillBlock(dst, colour, x, y, w, h, 255);
}

bool fillRectWithOpacity(Surface& dst, Rgb colour, int32_t x, int32_t y, int32_t w, int32_t h,
                         int32_t opacity) {
    if (opacity < 1) return true;
    return fillBlock(dst, colour, x, y, w, h, std::min(opacity, 255));
}

void fillPixels(uint8_t* pixels, PixelFormat format, size_t count, Rgb colour) {
    const u8 level = static_cast<u8>(gray(colour.r, colour.g, colour.b));
    switch (format) {
    case PixelFormat::Gray8:
        std::memset(pixels, level, count);
        break;
    case PixelFormat::GrayAlpha16: {
        const u8 pixel[2] = {255, level};
        fillPattern(pixels, count, pixel, 2);
        break;
    }
    case PixelFormat::Bgr24: {
        if (colour.r == colour.g && colour.g == colour.b) {
            std::memset(pixels, colour.r, count * 3);
        } else {
            const u8 pixel[3] = {colour.b, colour.g, colour.r};
            fillPattern(pixels, count, pixel, 3);
        }
        break;
    }
    case PixelFormat::Abgr32: {
        const u8 pixel[4] = {255, colour.b, colour.g, colour.r};
        fillPattern(pixels, count, pixel, 4);
        break;
    }
    default:
        break;
    }
}

void copyPixels(uint8_t* dst, PixelFormat dstFormat, const uint8_t* src, PixelFormat srcFormat,
                int32_t count) {
    const int d = static_cast<int>(dstFormat);
    const int s = static_cast<int>(srcFormat);
    if (count < 1 || d < 1 || d > 4 || s < 1 || s > 4) return;
    kernels().copyOpaque[static_cast<size_t>((d - 1) * 4 + (s - 1))](dst, src, count, 255);
}

CoverageFillRow coverageFillRow(PixelFormat format) {
    const int f = static_cast<int>(format);
    if (f < 1 || f > 4) return nullptr;
    return kernels().fillByCoverage[static_cast<size_t>(f - 1)];
}

bool copyFrame(Surface& dst, const Surface& src, ScreenSize screen) {
    // Copying the screen size between smaller buffers would run past their ends.
    if (!holdsScreen(dst, screen) || !holdsScreen(src, screen)) return false;
    std::memmove(dst.pixels(), src.pixels(),
                 static_cast<size_t>(screen.width) * static_cast<size_t>(screen.height) * 3);
    return true;
}

bool scale(Surface& dst, const Surface& src) {
    if (dst.format() != PixelFormat::Bgr24 || src.format() != PixelFormat::Bgr24) return false;
    if (!dst.pixels() || !src.pixels() || dst.width() < 1 || dst.height() < 1 || src.width() < 1 ||
        src.height() < 1)
        return false;
    const int64_t ws = src.width(), hs = src.height(), wd = dst.width(), hd = dst.height();
    // Per-axis factors in 1/256: destination pixels per source pixel (f) and source pixels
    // per destination pixel (g).
    const int64_t fx = wd * 256 / ws, fy = hd * 256 / hs;
    const int64_t gx = ws * 256 / wd, gy = hs * 256 / hd;
    // Weight of source index i inside the span [i0, i1] of destination index k.
    auto weight = [](int64_t i, int64_t i0, int64_t i1, int64_t k, int64_t f) {
        if (i == i1) return (k + 1) * 256 - i * f;
        if (i == i0) return (i + 1) * f - ((i * f) & ~int64_t{255});
        return f;
    };
    for (int64_t Y = 0; Y < hd; ++Y) {
        const int64_t y0 = std::max<int64_t>((Y * gy) >> 8, 0);
        const int64_t y1 = std::min((((Y + 1) * gy + 128) >> 8) - 1, hs - 1);
        u8* out = dst.row(static_cast<int32_t>(Y));
        for (int64_t X = 0; X < wd; ++X, out += 3) {
            const int64_t x0 = std::max<int64_t>((X * gx) >> 8, 0);
            const int64_t x1 = std::min((((X + 1) * gx + 128) >> 8) - 1, ws - 1);
            int64_t sb = 0, sg = 0, sr = 0, sw = 0;
            for (int64_t y = y0; y <= y1; ++y) {
                const int64_t wy = weight(y, y0, y1, Y, fy);
                const u8* in = src.row(static_cast<int32_t>(y)) + x0 * 3;
                for (int64_t x = x0; x <= x1; ++x, in += 3) {
                    const int64_t w = weight(x, x0, x1, X, fx) * wy;
                    sb += w * in[0];
                    sg += w * in[1];
                    sr += w * in[2];
                    sw += w;
                }
            }
            if (sw > 0) {
                out[0] = static_cast<u8>(std::clamp<int64_t>(sb / sw, 0, 255));
                out[1] = static_cast<u8>(std::clamp<int64_t>(sg / sw, 0, 255));
                out[2] = static_cast<u8>(std::clamp<int64_t>(sr / sw, 0, 255));
            } else {
                // Enlarging: this pixel covers no source pixel; take the one under its centre.
                const int64_t cx = std::min((2 * X + 1) * ws / (2 * wd), ws - 1);
                const int64_t cy = std::min((2 * Y + 1) * hs / (2 * hd), hs - 1);
                const u8* in = src.row(static_cast<int32_t>(cy)) + cx * 3;
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    }
    return true;
}

} // namespace velmira
