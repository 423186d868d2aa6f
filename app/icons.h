// The two window icons, drawn here pixel by pixel: the game's emblem and, for the boss
// key's disguise, a plain note page.
#pragma once

#include "platform/window.h"

namespace velmira {

inline constexpr int32_t kIconSize = 32;

// A gold lozenge with a dark blue ring on a transparent ground ("game").
const platform::IconImage& gameIcon();
// A white page with blue ruled lines and a folded corner ("notepad").
const platform::IconImage& notepadIcon();

} // namespace velmira
