#include "tools/member_names.h"

#include <charconv>
#include <cstdint>

#include "platform/encoding.h"
#include "resource/sjis.h"

namespace velmira::tool {

std::optional<std::vector<std::string>> writtenMemberParts(std::string_view name) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<uint8_t>(name[i]);
        if (sjis::isLeadByte(b) && i + 1 < name.size()) {
            parts.back().push_back(name[i]);
            parts.back().push_back(name[++i]);
        } else if (b == '\\' || b == '/') {
            parts.emplace_back();
        } else {
            parts.back().push_back(name[i]);
        }
    }
    for (std::string& part : parts) {
        part = platform::sjisToUtf8(part);
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
            return std::nullopt;
    }
    return parts;
}

std::optional<unsigned long> parseNumber(std::string_view text, unsigned long max) {
    unsigned long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value > max) return std::nullopt;
    return value;
}

} // namespace velmira::tool
