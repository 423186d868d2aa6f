// The headless clock: virtual milliseconds from 0 that move only when the engine's own
// calls move them (see HeadlessPlatform), never with the wall clock.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace velmira::platform {

class VirtualClock final : public Clock {
  public:
    uint32_t now() override { return now_; }
    void sleep(uint32_t ms) override { advance(ms); }

    void advance(uint32_t ms) {
        now_ += ms;
        ++moves_;
    }
    // Counts every advance, so that others can tell whether time moved since they looked.
    uint64_t moves() const { return moves_; }

  private:
    uint32_t now_ = 0;
    uint64_t moves_ = 0;
};

} // namespace velmira::platform
