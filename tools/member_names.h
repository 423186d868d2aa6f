// Archive member names (Shift-JIS, "\" between parts) and host paths (UTF-8, "/").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmira::tool {

// Splits a member name at "\" and "/" (never at the second byte of a double-byte
// character). Nothing when the name could leave the folder it is unpacked into: an
// empty part (which includes a leading separator), ".", "..", or a NUL byte.
std::optional<std::vector<std::string>> safeMemberParts(std::string_view sjisName);

// Parses a whole decimal number into [0, max]; nothing for anything else.
std::optional<unsigned long> parseNumber(std::string_view text, unsigned long max);

} // namespace velmira::tool
