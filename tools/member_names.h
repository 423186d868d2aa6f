// Archive member names (Shift-JIS, "\" between parts) and the host paths they are
// unpacked to (UTF-8 parts below the output folder).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmira::tool {

// The parts of a member name as they are written: split at "\" and "/" (never at the
// second byte of a double-byte character), then each converted to UTF-8. Nothing when a
// written part could leave the folder it is unpacked into or name another place in it:
// an empty part (which includes a leading separator), ".", "..", or a "/" or NUL byte.
// The check runs on the converted parts, since conversion can add a "/": a lead byte
// before "/" is no character, and converts to U+FFFD followed by "/".
std::optional<std::vector<std::string>> writtenMemberParts(std::string_view sjisName);

// Parses a whole decimal number into [0, max]; nothing for anything else.
std::optional<unsigned long> parseNumber(std::string_view text, unsigned long max);

} // namespace velmira::tool
