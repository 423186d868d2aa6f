#include "text/glyph_renderer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "graphics/blitter.h"

namespace velmira {
namespace {

// Coverage of one byte of eight horizontal sub-pixels: 0 when no bit is set, else
// 32 * n - 1 for n set bits. Eight rows of a full byte sum to 8 * 255, so one 8x8 block
// reduces to 0..255 with a shift by 3.
constexpr std::array<uint32_t, 256> kCoverage = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t b = 1; b < 256; ++b)
        table[b] = 32 * std::popcount(b) - 1;
    return table;
}();

// A fully covered block must give exactly 255.
static_assert(kCoverage[0xFF] == 255 && kCoverage[0x01] == 31 && kCoverage[0] == 0);

} // namespace

GlyphRenderer::GrowingBuffer::~GrowingBuffer() {
    ::operator delete (data_, std::align_val_t{8});
}

bool GlyphRenderer::GrowingBuffer::reserve(size_t bytes) {
    if (bytes <= capacity_) return true;
    // Twice the request, so that a run of slightly larger glyphs does not reallocate each
    // time. Requests are bounded by the caller, so this cannot overflow.
    const size_t capacity = bytes * 2;
    void* fresh = ::operator new (capacity, std::align_val_t{8}, std::nothrow);
    if (fresh == nullptr) return false;
    ::operator delete (data_, std::align_val_t{8});
    data_ = static_cast<uint8_t*>(fresh);
    capacity_ = capacity;
    return true;
}

GlyphRenderer::GlyphRenderer() = default;
GlyphRenderer::~GlyphRenderer() = default;

