// One Shift-JIS character of a font as an 8-bit coverage map with its placement: the font
// engine draws a one-bit outline at eight times the size and this class reduces it 8x8 to
// 256 levels, so text is antialiased the same on every machine. Heavy fonts get one more
// pixel of stroke. Glyphs are not cached; the buffers only grow.
#pragma once

#include <cstdint>

#include "graphics/pixel.h"
#include "graphics/surface.h"
#include "platform/fonts.h"

namespace velmira {

class GlyphRenderer {
  public:
    GlyphRenderer();
    ~GlyphRenderer();
    GlyphRenderer(const GlyphRenderer&) = delete;
    GlyphRenderer& operator=(const GlyphRenderer&) = delete;

    // Renders `code` (one byte, or lead << 8 | trail) of `font` at `scale` (1.0 text, 0.5
    // ruby). False, leaving the last glyph as it was, for a null font, code 0 or a failure
    // of the font engine.
    bool render(platform::Font* font, uint32_t code, double scale);
    // Blends the last glyph in `colour` with its map's top-left at (x + xOffset,
    // y + yOffset), clipped to the surface. False for an empty surface or an empty map.
    bool composite(Surface& surface, int32_t x, int32_t y, Rgb colour) const;

    int32_t xOffset() const { return xOffset_; }
    int32_t yOffset() const { return yOffset_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t pitch() const { return pitch_; }
    int32_t advanceX() const { return advanceX_; }
    int32_t advanceY() const { return advanceY_; }
    const uint8_t* coverage() const { return coverage_.data(); }

    // Largest one-bit bitmap side accepted from a font engine, in sub-pixels (eight per
    // coverage pixel): a glyph of up to 1024 pixels. A larger box fails before anything
    // is allocated, so a font engine cannot make the renderer allocate without limit.
    static constexpr int32_t kMaxBitmapSide = 8192;

  private:
    // A byte buffer aligned to 8 bytes that only grows: when a request does not fit, a
    // buffer of twice the request replaces it. The old one is kept when that allocation
    // fails.
    class GrowingBuffer {
      public:
        GrowingBuffer() = default;
        ~GrowingBuffer();
        GrowingBuffer(const GrowingBuffer&) = delete;
        GrowingBuffer& operator=(const GrowingBuffer&) = delete;

        bool reserve(size_t bytes);
        uint8_t* data() const { return data_; }

      private:
        uint8_t* data_ = nullptr;
        size_t capacity_ = 0;
    };

    GrowingBuffer raw_;      // the font engine's one-bit bitmap
    GrowingBuffer coverage_; // the last glyph's coverage map, pitch_ * height_ bytes
    int32_t xOffset_ = 0, yOffset_ = 0, width_ = 0, height_ = 0, pitch_ = 0;
    int32_t advanceX_ = 0, advanceY_ = 0;
};

} // namespace velmira
