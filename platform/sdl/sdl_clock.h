// The real clock: SDL's millisecond ticks since SDL started.
#pragma once

#include <SDL.h>

#include "platform/clock.h"

namespace velmira::platform {

class SdlClock final : public Clock {
  public:
    uint32_t now() override { return SDL_GetTicks(); }
    void sleep(uint32_t ms) override { SDL_Delay(ms); }
};

} // namespace velmira::platform
