// The platform: everything the engine takes from the operating system, grouped by
// capability. A backend (sdl/, headless/) implements each capability and a Platform
// that hands them out.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/window.h"

namespace velmira::platform {

// Result of claiming the single-instance identity.
enum class InstanceClaim {
    Claimed,       // this process is the only one with this identity
    AlreadyRunning // another process holds it and was asked to come to the front
};

class Platform {
public:
    virtual ~Platform() = default;
    virtual Clock& clock() = 0;
    virtual EventQueue& events() = 0;
    virtual Window& window() = 0;
    virtual Dialogs& dialogs() = 0;
    // Claims the identity productId (empty: always Claimed). Held until destruction.
    virtual InstanceClaim claimInstance(const std::string& productId) = 0;
};

} // namespace velmira::platform
