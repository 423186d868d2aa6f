// The headless backend: no display and no sound card. Tests and automated play use it.
//
// Virtual time: the clock starts at 0 and advances only
//   - by Clock::sleep(ms),
//   - by 16 ms for each presented frame,
//   - by a blocking EventQueue::wait, which jumps to the next timeline event or timer,
//   - by 1 ms for every kIdlePollsPerMs calls of EventQueue::poll that found nothing
//     since the clock last moved, so that a loop that never sleeps, presents or waits
//     still lets time pass and timeline events fire. The rule depends only on the calls
//     the engine makes, so the same game and timeline always give the same run.
//
// Input comes from a timeline (see Timeline). Each timeline event fires at the first
// poll at or after its time. The question box answers Yes. The last presented frame is
// kept and written as an RGB PNG on the timeline's `shot` event.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace velmira::platform {

struct TimelineEvent {
    enum class Kind : uint8_t { Input, Shot };
    uint32_t ms = 0;
    int line = 0;            // 1-based line in the timeline file
    Kind kind = Kind::Input;
    std::vector<Event> events; // Input: what reaches the queue (a click is a press and a release)
    std::string path;        // Shot: where the PNG goes
};

// Timeline file, UTF-8, one event per line: "<ms> <event> [args]"; "#" starts a comment,
// blank lines are ignored, times never decrease. Events: move X Y, click X Y, down X Y,
// up X Y, rclick X Y, mclick X Y, wheel N, key NAME, keydown NAME, keyup NAME (X11
// keysym names, with ctrl+ shift+ alt+ prefixes), pad BUTTONS, padbutton N down|up,
// padaxis X Y, shot FILE (relative to the timeline's folder), close.
struct Timeline {
    std::vector<TimelineEvent> events;

    // On a malformed line: false, and error names the line ("timeline:3: ...").
    static bool parse(std::string_view text, const std::string& baseFolder, Timeline& out,
                      std::string& error);
    static bool load(const std::string& path, Timeline& out, std::string& error);
};

class HeadlessPlatform final : public Platform,
                               private Clock,
                               private EventQueue,
                               private Window,
                               private Dialogs {
public:
    static constexpr uint32_t kFrameMs = 16;
    static constexpr uint32_t kIdlePollsPerMs = 100;

    // maxMs: a close request is delivered at this virtual time (0: never).
    explicit HeadlessPlatform(Timeline timeline = {}, uint32_t maxMs = 0);

    Clock& clock() override { return *this; }
    EventQueue& events() override { return *this; }
    Window& window() override { return *this; }
    Dialogs& dialogs() override { return *this; }
    InstanceClaim claimInstance(const std::string&) override { return InstanceClaim::Claimed; }

    // What a test can observe.
    uint32_t virtualNow() const { return now_; }
    const std::string& title() const { return title_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    bool shown() const { return shown_; }
    bool windowExists() const { return exists_; }
    // The last presented frame, Bgr24, width() * 3 bytes per row.
    const std::vector<uint8_t>& lastFrame() const { return frame_; }
    uint32_t framesPresented() const { return framesPresented_; }
    struct Question {
        std::string caption, text; // UTF-8
    };
    const std::vector<Question>& questions() const { return questions_; }
    // Shots that could not be written (paths).
    const std::vector<std::string>& failedShots() const { return failedShots_; }
    // Feeds an event directly (tests).
    void push(const Event& event) { queue_.push_back(event); }

private:
    // Clock
    uint32_t now() override { return now_; }
    void sleep(uint32_t ms) override { advance(ms); }
    // EventQueue
    bool poll(Event& event) override;
    bool wait(Event& event) override;
    void postQuit() override;
    void postClose() override;
    void startTimer(int32_t id, uint32_t periodMs) override;
    void stopTimer(int32_t id) override;
    // Window
    bool create(int32_t width, int32_t height) override;
    void show() override;
    void destroy() override;
    bool exists() const override { return exists_; }
    void setTitle(std::string_view utf8) override { title_ = utf8; }
    bool minimised() const override { return false; }
    bool active() const override { return true; }
    void present(const uint8_t* bgr, int32_t stride) override;
    void raise() override {}
    // Dialogs
    bool askYesNo(std::string_view caption, std::string_view text) override;

    void advance(uint32_t ms);
    void fireDue();
    // The next time at which something is due (timeline event or timer); false if none.
    bool nextDue(uint32_t& when) const;

    struct Timer {
        int32_t id;
        uint32_t period;
        uint32_t next;
    };

    Timeline timeline_;
    size_t nextTimeline_ = 0;
    uint32_t maxMs_;
    bool maxFired_ = false;
    uint32_t now_ = 0;
    uint32_t idlePolls_ = 0;
    std::vector<Event> queue_; // FIFO, front at queueHead_
    size_t queueHead_ = 0;
    std::vector<Timer> timers_;

    bool exists_ = false;
    bool shown_ = false;
    int32_t width_ = 0, height_ = 0;
    std::string title_;
    std::vector<uint8_t> frame_;
    uint32_t framesPresented_ = 0;
    std::vector<Question> questions_;
    std::vector<std::string> failedShots_;
};

} // namespace velmira::platform
