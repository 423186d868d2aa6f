#include "graphics/blitter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace velmira {

namespace {

using u8 = uint8_t;
using u16 = uint16_t;

// The arithmetic of pixel.h restated so that every intermediate fits 16 bits, which lets
// the compiler work on eight or sixteen channels per instruction. Each is exactly equal to
// its pixel.h original for all byte inputs (the tests check every combination).

inline u8 mul8(u8 a, u8 b) {
    const u16 t = static_cast<u16>(a * b + 128);
    return static_cast<u8>(static_cast<u16>(t + (t >> 8)) >> 8);
}

// mix(d, m, w) computed on the magnitude |m - d|: upward moves round like the original,
// downward moves use the mirrored bias 127, which reproduces its flooring shift.
inline u8 mix8(u8 d, u8 m, u8 w) {
    const u8 hi = d > m ? d : m;
    const u8 lo = d > m ? m : d;
    const u16 x = static_cast<u16>(static_cast<u16>(hi - lo) * w + (m < d ? 127 : 128));
    const u8 q = static_cast<u8>(static_cast<u16>(x + (x >> 8)) >> 8);
    return m < d ? static_cast<u8>(d - q) : static_cast<u8>(d + q);
}

inline u8 union8(u8 a, u8 w) { return static_cast<u8>(a + w - mul8(a, w)); }

inline u8 gray8(u8 r, u8 g, u8 b) {
    return static_cast<u8>(static_cast<u16>(76 * r + 150 * g + 29 * b) >> 8);
}

// Reading one source pixel: its alpha, its grey level and its three colour channels.
template <PixelFormat S> struct Source;
template <> struct Source<PixelFormat::Gray8> {
    static u8 alpha(const u8*) { return 255; }
    static u8 level(const u8* s) { return s[0]; }
    static u8 b(const u8* s) { return s[0]; }
    static u8 g(const u8* s) { return s[0]; }
    static u8 r(const u8* s) { return s[0]; }
};
template <> struct Source<PixelFormat::GrayAlpha16> {
    static u8 alpha(const u8* s) { return s[0]; }
    static u8 level(const u8* s) { return s[1]; }
    static u8 b(const u8* s) { return s[1]; }
    static u8 g(const u8* s) { return s[1]; }
    static u8 r(const u8* s) { return s[1]; }
};
template <> struct Source<PixelFormat::Bgr24> {
    static u8 alpha(const u8*) { return 255; }
    static u8 level(const u8* s) { return gray8(s[2], s[1], s[0]); }
    static u8 b(const u8* s) { return s[0]; }
    static u8 g(const u8* s) { return s[1]; }
    static u8 r(const u8* s) { return s[2]; }
};
template <> struct Source<PixelFormat::Abgr32> {
    static u8 alpha(const u8* s) { return s[0]; }
    static u8 level(const u8* s) { return gray8(s[3], s[2], s[1]); }
    static u8 b(const u8* s) { return s[1]; }
    static u8 g(const u8* s) { return s[2]; }
    static u8 r(const u8* s) { return s[3]; }
};

constexpr bool isGrey(PixelFormat f) {
    return f == PixelFormat::Gray8 || f == PixelFormat::GrayAlpha16;
}

// Weight of one source pixel. kFull: known to be 255 at compile time (opaque routine of a
// source without alpha), so the kernels can skip the mixing.
template <PixelFormat S, bool kOpacity> inline u8 weightOf(const u8* s, u8 opacity) {
    if constexpr (hasAlpha(S))
        return kOpacity ? mul8(opacity, Source<S>::alpha(s)) : Source<S>::alpha(s);
    else
        return kOpacity ? opacity : 255;
}

// One row of a copy: n pixels. Callers clip; d and s never overlap.
template <PixelFormat D, PixelFormat S, bool kOpacity>
void copyRow(u8* __restrict d, const u8* __restrict s, int32_t n, int32_t opacity) {
    constexpr int DB = bytesPerPixel(D);
    constexpr int SB = bytesPerPixel(S);
    constexpr bool kFull = !kOpacity && !hasAlpha(S);
    const u8 o = static_cast<u8>(opacity);
    for (int32_t i = 0; i < n; ++i) {
        const u8* sp = s + i * SB;
        u8* dp = d + i * DB;
        const u8 w = weightOf<S, kOpacity>(sp, o);
        if constexpr (isGrey(D)) {
            const u8 v = Source<S>::level(sp);
            dp[DB - 1] = kFull ? v : mix8(dp[DB - 1], v, w);
        } else {
            constexpr int c = D == PixelFormat::Abgr32 ? 1 : 0;
            dp[c + 0] = kFull ? Source<S>::b(sp) : mix8(dp[c + 0], Source<S>::b(sp), w);
            dp[c + 1] = kFull ? Source<S>::g(sp) : mix8(dp[c + 1], Source<S>::g(sp), w);
            dp[c + 2] = kFull ? Source<S>::r(sp) : mix8(dp[c + 2], Source<S>::r(sp), w);
        }
        if constexpr (hasAlpha(D)) dp[0] = kFull ? u8{255} : union8(dp[0], w);
    }
}

// New value of one colour channel for a blend mode; d destination, s source, w weight.
template <BlendMode M, bool kFull> inline u8 blendChannel(u8 d, u8 s, u8 w) {
    if constexpr (M == BlendMode::Add || M == BlendMode::Sub || M == BlendMode::Dodge ||
                  M == BlendMode::Difference) {
        // These scale the source by its weight first.
        const u8 t = kFull ? s : mul8(s, w);
        if constexpr (M == BlendMode::Add) {
            const u16 v = static_cast<u16>(d + t);
            return v > 255 ? u8{255} : static_cast<u8>(v);
        } else if constexpr (M == BlendMode::Sub) {
            return d > t ? static_cast<u8>(d - t) : u8{0};
        } else if constexpr (M == BlendMode::Dodge) {
            const uint32_t v = (256u * d) / (256u - t);
            return v > 255 ? u8{255} : static_cast<u8>(v);
        } else {
            return d > t ? static_cast<u8>(d - t) : static_cast<u8>(t - d);
        }
    } else {
        // These compute a result m and move d toward it by the weight.
        u8 m;
        if constexpr (M == BlendMode::Normal) {
            m = s;
        } else if constexpr (M == BlendMode::Multi) {
            m = mul8(d, s);
        } else if constexpr (M == BlendMode::Screen) {
            m = static_cast<u8>(255 - mul8(static_cast<u8>(255 - d), static_cast<u8>(255 - s)));
        } else if constexpr (M == BlendMode::Overlay) {
            // mul255(2s, 255 - d) needs 17 bits; the outer product fits 16 again.
            m = static_cast<u8>(mul255(d, d + mul255(2 * s, 255 - d)));
        } else if constexpr (M == BlendMode::Burn) {
            const int32_t v = 255 - static_cast<int32_t>((256u * (255u - d)) / (s + 1u));
            m = v < 0 ? u8{0} : static_cast<u8>(v);
        } else if constexpr (M == BlendMode::Darken) {
            m = d < s ? d : s;
        } else if constexpr (M == BlendMode::Lighten) {
            m = d > s ? d : s;
        } else if constexpr (M == BlendMode::Exclusion) {
            const int16_t p = static_cast<int16_t>((127 - d) * (127 - s));
            const int16_t e = static_cast<int16_t>((p >> 7) - 127);
            m = static_cast<u8>(e < 0 ? -e : e);
        } else if constexpr (M == BlendMode::Hardlight) {
            m = s < 128 ? static_cast<u8>(static_cast<u16>(d * s) >> 7)
                        : static_cast<u8>(static_cast<u16>(32512 - (255 - d) * (255 - s)) >> 7);
        } else {
            static_assert(M == BlendMode::Softlight);
            const u8 inv = static_cast<u8>(255 - d);
            m = static_cast<u8>(
                mul8(d, static_cast<u8>(255 - mul8(inv, static_cast<u8>(255 - s)))) +
                mul8(inv, mul8(d, s)));
        }
        return kFull ? m : mix8(d, m, w);
    }
}

// One row of a blend: n pixels; the destination alpha is left alone.
template <PixelFormat D, PixelFormat S, BlendMode M, bool kOpacity>
void blendRow(u8* __restrict d, const u8* __restrict s, int32_t n, int32_t opacity) {
    constexpr int DB = bytesPerPixel(D);
    constexpr int SB = bytesPerPixel(S);
    constexpr bool kFull = !kOpacity && !hasAlpha(S);
    const u8 o = static_cast<u8>(opacity);
    if constexpr (D == S && !hasAlpha(S)) {
        // Same layout without alpha: every byte is a channel with the same weight.
        const int32_t bytes = n * DB;
        for (int32_t i = 0; i < bytes; ++i) d[i] = blendChannel<M, kFull>(d[i], s[i], o);
        return;
    }
    for (int32_t i = 0; i < n; ++i) {
        const u8* sp = s + i * SB;
        u8* dp = d + i * DB;
        const u8 w = weightOf<S, kOpacity>(sp, o);
        if constexpr (isGrey(D)) {
            dp[0] = blendChannel<M, kFull>(dp[0], Source<S>::level(sp), w);
        } else {
            constexpr int c = D == PixelFormat::Abgr32 ? 1 : 0;
            dp[c + 0] = blendChannel<M, kFull>(dp[c + 0], Source<S>::b(sp), w);
            dp[c + 1] = blendChannel<M, kFull>(dp[c + 1], Source<S>::g(sp), w);
            dp[c + 2] = blendChannel<M, kFull>(dp[c + 2], Source<S>::r(sp), w);
        }
    }
}

// ---- dispatch tables --------------------------------------------------------------------

using RowFn = void (*)(u8*, const u8*, int32_t, int32_t);

// Copies: index (destination format - 1) * 4 + (source format - 1).
template <bool kOpacity, size_t... I>
constexpr std::array<RowFn, 16> makeCopyTable(std::index_sequence<I...>) {
    return {&copyRow<static_cast<PixelFormat>(I / 4 + 1), static_cast<PixelFormat>(I % 4 + 1),
                     kOpacity>...};
}
constexpr auto kCopyOpaque = makeCopyTable<false>(std::make_index_sequence<16>{});
constexpr auto kCopyTranslucent = makeCopyTable<true>(std::make_index_sequence<16>{});

// Blends: the three formats with a routine, nine pairs, sixteen mode slots.
constexpr PixelFormat kBlendFormats[3] = {PixelFormat::Gray8, PixelFormat::Bgr24,
                                          PixelFormat::Abgr32};
constexpr int blendFormatIndex(PixelFormat f) {
    return f == PixelFormat::Gray8 ? 0 : f == PixelFormat::Bgr24 ? 1 : f == PixelFormat::Abgr32 ? 2 : -1;
}
constexpr bool modeHasRoutine(int mode) { return mode >= 1 && mode <= 15 && mode != 5; }

template <bool kOpacity, size_t I> constexpr RowFn blendEntry() {
    constexpr int mode = static_cast<int>(I % 16);
    if constexpr (!modeHasRoutine(mode)) {
        return nullptr;
    } else {
        return &blendRow<kBlendFormats[I / 48], kBlendFormats[(I / 16) % 3],
                         static_cast<BlendMode>(mode), kOpacity>;
    }
}
template <bool kOpacity, size_t... I>
constexpr std::array<RowFn, 144> makeBlendTable(std::index_sequence<I...>) {
    return {blendEntry<kOpacity, I>()...};
}
constexpr auto kBlendOpaque = makeBlendTable<false>(std::make_index_sequence<144>{});
constexpr auto kBlendTranslucent = makeBlendTable<true>(std::make_index_sequence<144>{});

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
    out = {static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
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
        fn = (opaque ? kCopyOpaque : kCopyTranslucent)[(d - 1) * 4 + (s - 1)];
    } else {
        const int di = blendFormatIndex(dst.format());
        const int si = blendFormatIndex(src.format());
        const int m = static_cast<int>(mode);
        if (di < 0 || si < 0 || !modeHasRoutine(m)) return false;
        fn = (opaque ? kBlendOpaque : kBlendTranslucent)[(di * 3 + si) * 16 + m];
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

// Writes count copies of a pixel of bpp bytes, a 48-byte block (a whole number of pixels
// for every format) at a time.
void fillPattern(u8* p, size_t count, const u8* pixel, int bpp) {
    const size_t bytes = count * static_cast<size_t>(bpp);
    u8 block[48];
    for (int i = 0; i < 48; ++i) block[i] = pixel[i % bpp];
    size_t i = 0;
    for (; i + 48 <= bytes; i += 48) std::memcpy(p + i, block, 48);
    std::memcpy(p + i, block, bytes - i);
}

template <PixelFormat D> void fillRowTranslucent(u8* __restrict d, int32_t n, Rgb c, u8 o) {
    constexpr int DB = bytesPerPixel(D);
    const u8 level = gray8(c.r, c.g, c.b);
    for (int32_t i = 0; i < n; ++i) {
        u8* dp = d + i * DB;
        if constexpr (isGrey(D)) {
            dp[DB - 1] = mix8(dp[DB - 1], level, o);
        } else {
            constexpr int k = D == PixelFormat::Abgr32 ? 1 : 0;
            dp[k + 0] = mix8(dp[k + 0], c.b, o);
            dp[k + 1] = mix8(dp[k + 1], c.g, o);
            dp[k + 2] = mix8(dp[k + 2], c.r, o);
        }
        if constexpr (hasAlpha(D)) dp[0] = union8(dp[0], o);
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
    void (*fn)(u8*, int32_t, Rgb, u8) = nullptr;
    switch (dst.format()) {
    case PixelFormat::Gray8: fn = &fillRowTranslucent<PixelFormat::Gray8>; break;
    case PixelFormat::GrayAlpha16: fn = &fillRowTranslucent<PixelFormat::GrayAlpha16>; break;
    case PixelFormat::Bgr24: fn = &fillRowTranslucent<PixelFormat::Bgr24>; break;
    default: fn = &fillRowTranslucent<PixelFormat::Abgr32>; break;
    }
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

bool copyRect(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t w, int32_t h,
              int32_t sx, int32_t sy) {
    return drawBlock(Family::Copy, dst, src, BlendMode::Normal, x, y, w, h, sx, sy, 255);
}

bool copy(Surface& dst, const Surface& src, int32_t x, int32_t y) {
    return copyRect(dst, src, x, y, src.width(), src.height(), 0, 0);
}

bool copyAnchored(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t anchor) {
    const int32_t w = src.width();
    const int32_t h = src.height();
    switch (anchor) {
    case 1: x -= w; break;
    case 2: x -= w / 2; break;
    case 3: y -= h; break;
    case 4: x -= w; y -= h; break;
    case 5: x -= w / 2; y -= h; break;
    case 6: y -= h / 2; break;
    case 7: x -= w; y -= h / 2; break;
    case 8: x -= w / 2; y -= h / 2; break;
    default: break;
    }
    return copy(dst, src, x, y);
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
    const u8 level = gray8(colour.r, colour.g, colour.b);
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

bool copyFrame(Surface& dst, const Surface& src, ScreenSize screen) {
    // Copying the screen size between smaller buffers would run past their ends.
    if (!holdsScreen(dst, screen) || !holdsScreen(src, screen)) return false;
    std::memmove(dst.pixels(), src.pixels(),
                 static_cast<size_t>(screen.width) * static_cast<size_t>(screen.height) * 3);
    return true;
}

bool scale(Surface& dst, const Surface& src) {
    if (dst.format() != PixelFormat::Bgr24 || src.format() != PixelFormat::Bgr24) return false;
    if (!dst.pixels() || !src.pixels() || dst.width() < 1 || dst.height() < 1 ||
        src.width() < 1 || src.height() < 1)
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
