#include "platform/sdl/sdl_window.h"

#include <algorithm>
#include <string>

namespace velmira::platform {

SdlWindow::SdlWindow(bool videoReady, VSync vsync, int32_t scale)
    : videoReady_(videoReady), vsync_(vsync), scale_(std::clamp<int32_t>(scale, 1, kMaxScale)) {}

bool SdlWindow::create(int32_t width, int32_t height) {
    if (!videoReady_ || window_ || width <= 0 || height <= 0) return false;
    if (width > INT32_MAX / scale_ || height > INT32_MAX / scale_) return false;
    const int32_t windowWidth = width * scale_, windowHeight = height * scale_;

    // Centred on the desktop; a desktop smaller than the window puts it at the top left.
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        x = std::max(0, (desktop.w - windowWidth) / 2);
        y = std::max(0, (desktop.h - windowHeight) / 2);
    }
    // Not resizable: SDL then gives the window fixed size hints, so window managers
    // offer no maximise button.
    window_ = SDL_CreateWindow("", x, y, windowWidth, windowHeight, SDL_WINDOW_HIDDEN);
    if (!window_) return false;

    Uint32 flags = SDL_RENDERER_ACCELERATED;
    if (vsync_ == VSync::On) flags |= SDL_RENDERER_PRESENTVSYNC;
    renderer_ = SDL_CreateRenderer(window_, -1, flags);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    // Enlarged pixels stay sharp squares.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    if (renderer_)
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING,
                                     width, height);
    if (!texture_) {
        destroy();
        return false;
    }
    width_ = width;
    height_ = height;
    fullScreen_ = false;
    presented_ = false;
    // Keys reach the engine directly, never through an input method.
    SDL_StopTextInput();
    // Black until the first frame arrives.
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    return true;
}

void SdlWindow::show() {
    if (!window_) return;
    SDL_ShowWindow(window_);
    if (minimised()) SDL_RestoreWindow(window_);
}

void SdlWindow::hide() {
    if (window_) SDL_HideWindow(window_);
}

bool SdlWindow::visible() const {
    if (!window_) return false;
    const Uint32 flags = SDL_GetWindowFlags(window_);
    return (flags & SDL_WINDOW_SHOWN) && !(flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
}

void SdlWindow::minimise() {
    if (!window_) return;
    SDL_MinimizeWindow(window_);
    // The window manager iconifies the window a moment later; until SDL has heard of it,
    // minimised() would still say no. Without a window manager nothing ever happens, and
    // the window simply stays.
    const Uint32 deadline = SDL_GetTicks() + kMinimiseWaitMs;
    while (!minimised() && !SDL_TICKS_PASSED(SDL_GetTicks(), deadline)) {
        SDL_PumpEvents();
        SDL_Delay(5);
    }
}

void SdlWindow::destroy() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    fullScreen_ = false;
    presented_ = false;
    SDL_ShowCursor(SDL_ENABLE);
}

void SdlWindow::setTitle(std::string_view utf8) {
    if (window_) SDL_SetWindowTitle(window_, std::string(utf8).c_str());
}

bool SdlWindow::minimised() const {
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED);
}

SDL_Rect SdlWindow::frameRect(int32_t areaWidth, int32_t areaHeight) const {
    if (!fullScreen_ || width_ <= 0 || height_ <= 0) return SDL_Rect{0, 0, areaWidth, areaHeight};
    int32_t w = width_, h = height_;
    // Scaled full screen, or a desktop too small for the frame: as large as fits, the
    // aspect kept (64-bit products: no overflow for any frame size).
    if (scale_ != 1 || w > areaWidth || h > areaHeight) {
        if (int64_t{areaWidth} * height_ <= int64_t{areaHeight} * width_) {
            w = areaWidth;
            h = static_cast<int32_t>(int64_t{areaWidth} * height_ / width_);
        } else {
            h = areaHeight;
            w = static_cast<int32_t>(int64_t{areaHeight} * width_ / height_);
        }
    }
    return SDL_Rect{(areaWidth - w) / 2, (areaHeight - h) / 2, std::max(w, 1), std::max(h, 1)};
}

