// The headless instance lock: a headless run is a world of its own, with no other copy of
// the game to meet, so every claim succeeds. Parallel test runs of one game never collide.
#pragma once

#include <string>

#include "platform/instance_lock.h"

namespace velmira::platform {

class SoloInstanceLock final : public InstanceLock {
  public:
    InstanceClaim claim(const std::string& productId) override {
        claimed_ = productId;
        return InstanceClaim::Claimed;
    }
    // The identity last claimed (tests).
    const std::string& claimed() const { return claimed_; }

  private:
    std::string claimed_;
};

} // namespace velmira::platform
