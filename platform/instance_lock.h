// The single-instance identity: one running copy of a game per ProductID.
#pragma once

#include <string>

namespace velmira::platform {

enum class InstanceClaim {
    Claimed,       // this process is the only one with this identity
    AlreadyRunning // another process holds it and was asked to come to the front
};

class InstanceLock {
  public:
    virtual ~InstanceLock() = default;
    // Claims the identity productId (Shift-JIS bytes; empty: always Claimed, nothing is
    // held) until the platform goes. When another process holds it, that process is asked
    // to bring its window to the front (it sees a Raise event) and the result is
    // AlreadyRunning. Where the identity cannot be enforced the game still runs: Claimed.
    virtual InstanceClaim claim(const std::string& productId) = 0;
};

} // namespace velmira::platform
