// The headless window: it keeps the last presented frame (and writes it as a PNG for the
// timeline's shot), the title and the window's state (shown, hidden, minimised, full
// screen, cursor, icon), so that tests and automated runs can look at what a player would
// have seen; every change of state goes to the run log. Presenting a frame takes 16
// virtual ms. Frames keep the frame size in full screen too.
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
    bool minimised() const override { return exists_ && minimised_; }
    bool present(const uint8_t* bgr, int32_t stride) override;
    bool repaint() override;
    // Restores a minimised window, as raise() does on a real desktop.
    void raise() override { restore(); }
    bool setFullScreen(bool on) override;
    bool fullScreen() const override { return fullScreen_; }
    void hide() override;
    bool visible() const override { return exists_ && shown_ && !minimised_; }
    void minimise() override;
    void setCursorVisible(bool visible) override;
    void setIcon(const IconImage& icon) override;
    // Queues a MouseMove to that point (clamped to the client area), as a system does when
    // a program moves the cursor; nothing is logged.
    void moveMouse(int32_t x, int32_t y) override;

    // The player restores a minimised or hidden window (the timeline's "restore"):
    // the window shows again and a Restore event follows.
    void restore();

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
    uint32_t repaints() const { return repaints_; }
    bool cursorVisible() const { return cursorVisible_; }
    // The name of the icon last set (empty: none).
    const std::string& iconName() const { return iconName_; }

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
    uint32_t repaints_ = 0;
    bool minimised_ = false;
    bool fullScreen_ = false;
    bool cursorVisible_ = true;
    std::string iconName_;
};

} // namespace velmira::platform
