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
inline uint32_t elapsed(uint32_t start, uint32_t now) {
    return now - start;
}

// True when the time when has come at now: when is at most 2^31 - 1 ms ahead of now or
// behind it, so the comparison holds across the wrap-around.
inline bool reached(uint32_t now, uint32_t when) {
    return static_cast<int32_t>(now - when) >= 0;
}

} // namespace velmira::platform
