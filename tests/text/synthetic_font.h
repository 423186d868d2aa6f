// A font whose glyphs the test writes byte by byte, for checking the glyph arithmetic
// exactly: the one-bit bitmap is handed out as written, whatever scale is asked for.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "platform/fonts.h"

namespace velmira::test {

struct SyntheticGlyph {
    platform::GlyphMetrics metrics;
    std::vector<uint8_t> bitmap; // rows of ((W + 31) / 32 * 4) bytes; empty: no outline
};

// A glyph of `widthBits` x rows.size() sub-pixels; each row lists its leading bytes (the
// rest of the 32-bit padded row is zero). Origin and increment as given.
inline SyntheticGlyph syntheticGlyph(int32_t widthBits,
                                     const std::vector<std::vector<uint8_t>>& rows,
                                     int32_t originX = 0, int32_t originY = 0,
                                     int32_t incrementX = 0) {
    SyntheticGlyph g;
    g.metrics.blackBoxWidth = widthBits;
    g.metrics.blackBoxHeight = static_cast<int32_t>(rows.size());
    g.metrics.originX = originX;
    g.metrics.originY = originY;
    g.metrics.cellIncrementX = incrementX;
    const size_t pitch = (static_cast<size_t>(widthBits) + 31) / 32 * 4;
    g.bitmap.assign(pitch * rows.size(), 0);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size() && c < pitch; ++c)
            g.bitmap[r * pitch + c] = rows[r][c];
    return g;
}

class SyntheticFont : public platform::Font {
  public:
    int32_t ascent() const override { return ascent_; }
    int32_t weight() const override { return weight_; }

    int64_t glyphBitmap(uint32_t code, int32_t scale16, platform::GlyphMetrics& metrics,
                        uint8_t* buffer, size_t bufferSize) override {
        ++calls;
        lastScale16 = scale16;
        const auto it = glyphs.find(code);
        if (it == glyphs.end()) return -1;
        metrics = it->second.metrics;
        const auto size = static_cast<int64_t>(it->second.bitmap.size());
        if (buffer == nullptr) return sizeAnswer >= 0 ? sizeAnswer : size;
        ++fills;
        if (bufferSize < it->second.bitmap.size()) return -1;
        if (size > 0) std::memcpy(buffer, it->second.bitmap.data(), it->second.bitmap.size());
        return fillAnswer >= 0 ? fillAnswer : size;
    }

    int32_t ascent_ = 16;
    int32_t weight_ = 400;
    std::map<uint32_t, SyntheticGlyph> glyphs;
    // When not negative, what the size query (sizeAnswer) or the filling call
    // (fillAnswer) answers instead of the bitmap's true size: a font engine that lies.
    int64_t sizeAnswer = -1;
    int64_t fillAnswer = -1;
    // What the renderer asked.
    int32_t lastScale16 = 0;
    int calls = 0;
    int fills = 0;
};

} // namespace velmira::test
