#include "resource/sjis.h"

namespace velmira::sjis {

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); i += characterLength(out, i))
        out[i] = lowerAsciiByte(out[i]);
    return out;
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

} // namespace velmira::sjis
