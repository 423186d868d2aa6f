#include "platform/sdl/sdl_window.h"

#include <algorithm>
#include <string>

namespace velmira::platform {

bool SdlWindow::create(int32_t width, int32_t height) {
    if (!videoReady_ || window_ || width <= 0 || height <= 0) return false;

    // Centred on the desktop; a desktop smaller than the window puts it at the top left.
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        x = std::max(0, (desktop.w - width) / 2);
        y = std::max(0, (desktop.h - height) / 2);
    }
    // Not resizable: SDL then gives the window fixed size hints, so window managers
    // offer no maximise button.
    window_ = SDL_CreateWindow("", x, y, width, height, SDL_WINDOW_HIDDEN);
    if (!window_) return false;

    Uint32 flags = SDL_RENDERER_ACCELERATED;
    if (vsync_ == VSync::On) flags |= SDL_RENDERER_PRESENTVSYNC;
    renderer_ = SDL_CreateRenderer(window_, -1, flags);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_)
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING,
                                     width, height);
    if (!texture_) {
        destroy();
        return false;
    }
    width_ = width;
    height_ = height;
    // Keys reach the engine directly, never through an input method.
    SDL_StopTextInput();
    // Black until the first frame arrives.
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    return true;
}

void SdlWindow::show() {
    if (window_) SDL_ShowWindow(window_);
}

void SdlWindow::destroy() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
}

void SdlWindow::setTitle(std::string_view utf8) {
    if (window_) SDL_SetWindowTitle(window_, std::string(utf8).c_str());
}

bool SdlWindow::minimised() const {
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED);
}

bool SdlWindow::present(const uint8_t* bgr, int32_t stride) {
    if (!texture_ || !bgr || stride < 0 || stride / 3 < width_) return false;
    if (SDL_UpdateTexture(texture_, nullptr, bgr, stride) != 0) return false;
    // A minimised window shows nothing; with vsync the present could block needlessly.
    if (minimised()) return true;
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    return true;
}

void SdlWindow::raise() {
    if (!window_) return;
    if (minimised()) SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
}

void SdlWindow::undoMaximise() {
    if (window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED)) SDL_RestoreWindow(window_);
}

} // namespace velmira::platform
