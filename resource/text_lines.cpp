#include "resource/text_lines.h"

#include "resource/archive.h"
#include "resource/sjis.h"

namespace velmira {
namespace {

using sjis::isBlank;

// The text as the engine sees it: it ends at its first NUL byte.
std::string_view upToNul(std::string_view text) {
    const size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

} // namespace

bool TextLines::load(const ArchiveIndex& index, std::string_view folder, std::string_view name) {
    clear();
    ArchiveReader reader(index);
    if (!reader.open(folder, name)) return false;
    // An empty member has nothing to split, like an empty text given to assign.
    // One allocation: the text and the NUL that split() puts after it.
    if (reader.available() >= reader.size()) buffer_.reserve(size_t{reader.size()} + 1);
    if (reader.size() == 0 || !reader.readAll(buffer_)) {
        buffer_.clear();
        return false;
    }
    reader.close();
    split();
    return true;
}

bool TextLines::assign(std::string_view text) {
    clear();
    if (text.empty()) return false;
    buffer_.assign(text);
    split();
    return true;
}

void TextLines::clear() {
    lines_.clear();
    buffer_.clear();
}

void TextLines::split() {
    lines_.clear();
    const size_t end = upToNul(buffer_).size();
    buffer_.push_back('\0');
    size_t pos = 0;
    while (pos < end) {
        while (pos < end && isBlank(buffer_[pos]))
            ++pos;
        const size_t start = pos;
        const size_t cr = buffer_.find('\r', pos);
        if (cr == std::string::npos || cr >= end) {
            lines_.push_back({start, end - start});
            break;
        }
        buffer_[cr] = '\0';
        lines_.push_back({start, cr - start});
        pos = cr + 1;
        if (pos < end && buffer_[pos] == '\n') ++pos;
    }
}

bool TextLines::line(int index, std::string& out) const {
    if (index < 0 || index >= count()) return false;
    out.assign(view(index));
    return true;
}

std::string_view TextLines::view(int index) const {
    if (index < 0 || index >= count()) return {};
    const Span& s = lines_[static_cast<size_t>(index)];
    return std::string_view(buffer_).substr(s.start, s.length);
}

void TokenList::split(std::string_view line) {
    tokens_.clear();
    buffer_.assign(upToNul(line));
    if (buffer_.empty()) return;
    const size_t end = buffer_.size();
    buffer_.push_back('\0');
    size_t pos = 0;
    for (;;) {
        while (pos < end && isBlank(buffer_[pos]))
            ++pos;
        const size_t start = pos;
        while (pos < end && !isBlank(buffer_[pos]))
            ++pos;
        tokens_.push_back({start, pos - start});
        // A separator always starts another token, so trailing blanks give an empty one.
        if (pos >= end) break;
        buffer_[pos++] = '\0';
    }
}

std::string_view TokenList::token(int index) const {
    if (index < 0 || index >= count()) return {};
    const Span& s = tokens_[static_cast<size_t>(index)];
    return std::string_view(buffer_).substr(s.start, s.length);
}

} // namespace velmira
