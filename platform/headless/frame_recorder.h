// The headless window: it keeps the last presented frame (and writes it as a PNG for the
// timeline's shot), the title and the window's state, so that tests and automated runs can
// look at what a player would have seen. Presenting a frame takes 16 virtual ms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace velmira::platform {

class RunLog;
class TimelineEventQueue;
class VirtualClock;

class FrameRecorder final : public Window {
  public:
    static constexpr uint32_t kFrameMs = 16;
    // The largest client area it makes, as the screen of a real machine would limit it.
    static constexpr int32_t kMaxSide = 16384;

    FrameRecorder(VirtualClock& clock, TimelineEventQueue& events, RunLog& log)
        : clock_(clock), events_(events), log_(log) {}

    bool create(int32_t width, int32_t height) override;
    // Activates the window and asks for its first paint, as a window manager would.
    void show() override;
    void destroy() override;
    bool exists() const override { return exists_; }
    void setTitle(std::string_view utf8) override;
    bool minimised() const override { return false; }
    bool present(const uint8_t* bgr, int32_t stride) override;
    void raise() override {}

    // Writes the last presented frame as an RGB PNG; false (and the log says why) when no
    // window was ever made or the file cannot be written.
    bool writeShot(const std::string& path);

    // What a test can observe.
    const std::string& title() const { return title_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    bool shown() const { return shown_; }
    // The last presented frame, Bgr24, width() * 3 bytes per row.
    const std::vector<uint8_t>& lastFrame() const { return frame_; }
    uint32_t framesPresented() const { return framesPresented_; }

  private:
    VirtualClock& clock_;
    TimelineEventQueue& events_;
    RunLog& log_;
    bool exists_ = false;
    bool shown_ = false;
    int32_t width_ = 0, height_ = 0;
    std::string title_;
    std::vector<uint8_t> frame_;
    uint32_t framesPresented_ = 0;
};

} // namespace velmira::platform
