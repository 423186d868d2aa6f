// The headless backend: no display and no sound card. Tests and automated play use it; it
// runs the engine's real pipeline and replaces only the window, clock and devices.
//
// Virtual time: the clock starts at 0 and advances only
//   - by Clock::sleep(ms),
//   - by 16 ms for each presented frame,
//   - by a blocking EventQueue::wait, which jumps to the next timeline entry, timer tick
//     or --max-ms,
//   - by 1 ms for every 100 calls of EventQueue::poll in a row that found nothing while
//     the clock stood still, so that a loop that never sleeps, presents or waits still
//     lets time pass and timeline entries fire. The rule depends only on the calls the
//     engine makes, so the same game and timeline always give the same run.
//
// Parts, one per capability: VirtualClock, TimelineEventQueue (input from the Timeline),
// FrameRecorder (the window), ScriptedDialogs (the question box answers as the timeline
// says, Yes by default), ScriptedPad, HeadlessTrayIcon (clicked by the timeline's
// "trayclick"), and SoloInstanceLock, which always claims: a
// headless run never meets another copy of itself. RunLog records what they did.
#pragma once

#include <cstdint>
#include <string>

#include "platform/fonts/freetype_fonts.h"
#include "platform/headless/frame_recorder.h"
#include "platform/headless/headless_tray_icon.h"
#include "platform/headless/run_log.h"
#include "platform/headless/scripted_dialogs.h"
#include "platform/headless/scripted_pad.h"
#include "platform/headless/solo_instance_lock.h"
#include "platform/headless/timeline.h"
#include "platform/headless/timeline_queue.h"
#include "platform/headless/virtual_clock.h"
#include "platform/platform.h"

namespace velmira::platform {

struct HeadlessOptions {
    Timeline timeline;
    // A close request is delivered at this virtual time (0: never).
    uint32_t maxMs = 0;
    SystemFacts facts = hostSystemFacts();
    // A desktop with a notification area (false: trayIcon() is null).
    bool tray = true;
    // Fonts from the face table only, never from fontconfig, so that frames do not depend
    // on the machine's font set-up.
    FreeTypeFontOptions fonts = {defaultFaceTable(), false};
};

class HeadlessPlatform final : public Platform {
  public:
    explicit HeadlessPlatform(HeadlessOptions options = {});
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

    VirtualClock& clock() override { return clock_; }
    TimelineEventQueue& events() override { return events_; }
    FrameRecorder& window() override { return window_; }
    ScriptedDialogs& dialogs() override { return dialogs_; }
    SoloInstanceLock& instanceLock() override { return lock_; }
    const SystemFacts& systemFacts() const override { return facts_; }
    FreeTypeFontEngine& fonts() override { return fonts_; }
    ScriptedPad* pad() override { return &pad_; }
    HeadlessTrayIcon* trayIcon() override { return tray_ ? &trayIcon_ : nullptr; }

    RunLog& log() { return log_; }
    // Shots of the timeline that could not be written, with their timeline lines.
    struct FailedShot {
        std::string path;
        int line = 0;
    };
    const std::vector<FailedShot>& failedShots() const { return failedShots_; }

  private:
    void onTimelineEntry(const TimelineEvent& entry);

    SystemFacts facts_;
    VirtualClock clock_;
    RunLog log_;
    TimelineEventQueue events_;
    FrameRecorder window_;
    ScriptedDialogs dialogs_;
    ScriptedPad pad_;
    HeadlessTrayIcon trayIcon_;
    bool tray_;
    SoloInstanceLock lock_;
    FreeTypeFontEngine fonts_;
    std::vector<FailedShot> failedShots_;
};

} // namespace velmira::platform
