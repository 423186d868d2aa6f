// Screenshot writer: stores a Bgr24 frame as an 8-bit RGB PNG file. Used by the headless
// backend's "shot" event and by tests that want to look at a frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmira::platform {

// The PNG bytes of width x height pixels of 3 bytes (B, G, R) each; row y starts at
// bgr + y * stride (stride in bytes, at least width * 3). Empty on a bad size or a null
// pointer.
std::vector<uint8_t> encodeBgr24Png(int32_t width, int32_t height, const uint8_t* bgr,
                                    int32_t stride);

// encodeBgr24Png written to path as a whole (platform::replaceFile: never a torn file,
// never through a link). False, with the reason in error when given, on a bad frame or a
// write error.
bool writeBgr24Png(const std::string& path, int32_t width, int32_t height, const uint8_t* bgr,
                   int32_t stride, std::string* error = nullptr);

} // namespace velmira::platform
