// Shift-JIS (code page 932) <-> UTF-8, used only at the platform boundary: titles,
// dialogs, trace output, clipboard, font look-up. Inside the engine every text is a
// std::string of Shift-JIS bytes. Bytes that do not convert become U+FFFD / "?".
#pragma once

#include <string>
#include <string_view>

namespace velmira::platform {

std::string sjisToUtf8(std::string_view sjis);
std::string utf8ToSjis(std::string_view utf8);

} // namespace velmira::platform
