#include "platform/headless/frame_recorder.h"

#include <algorithm>
#include <cstring>

#include "platform/headless/png_writer.h"
#include "platform/headless/run_log.h"
#include "platform/headless/timeline_queue.h"
#include "platform/headless/virtual_clock.h"

namespace velmira::platform {

bool FrameRecorder::create(int32_t width, int32_t height) {
    if (exists_ || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    width_ = width;
    height_ = height;
    frame_.assign(static_cast<size_t>(width) * height * 3, 0);
    exists_ = true;
    framesPresented_ = 0;
    repaints_ = 0;
    minimised_ = false;
    fullScreen_ = false;
    cursorVisible_ = true;
    iconName_.clear();
    log_.write("window created, " + std::to_string(width) + " x " + std::to_string(height));
    return true;
}

void FrameRecorder::show() {
    if (!exists_ || (shown_ && !minimised_)) return;
    shown_ = true;
    minimised_ = false;
    log_.write("window shown");
    events_.push(Event{EventType::Activate});
    events_.push(Event{EventType::Expose});
}

void FrameRecorder::hide() {
    if (!exists_ || !shown_) return;
    shown_ = false;
    log_.write("window hidden");
    events_.push(Event{EventType::Deactivate});
}

void FrameRecorder::minimise() {
    if (!exists_ || minimised_) return;
    minimised_ = true;
    log_.write("window minimised");
    events_.push(Event{EventType::Minimise});
    events_.push(Event{EventType::Deactivate});
}

void FrameRecorder::restore() {
    if (!exists_ || (shown_ && !minimised_)) return;
    shown_ = true;
    minimised_ = false;
    log_.write("window restored");
    events_.push(Event{EventType::Restore});
    events_.push(Event{EventType::Activate});
    events_.push(Event{EventType::Expose});
}

bool FrameRecorder::setFullScreen(bool on) {
    if (!exists_) return false;
    if (fullScreen_ != on) {
        fullScreen_ = on;
        log_.write(on ? "full screen" : "window mode");
    }
    return true;
}

void FrameRecorder::setCursorVisible(bool visible) {
    if (!exists_ || cursorVisible_ == visible) return;
    cursorVisible_ = visible;
    log_.write(visible ? "cursor shown" : "cursor hidden");
}

void FrameRecorder::setIcon(const IconImage& icon) {
    if (!exists_ || iconName_ == icon.name) return;
    iconName_ = icon.name;
    log_.write("icon " + iconName_);
}

void FrameRecorder::moveMouse(int32_t x, int32_t y) {
    if (!exists_) return;
    events_.push(mouseEvent(EventType::MouseMove, std::clamp(x, 0, width_ - 1),
                            std::clamp(y, 0, height_ - 1)));
}

bool FrameRecorder::repaint() {
    if (!exists_ || framesPresented_ == 0) return false;
    ++repaints_;
    return true;
}

void FrameRecorder::destroy() {
    if (!exists_) return;
    exists_ = false;
    shown_ = false;
    minimised_ = false;
    fullScreen_ = false;
    log_.write("window destroyed");
}

void FrameRecorder::setTitle(std::string_view utf8) {
    if (!exists_ || title_ == utf8) return;
    title_ = utf8;
    log_.write("title \"" + title_ + "\"");
}

bool FrameRecorder::present(const uint8_t* bgr, int32_t stride) {
    const size_t row = static_cast<size_t>(width_) * 3;
    if (!exists_ || bgr == nullptr || stride < 0 || static_cast<size_t>(stride) < row) return false;
    for (int32_t y = 0; y < height_; ++y)
        std::memcpy(frame_.data() + row * y, bgr + static_cast<size_t>(stride) * y, row);
    ++framesPresented_;
    clock_.advance(kFrameMs);
    return true;
}

bool FrameRecorder::writeShot(const std::string& path) {
    // Before the first present the window shows black, as a real one does.
    std::string error = "there is no window";
    const bool ok =
        !frame_.empty() && writeBgr24Png(path, width_, height_, frame_.data(), width_ * 3, &error);
    log_.write(ok ? "shot " + path : "shot " + path + " failed: " + error);
    return ok;
}

} // namespace velmira::platform
