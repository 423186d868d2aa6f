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
    const uint8_t* coverage() const { return coverage_; }

  private:
    // ... implementation's own buffers (raw and coverage, 8-byte aligned, growing)
    uint8_t* coverage_ = nullptr;
    int32_t xOffset_ = 0, yOffset_ = 0, width_ = 0, height_ = 0, pitch_ = 0;
    int32_t advanceX_ = 0, advanceY_ = 0;
};

} // namespace velmira
