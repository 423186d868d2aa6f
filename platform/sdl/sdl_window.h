// The main window on SDL2: a fixed-size window whose frames go through an SDL renderer
// (vsync when the driver offers it, else the software renderer) and one streaming
// texture of blue-green-red bytes.
#pragma once

#include <SDL.h>

#include "platform/window.h"

namespace velmira::platform {

enum class VSync : bool { Off, On };

class SdlWindow final : public Window {
  public:
    // videoReady: SDL's video subsystem started; without it create() fails.
    SdlWindow(bool videoReady, VSync vsync) : videoReady_(videoReady), vsync_(vsync) {}
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
    void raise() override;

    // The window is never maximised: a window manager that does it anyway is undone.
    void undoMaximise();
    SDL_Window* handle() const { return window_; }

  private:
    bool videoReady_;
    VSync vsync_;
    int32_t width_ = 0, height_ = 0;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
};

} // namespace velmira::platform
