#include "resource/sjis.h"

namespace velmira::sjis {
namespace {

// Compares the first n bytes of a and b (both at least n long) with A-Z folded. Both walk
// the same characters: a lead byte matches only the same lead byte.
bool equalFolded(std::string_view a, std::string_view b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (isLeadByte(a[i]) || isLeadByte(b[i])) {
            if (a[i] != b[i]) return false;
            if (++i == n) break;            // a lead byte at the end stands alone
            if (a[i] != b[i]) return false; // trail bytes compare exactly
        } else if (lowerAsciiByte(a[i]) != lowerAsciiByte(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); i += characterLength(out, i))
        out[i] = lowerAsciiByte(out[i]);
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && equalFolded(a, b, a.size());
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    if (!equalFolded(text, prefix, prefix.size())) return false;
    // A prefix that ends in the middle of one of text's characters does not match.
    size_t i = 0;
    while (i < prefix.size())
        i += characterLength(text, i);
    return i == prefix.size();
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    // The suffix must start on a character boundary of text.
    size_t i = 0;
    const size_t start = text.size() - suffix.size();
    while (i < start)
        i += characterLength(text, i);
    return i == start && equalsIgnoringCase(text.substr(start), suffix);
}

bool lessIgnoringCase(std::string_view a, std::string_view b) {
    const std::string la = lowerAscii(a), lb = lowerAscii(b);
    return la != lb ? la < lb : a < b;
}

std::string_view skipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return text.substr(i);
}

} // namespace velmira::sjis
