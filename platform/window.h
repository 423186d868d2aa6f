// The main window: one top-level window whose client area is the screen size, showing
// frames of 3 bytes per pixel (blue, green, red).
#pragma once

#include <cstdint>
#include <string_view>

namespace velmira::platform {

class Window {
  public:
    virtual ~Window() = default;
    // Client area width x height, centred on the desktop, not resizable, no maximise.
    virtual bool create(int32_t width, int32_t height) = 0;
    virtual void show() = 0;
    virtual void destroy() = 0;
    virtual bool exists() const = 0;
    virtual void setTitle(std::string_view utf8) = 0;
    virtual bool minimised() const = 0;
    // Shows a frame of the window's client size; rows top to bottom, stride in bytes, at
    // least a row's width * 3. False (nothing shown) without a window, without pixels or
    // for a shorter stride.
    virtual bool present(const uint8_t* bgr, int32_t stride) = 0;
    // Restores (if minimised) and raises the window.
    virtual void raise() = 0;
};

} // namespace velmira::platform
