#include "text/text_writer.h"

#include <algorithm>
#include <limits>

#include "resource/sjis.h"

namespace velmira {
namespace {

constexpr uint32_t kLineFeed = 10;
constexpr uint32_t kSpace = 32;
constexpr uint32_t kFullWidthSpace = 0x8140;

// The pen is a plain field that screens may set anywhere; moving it never wraps around.
int32_t moved(int32_t position, int64_t by) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t(position) + by,
                                                    std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

TextWriter::TextWriter(platform::FontEngine& fonts, GlyphRenderer& renderer, ScreenSize screen)
    : right(screen.width), bottom(screen.height), fonts_(fonts), renderer_(renderer) {}

TextWriter::~TextWriter() = default;

bool TextWriter::setFont(int32_t size, int32_t lineGap) {
    if (size < 0 || lineGap < 0 || int64_t(size) + lineGap > std::numeric_limits<int32_t>::max())
        return false;
    size_ = size;
    lineHeight_ = size + lineGap;
    font_.reset(); // the old font goes before the new one is made
    font_ = fonts_.createFont(platform::kFaceGothic, size, 400);
    return font_ != nullptr;
}

void TextWriter::newLine() {
    penX = left;
    penY = moved(penY, lineHeight_);
}

void TextWriter::home() {
    penX = left;
    penY = top;
}

bool TextWriter::drawString(Surface& surface, const char* text, Wrap wrap) {
    if (text == nullptr) return false;
    return drawString(surface, std::string_view(text), wrap);
}

bool TextWriter::drawString(Surface& surface, std::string_view text, Wrap wrap) {
    for (size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
        const auto byte = static_cast<uint8_t>(text[i]);
        if (!sjis::isLeadByte(byte)) {
            drawCharacter(surface, byte, wrap);
            continue;
        }
        // A lead byte takes the next byte with it; with nothing behind it, it is drawn as
        // lead << 8 and the text ends.
        const bool alone = i + 1 >= text.size() || text[i + 1] == '\0';
        const uint32_t trail = alone ? 0 : static_cast<uint8_t>(text[++i]);
        drawCharacter(surface, uint32_t(byte) << 8 | trail, wrap);
        if (alone) break;
    }
    return true;
}

void TextWriter::drawCharacter(Surface& surface, uint32_t code, Wrap wrap) {
    if (code == kLineFeed) {
        newLine();
        return;
    }
    if (code == kSpace) {
        penX = moved(penX, size_ / 2);
        return;
    }
    if (code == kFullWidthSpace) {
        penX = moved(penX, size_);
        return;
    }
    if (wrap == Wrap::On && int64_t(penX) + size_ > right) newLine();
    if (!renderer_.render(font_.get(), code, 1.0)) {
        // Nothing to draw (the renderer still holds the previous glyph, which must not
        // appear here): leave the blank the character would have filled.
        penX = moved(penX, code > 0xFF ? size_ : size_ / 2);
        return;
    }
    renderer_.composite(surface, penX, penY, colour);
    penX = moved(penX, renderer_.advanceX());
    penY = moved(penY, renderer_.advanceY());
}

} // namespace velmira
