// A font engine for layout tests: every character is a solid square whose top-left sits
// exactly at the pen, so where each character, ruby glyph and dot lands follows by hand
// from the layout rules. At scale 1 a double-byte character is a 20-pixel square with an
// advance of 24, a one-byte character 10 pixels advancing 12; scale 0.5 halves both.
// Advances of single codes can be changed, and codes can be made to fail.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/fonts.h"

namespace velmira::test {

struct BoxFontSetup {
    std::map<uint32_t, int32_t> advances; // pixels at scale 1, instead of 24 / 12
    std::set<uint32_t> failing;           // codes the font cannot render
};

class BoxFont : public platform::Font {
  public:
    BoxFont(int32_t weight, const BoxFontSetup& setup) : weight_(weight), setup_(setup) {}
    int32_t ascent() const override { return kAscent; }
    int32_t weight() const override { return weight_; }

    int64_t glyphBitmap(uint32_t code, int32_t scale16, platform::GlyphMetrics& metrics,
                        uint8_t* buffer, size_t bufferSize) override {
        if (setup_.failing.count(code)) return -1;
        const double factor = scale16 / 65536.0; // sub-pixels per pixel at the cell size
        const auto it = setup_.advances.find(code);
        const int32_t advance = it != setup_.advances.end() ? it->second : code > 0xFF ? 24 : 12;
        const int32_t box = code > 0xFF ? 20 : 10;
        const auto side = static_cast<int32_t>(std::lround(box * factor));
        metrics.blackBoxWidth = side;
        metrics.blackBoxHeight = side;
        metrics.originX = 0;
        // The box's top at the line's top: the renderer places it ascent * scale minus
        // origin y below the pen.
        metrics.originY = static_cast<int32_t>(std::lround(kAscent * factor));
        metrics.cellIncrementX = static_cast<int32_t>(std::lround(advance * factor));
        metrics.cellIncrementY = 0;
        const size_t pitch = (static_cast<size_t>(side) + 31) / 32 * 4;
        const size_t size = pitch * static_cast<size_t>(side);
        if (buffer == nullptr) return static_cast<int64_t>(size);
        if (bufferSize < size) return -1;
        std::memset(buffer, 0, size);
        for (int32_t y = 0; y < side; ++y) {
            uint8_t* row = buffer + static_cast<size_t>(y) * pitch;
            std::memset(row, 0xFF, static_cast<size_t>(side / 8));
            if (side % 8) row[side / 8] = static_cast<uint8_t>(0xFF00 >> (side % 8));
        }
        return static_cast<int64_t>(size);
    }

    static constexpr int32_t kAscent = 20;

  private:
    int32_t weight_;
    const BoxFontSetup& setup_;
};

class BoxFontEngine : public platform::FontEngine {
  public:
    std::unique_ptr<platform::Font> createFont(std::string_view face, int32_t height,
                                               int32_t weight) override {
        created.push_back({std::string(face), height, weight});
        if (noFonts) return nullptr;
        return std::make_unique<BoxFont>(weight, setup);
    }
    void setFaceFile(std::string_view, std::string) override {}
    void setFaceData(std::string_view, std::vector<uint8_t>) override {}

    struct Request {
        std::string face;
        int32_t height, weight;
    };
    std::vector<Request> created;
    BoxFontSetup setup;
    bool noFonts = false;
};

} // namespace velmira::test