bool GlyphRenderer::render(platform::Font* font, uint32_t code, double scale) {
    if (font == nullptr || code == 0) return false;
    // The font engine draws at eight times the wanted size, as 16.16 fixed point rounded
    // to nearest. A scale that is not a positive size, or does not fit, is refused.
    const double scale16d = std::round(scale * 8.0 * 65536.0);
    if (!(scale16d >= 1.0 && scale16d <= double(INT32_MAX))) return false;
    const auto scale16 = static_cast<int32_t>(scale16d);
    const bool bold = font->weight() > 400;

    // First ask for the size only, and check the box before allocating: the font engine is
    // trusted no further than for a bitmap whose size matches its box.
    platform::GlyphMetrics m;
    const int64_t size = font->glyphBitmap(code, scale16, m, nullptr, 0);
    if (size < 0) return false;
    if (m.blackBoxWidth < 0 || m.blackBoxHeight < 0 || m.blackBoxWidth > kMaxBitmapSide ||
        m.blackBoxHeight > kMaxBitmapSide)
        return false;
    const int32_t rawPitch = ((m.blackBoxWidth + 31) & ~31) / 8; // rows padded to 32 bits
    const int64_t rawBytes = int64_t(rawPitch) * m.blackBoxHeight;
    // An empty outline (a space) has no bitmap at all; anything else must fill its box.
    if (size != 0 && size != rawBytes) return false;

    if (size > 0) {
        if (!raw_.reserve(static_cast<size_t>(size))) return false;
        std::memset(raw_.data(), 0, static_cast<size_t>(size));
        platform::GlyphMetrics again;
        const int64_t filled =
            font->glyphBitmap(code, scale16, again, raw_.data(), static_cast<size_t>(size));
        // The second answer must describe the same bitmap the buffer was sized for.
        if (filled != size || again.blackBoxWidth != m.blackBoxWidth ||
            again.blackBoxHeight != m.blackBoxHeight)
            return false;
        m = again;
    }

    const int32_t inkWidth = (m.blackBoxWidth + 7) / 8;
    const int32_t height = (m.blackBoxHeight + 7) / 8;
    const int32_t width = inkWidth + (bold ? 1 : 0);
    const int32_t pitch = rawPitch + (bold ? 1 : 0);
    const size_t coverageBytes = size_t(pitch) * size_t(height);
    if (!coverage_.reserve(coverageBytes)) return false;
    uint8_t* const out = coverage_.data();
    if (coverageBytes > 0) std::memset(out, 0, coverageBytes);

    // 8x8 reduction: each raw byte is eight sub-pixels of one row, so coverage column c
    // of row r sums bytes c of raw rows 8r..8r+7. A last, partial block sums the rows it
    // has and still divides by 8: the missing rows count as uncovered.
    if (size > 0) {
        const uint8_t* raw = raw_.data();
        for (int32_t r = 0; r < height; ++r) {
            const int32_t firstRow = r * 8;
            const int32_t rows = std::min(8, m.blackBoxHeight - firstRow);
            uint8_t* dst = out + size_t(r) * size_t(pitch);
            for (int32_t c = 0; c < inkWidth; ++c) {
                const uint8_t* src = raw + size_t(firstRow) * size_t(rawPitch) + size_t(c);
                uint32_t sum = 0;
                for (int32_t k = 0; k < rows; ++k)
                    sum += kCoverage[src[size_t(k) * rawPitch]];
                dst[c] = static_cast<uint8_t>(sum >> 3);
            }
        }
    }

    // Synthetic bold: every stroke one pixel wider. Right to left, so each column adds its
    // left neighbour's value from before this pass; the extra column repeats the last one.
    if (bold) {
        for (int32_t r = 0; r < height; ++r) {
            uint8_t* row = out + size_t(r) * size_t(pitch);
            for (int32_t x = width - 1; x >= 1; --x)
                row[x] = static_cast<uint8_t>(std::min(255, row[x - 1] + row[x]));
        }
    }

    // Placement. The font engine's numbers are at eight times the size; ">> 3" floors
    // (arithmetic shift), so a box starting one sub-pixel left of the pen starts one pixel
    // left of it. The increments are taken as 64-bit so that |INT32_MIN| cannot overflow.
    width_ = width;
    height_ = height;
    pitch_ = pitch;
    advanceX_ = static_cast<int32_t>(std::llabs(int64_t(m.cellIncrementX)) >> 3);
    advanceY_ = static_cast<int32_t>(std::llabs(int64_t(m.cellIncrementY)) >> 3);
    xOffset_ = m.originX >> 3;
    const double ascent = std::clamp(std::round(double(font->ascent()) * scale),
                                     double(INT32_MIN / 2), double(INT32_MAX / 2));
    yOffset_ = static_cast<int32_t>(ascent) - (m.originY >> 3);
    return true;
}

bool GlyphRenderer::composite(Surface& surface, int32_t x, int32_t y, Rgb colour) const {
    if (surface.empty() || width_ <= 0 || height_ <= 0 || coverage_.data() == nullptr) return false;
    // The map's box on the surface, clipped; 64-bit so that far-off positions cannot wrap.
    const int64_t left = int64_t(x) + xOffset_;
    const int64_t top = int64_t(y) + yOffset_;
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(left + width_, surface.width());
    const int64_t y1 = std::min<int64_t>(top + height_, surface.height());
    if (x0 >= x1 || y0 >= y1) return true; // outside the surface: nothing to draw

    // Each pixel moves toward the colour by its coverage; alpha, where the format has it,
    // becomes the union of the old alpha and the coverage.
    const CoverageFillRow fill = coverageFillRow(surface.format());
    if (fill == nullptr) return false;
    const auto count = static_cast<int32_t>(x1 - x0);
    const auto bpp = static_cast<size_t>(surface.bytesPerPixel());
    for (int64_t sy = y0; sy < y1; ++sy) {
        const uint8_t* src =
            coverage_.data() + size_t(sy - top) * size_t(pitch_) + size_t(x0 - left);
        fill(surface.row(static_cast<int32_t>(sy)) + size_t(x0) * bpp, src, count, colour);
    }
    return true;
}

} // namespace velmira
