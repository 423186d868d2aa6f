// The main window on SDL2: a fixed-size window whose frames go through an SDL renderer
// (vsync when the driver offers it, else the software renderer) and one streaming
// texture of blue-green-red bytes at the frame size.
//
// Window mode shows the frame `scale` times enlarged (nearest neighbour); full screen is a
// desktop-sized window that shows the frame on black, unscaled and centred at scale 1,
// otherwise as large as fits with its aspect kept. Mouse positions are mapped back into
// frame pixels (toFrame), so the engine never sees the scale or the black border.
#pragma once

#include <SDL.h>

#include "platform/window.h"

namespace velmira::platform {

enum class VSync : bool { Off, On };

class SdlWindow final : public Window {
  public:
    static constexpr int32_t kMaxScale = 8;
    // How long minimise() waits for the window manager to iconify the window.
    static constexpr Uint32 kMinimiseWaitMs = 300;

    // videoReady: SDL's video subsystem started; without it create() fails. scale: 1 to
    // kMaxScale (clamped).
    SdlWindow(bool videoReady, VSync vsync, int32_t scale = 1);
    ~SdlWindow() override { destroy(); }
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool create(int32_t width, int32_t height) override;
    void show() override;
    void destroy() override;
    bool exists() const override { return window_ != nullptr; }
    void setTitle(std::string_view utf8) override;
    bool minimised() const override;
    bool present(const uint8_t* bgr, int32_t stride) override;
    // Draws the texture of the last present again: no pixels are copied.
    bool repaint() override;
    void raise() override;
    bool setFullScreen(bool on) override;
    bool fullScreen() const override { return fullScreen_; }
    void hide() override;
    bool visible() const override;
    void minimise() override;
    void setCursorVisible(bool visible) override;
    void setIcon(const IconImage& icon) override;
    // Warps the cursor to the middle of that frame pixel; SDL reports a motion event.
    void moveMouse(int32_t x, int32_t y) override;

    // The window is never maximised: a window manager that does it anyway is undone (the
    // engine then goes full screen instead).
    void undoMaximise();
    // A position in window coordinates as a frame pixel; outside the shown frame (the
    // black border of full screen) it is clamped to the frame's edge.
    void toFrame(int32_t& x, int32_t& y) const;
    // A frame pixel (clamped to the frame) as the window position of its middle: the way
    // back of toFrame.
    void fromFrame(int32_t& x, int32_t& y) const;
    // Where the frame goes in an area of the given size (window or renderer output).
    SDL_Rect frameRect(int32_t areaWidth, int32_t areaHeight) const;
    int32_t scale() const { return scale_; }
    SDL_Window* handle() const { return window_; }

  private:
    void draw();

    bool videoReady_;
    VSync vsync_;
    int32_t scale_;
    int32_t width_ = 0, height_ = 0;
    bool fullScreen_ = false;
    bool presented_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
};

} // namespace velmira::platform
