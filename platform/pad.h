// Game pad 0, polled: the engine reads its state each time it samples input and works out
// presses itself. An optional capability: a platform without pad support hands out none.
#pragma once

#include <cstdint>

namespace velmira::platform {

struct PadState {
    // Stick position, 0 (left, up) to 65535 (right, down); about 32768 at rest.
    uint16_t x = 32768;
    uint16_t y = 32768;
    uint32_t buttons = 0;    // bit n set: button n (0-based) is held
    int32_t buttonCount = 0; // buttons the pad has
};

class Pad {
  public:
    virtual ~Pad() = default;
    // The state of pad 0; false when no pad is plugged in or it cannot be read.
    virtual bool read(PadState& state) = 0;
};

} // namespace velmira::platform
