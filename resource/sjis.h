// Shift-JIS (code page 932) byte text: every text inside the engine is a string of these
// bytes. A byte from 0x81 to 0x9F or from 0xE0 to 0xFC starts a double-byte character; the
// byte after it (its trail byte) may look like ASCII ("ア" is 83 41, "ヂ" is 83 61, "\" is
// often a trail byte), so every rule here steps over a trail byte without looking at it.
// A lead byte at the very end of a text stands alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmira::sjis {

constexpr bool isLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool isLeadByte(char c) {
    return isLeadByte(static_cast<uint8_t>(c));
}

// The bytes of the character that starts at text[i]: 2 for a lead byte with a byte after
// it, else 1.
constexpr size_t characterLength(std::string_view text, size_t i) {
    return isLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
}

// Space and tab, the separators of lines, tokens and statements.
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

constexpr char lowerAsciiByte(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A-Z become a-z; every other byte, and every trail byte, stays as it is.
std::string lowerAscii(std::string_view text);

// The first n bytes of a and b (both at least n long) are equal with A-Z folded. Both walk
// the same characters: a lead byte matches only the same lead byte, and the trail bytes
// after it compare exactly. Inline: the step loop compares keywords on every statement.
constexpr bool equalFolded(std::string_view a, std::string_view b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const char x = a[i], y = b[i];
        if (x == y) {
            if (!isLeadByte(x)) continue;
            if (++i == n) break;            // a lead byte at the end stands alone
            if (a[i] != b[i]) return false; // trail bytes compare exactly
        } else if (lowerAsciiByte(x) != lowerAsciiByte(y)) {
            return false; // equal only as the two cases of one letter (never a lead byte)
        }
    }
    return true;
}

// Equal after lowerAscii; a trail byte compares exactly.
constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && equalFolded(a, b, a.size());
}
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix);
bool endsWithIgnoringCase(std::string_view text, std::string_view suffix);
// Orders by lowerAscii, then byte by byte, so that names differing only in case still
// have a fixed order.
bool lessIgnoringCase(std::string_view a, std::string_view b);

// The text without its leading spaces and tabs.
constexpr std::string_view skipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return text.substr(i);
}

} // namespace velmira::sjis
