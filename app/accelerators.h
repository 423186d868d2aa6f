// The keyboard shortcuts: four tables of key + modifiers -> action or raw code, tried in
// an order that depends on the input context. The global table comes first in every
// context; the game table serves the script and the choice menu, then the message table
// (context 0) or the choice table (context 1); the system screens have a table of their
// own. A shortcut fires on every key-down, auto-repeat included, and only when the
// modifiers held are exactly its own (Enter with Ctrl held is not Enter).
#pragma once

#include <cstdint>

#include "platform/events.h"
#include "script/script_host.h"

namespace velmira {

// The code a key press gives in the context, 0 when no table of the context has it. The
// modifier keys themselves count without their own bit: Alt pressed alone matches the
// global table's "Alt alone" whether or not the system reports Alt as held.
int32_t translateKey(InputContext context, platform::Key key, uint8_t modifiers);

} // namespace velmira
