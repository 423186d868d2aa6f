// Font outlines: what the engine asks of the machine's font engine. A font is made from a
// face name (Shift-JIS, as the engine names its faces), a cell height in pixels and a
// weight; a glyph comes back as a one-bit bitmap at a given scale (the engine asks for
// eight times the size and reduces it itself), rows padded to 32 bits, most significant
// bit leftmost, with its black-box size, origin and cell increment.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmira::platform {

// The engine's three faces, named in Shift-JIS as its fonts are requested.
inline constexpr char kFaceGothic[] = // ＭＳ ゴシック (fixed pitch)
    "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
inline constexpr char kFacePGothic[] = // ＭＳ Ｐゴシック (proportional)
    "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
inline constexpr char kFacePMincho[] = // ＭＳ Ｐ明朝 (proportional)
    "\x82\x6C\x82\x72\x20\x82\x6F\x96\xBE\x92\xA9";

struct GlyphMetrics {
    int32_t blackBoxWidth = 0;  // W: pixels of the bitmap's rows
    int32_t blackBoxHeight = 0; // H: rows
    int32_t originX = 0;        // left edge of the black box relative to the pen
    int32_t originY = 0;        // top edge of the black box above the baseline (up is +)
    int32_t cellIncrementX = 0; // how far the pen moves, at the bitmap's scale
    int32_t cellIncrementY = 0;
};

class Font {
  public:
    virtual ~Font() = default;
    // Ascent of the font at its own cell height (not scaled), in pixels: the cell's
    // share above the baseline, round(height * ascent / (ascent + descent)).
    virtual int32_t ascent() const = 0;
    // The weight the font was made with (400 regular, 700 bold).
    virtual int32_t weight() const = 0;

    // The one-bit bitmap of a Shift-JIS character code (one byte, or lead << 8 | trail) at
    // `scale16` (16.16 fixed point; 8.0 is 0x80000) of the cell height. With a null
    // `buffer` only the metrics and the size in bytes ((W + 31) / 32 * 4 * H) are answered;
    // with a buffer of at least that size it is filled too. Returns the size in bytes, or
    // -1 when the character cannot be rendered (a code that is no character, or one the
    // face has no glyph for: its notdef box is not an answer) or the buffer is too small.
    // An empty outline (a space) answers 0 bytes and its metrics. Asking for the same
    // code and scale twice in a row (size, then bitmap) draws it once.
    virtual int64_t glyphBitmap(uint32_t code, int32_t scale16, GlyphMetrics& metrics,
                                uint8_t* buffer, size_t bufferSize) = 0;
};

class FontEngine {
  public:
    virtual ~FontEngine() = default;
    // A font of `face` (Shift-JIS face name) whose cell height (ascent + descent) is
    // `height` pixels; null when no file serves the face or it cannot be opened.
    virtual std::unique_ptr<Font> createFont(std::string_view face, int32_t height,
                                             int32_t weight) = 0;
    // Serves `face` from this font file instead of the built-in map (tests name the IPA
    // files by path so that frames do not depend on the machine's font set-up). A file
    // or bytes that do not open as a font fall back to the built-in map.
    virtual void setFaceFile(std::string_view face, std::string path) = 0;
    // Serves `face` from a font file's bytes (a game's own font, read from its archives).
    virtual void setFaceData(std::string_view face, std::vector<uint8_t> data) = 0;
};

} // namespace velmira::platform