void SdlWindow::toFrame(int32_t& x, int32_t& y) const {
    if (!window_ || width_ <= 0 || height_ <= 0) return;
    int areaWidth = 0, areaHeight = 0;
    SDL_GetWindowSize(window_, &areaWidth, &areaHeight);
    const SDL_Rect r = frameRect(areaWidth, areaHeight);
    const int64_t fx = int64_t{x - r.x} * width_ / r.w;
    const int64_t fy = int64_t{y - r.y} * height_ / r.h;
    // Left of or above the frame, the division rounds toward zero: clamping still ends
    // at 0.
    x = static_cast<int32_t>(std::clamp<int64_t>(x < r.x ? -1 : fx, 0, width_ - 1));
    y = static_cast<int32_t>(std::clamp<int64_t>(y < r.y ? -1 : fy, 0, height_ - 1));
}

void SdlWindow::fromFrame(int32_t& x, int32_t& y) const {
    if (!window_ || width_ <= 0 || height_ <= 0) return;
    int areaWidth = 0, areaHeight = 0;
    SDL_GetWindowSize(window_, &areaWidth, &areaHeight);
    const SDL_Rect r = frameRect(areaWidth, areaHeight);
    const int64_t fx = std::clamp<int64_t>(x, 0, width_ - 1);
    const int64_t fy = std::clamp<int64_t>(y, 0, height_ - 1);
    // The middle of the pixel's area, so that toFrame gives the same pixel back.
    x = static_cast<int32_t>(r.x + (2 * fx + 1) * r.w / (2 * int64_t{width_}));
    y = static_cast<int32_t>(r.y + (2 * fy + 1) * r.h / (2 * int64_t{height_}));
}

void SdlWindow::moveMouse(int32_t x, int32_t y) {
    if (!window_) return;
    fromFrame(x, y);
    SDL_WarpMouseInWindow(window_, x, y);
}

void SdlWindow::draw() {
    // A minimised or hidden window shows nothing; with vsync the present could block
    // needlessly.
    if (!visible()) return;
    int outWidth = 0, outHeight = 0;
    if (SDL_GetRendererOutputSize(renderer_, &outWidth, &outHeight) != 0) return;
    const SDL_Rect target = frameRect(outWidth, outHeight);
    // The black border of full screen; in window mode the frame covers everything.
    if (fullScreen_) SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
    SDL_RenderPresent(renderer_);
}

bool SdlWindow::present(const uint8_t* bgr, int32_t stride) {
    if (!texture_ || !bgr || stride < 0 || stride / 3 < width_) return false;
    // The streaming texture takes any pitch: rows need no padding for any width.
    if (SDL_UpdateTexture(texture_, nullptr, bgr, stride) != 0) return false;
    presented_ = true;
    draw();
    return true;
}

bool SdlWindow::repaint() {
    if (!texture_ || !presented_) return false;
    draw();
    return true;
}

void SdlWindow::raise() {
    if (!window_) return;
    if (minimised()) SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
}

bool SdlWindow::setFullScreen(bool on) {
    if (!window_) return false;
    if (on == fullScreen_) return true;
    if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        // Refused: whatever SDL left behind, the window is put back in window mode.
        if (on) SDL_SetWindowFullscreen(window_, 0);
        return false;
    }
    fullScreen_ = on;
    // What the renderer showed was for the old size.
    SDL_RenderClear(renderer_);
    if (presented_) draw();
    return true;
}

void SdlWindow::setCursorVisible(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void SdlWindow::setIcon(const IconImage& icon) {
    if (!window_ || icon.width <= 0 || icon.height <= 0 ||
        icon.rgba.size() != static_cast<size_t>(icon.width) * icon.height * 4)
        return;
    // SDL copies the pixels; the surface only borrows them for the call.
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(icon.rgba.data()), icon.width,
                                           icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) return;
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
}

void SdlWindow::undoMaximise() {
    if (window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED)) SDL_RestoreWindow(window_);
}

} // namespace velmira::platform
