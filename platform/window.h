// The main window: one top-level window whose client area is the screen size, showing
// frames of 3 bytes per pixel (blue, green, red).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmira::platform {

// A small picture for the window's icon or the notification-area icon: width x height
// pixels of 4 bytes (red, green, blue, alpha), rows top to bottom without padding. The
// name is what logs and tests know it by.
struct IconImage {
    std::string name;
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

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
    // Shows the last presented frame again (after an expose); cheap, nothing is copied.
    // False when no frame was presented since the window was made.
    virtual bool repaint() = 0;
    // Restores (if minimised) and raises the window.
    virtual void raise() = 0;

    // Full screen covers the desktop with the frame shown on black. False when the mode
    // cannot be changed (no window, or the system refused); the window then stays as it
    // was.
    virtual bool setFullScreen(bool on) = 0;
    virtual bool fullScreen() const = 0;
    // Hides the window entirely (no taskbar entry); show() brings it back.
    virtual void hide() = 0;
    // Shown, and neither hidden nor minimised.
    virtual bool visible() const = 0;
    virtual void minimise() = 0;
    // The mouse cursor over the window.
    virtual void setCursorVisible(bool visible) = 0;
    // Puts the mouse cursor on a point of the client area (frame pixels, as events report
    // them), as keyboard navigation between buttons does. The move is reported as a
    // MouseMove event, as one the player made.
    virtual void moveMouse(int32_t x, int32_t y) = 0;
    virtual void setIcon(const IconImage& icon) = 0;
};

} // namespace velmira::platform
