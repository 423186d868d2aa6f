// What the player reads about the actions: the name of each action code (the
// configuration dialog lists the assignable inputs' choices by them) and the fixed list
// of keyboard shortcuts that dialog shows. Both are Shift-JIS. The list is shown as it
// stands; the shortcut tables (app/accelerators.h) decide what the keys do, so where the
// two differ (numpad + opens the configuration) the tables are right.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmira {

// The name of action 0-28 ("（なし）" for 0); empty for any other code.
std::string_view actionName(int32_t action);

// Rows of key name, a tab and what it does, each ended by a line feed, the four groups
// apart by an empty line.
std::string_view shortcutListText();

} // namespace velmira
