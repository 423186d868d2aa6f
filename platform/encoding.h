// Shift-JIS (code page 932) <-> UTF-8, used only at the platform boundary: titles,
// dialogs, trace output, clipboard, font look-up. Inside the engine every text is a
// std::string of Shift-JIS bytes. Bytes that do not convert become U+FFFD / "?".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmira::platform {

std::string sjisToUtf8(std::string_view sjis);
std::string utf8ToSjis(std::string_view utf8);

// One Shift-JIS character code (a byte, or lead << 8 | trail) to its Unicode code point,
// for the font engine, which asks once per glyph: the converter is opened once and kept.
// 0 when the code is not exactly one CP932 character. Not thread-safe; one per user.
class SjisCharDecoder {
  public:
    SjisCharDecoder();
    ~SjisCharDecoder();
    SjisCharDecoder(const SjisCharDecoder&) = delete;
    SjisCharDecoder& operator=(const SjisCharDecoder&) = delete;

    char32_t decode(uint32_t code);

  private:
    void* converter_; // iconv_t, (iconv_t)-1 when CP932 is not available
};

} // namespace velmira::platform
