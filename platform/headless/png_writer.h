// Screenshot writer: stores a Bgr24 frame as an 8-bit RGB PNG file. Used by the headless
// backend's "shot" event and by tests that want to look at a frame.
#pragma once

#include <cstdint>
#include <string>

namespace velmira::platform {

// Writes width x height pixels of 3 bytes (B, G, R) each; row y starts at
// bgr + y * stride (stride in bytes, at least width * 3). The file is replaced.
// False (and no file left behind) on a bad size, a null pointer or a write error.
bool writeBgr24Png(const std::string& path, int32_t width, int32_t height, const uint8_t* bgr,
                   int32_t stride);

} // namespace velmira::platform
