// A small pen-based writer for the system screens (choice menu, backlog, save/load): plain
// Shift-JIS strings in one colour and one font, the fixed-pitch Gothic at weight 400, drawn
// through the glyph renderer the writers share. The message window has its own layout.
//
// Pen, rectangle and colour are plain fields that the screens set directly. The pen's y
// is the top of the current line. Wrapping only starts a new line before a character that
// would pass the right edge; nothing is clipped to the rectangle, only to the surface.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "graphics/pixel.h"
#include "graphics/surface.h"
#include "platform/fonts.h"
#include "text/glyph_renderer.h"

namespace velmira {

enum class Wrap : uint8_t { Off, On };

class TextWriter {
  public:
    // The rectangle starts as the screen: (0, 0) to (screen.width, screen.height). The
    // writer draws with `renderer` and makes its font from `fonts`; both outlive it.
    TextWriter(platform::FontEngine& fonts, GlyphRenderer& renderer, ScreenSize screen);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    // Character size in pixels (the font's cell height) and the gap between lines. False,
    // changing nothing, when either is negative or their sum does not fit. Otherwise the
    // size and line height (size + gap) are kept and the font is made again; false when
    // no font serves the face (the writer then draws nothing, but still moves its pen).
    bool setFont(int32_t size, int32_t lineGap);

    // Pen to the left edge of the next line.
    void newLine();
    // Pen to the top-left corner of the rectangle.
    void home();

    // Draws every character of `text` (up to a NUL byte) with drawCharacter. A lead byte
    // with nothing behind it is the code lead << 8 and ends the text. False only for a
    // null string.
    bool drawString(Surface& surface, const char* text, Wrap wrap);
    bool drawString(Surface& surface, std::string_view text, Wrap wrap);
    // One character: 10 starts a new line, a space moves the pen half the size and the
    // full-width space the whole size; any other is drawn at the pen (after a new line
    // when wrapping and pen x + size would pass the right edge) and the pen moves by its
    // advance. A character the font cannot draw leaves a blank of half the size (one-byte
    // code) or the size (two-byte code), as wide as the cell it would fill.
    void drawCharacter(Surface& surface, uint32_t code, Wrap wrap);

    int32_t size() const { return size_; }
    int32_t lineHeight() const { return lineHeight_; }
    // The writer's font; null before setFont or when no font serves the face.
    platform::Font* font() const { return font_.get(); }

    int32_t penX = 0, penY = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    Rgb colour{255, 255, 255};

  private:
    platform::FontEngine& fonts_;
    GlyphRenderer& renderer_;
    std::unique_ptr<platform::Font> font_;
    int32_t size_ = 0;
    int32_t lineHeight_ = 0;
};

} // namespace velmira
