// The 32-bit millisecond clock. Differences are taken modulo 2^32 (elapsed()), so the
// wrap-around after 49.7 days is harmless. Engine code reads time only from here.
#pragma once

#include <cstdint>

namespace velmira::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start.
    virtual uint32_t now() = 0;
    virtual void sleep(uint32_t ms) = 0;
};

// Milliseconds from start to now, wrap-safe.
inline uint32_t elapsed(uint32_t start, uint32_t now) { return now - start; }

} // namespace velmira::platform
