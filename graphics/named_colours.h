// The named colours of scripts: `flash` takes one, and a layer given one of these names
// instead of a picture is filled with it.
#pragma once

#include <optional>
#include <string_view>

#include "graphics/pixel.h"

namespace velmira {

// "WHITE", "RED", ... "BLACK", compared without regard to case.
std::optional<Rgb> findNamedColour(std::string_view name);

} // namespace velmira
