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
// Threads started through threads() run in lockstep with the virtual clock (see
// VirtualClock), and the sound output (HeadlessAudioOutput) mixes as the clock moves and
// records what it heard with --audio-out.
//
// Parts, one per capability: VirtualClock, LockstepThreads, HeadlessAudioOutput,
// TimelineEventQueue (input from the Timeline),
// FrameRecorder (the window), ScriptedDialogs (the question box answers as the timeline
// says, Yes by default), ScriptedPad, HeadlessTrayIcon (clicked by the timeline's
// "trayclick"), ScriptedPopupMenu (answers as the timeline's "menu" says, dismissed by
// default), and SoloInstanceLock, which always claims: a
// headless run never meets another copy of itself. RunLog records what they did.
#pragma once

#include <cstdint>
#include <string>

#include "platform/fonts/freetype_fonts.h"
#include "platform/headless/frame_recorder.h"
#include "platform/headless/headless_audio_output.h"
#include "platform/headless/headless_tray_icon.h"
#include "platform/headless/run_log.h"
#include "platform/headless/scripted_dialogs.h"
#include "platform/headless/scripted_pad.h"
#include "platform/headless/scripted_popup_menu.h"
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
    // A machine with a sound output (false: audioOutput() is null).
    bool audio = true;
    // Records what the sound output plays into this WAV file (empty: no recording).
    std::string audioOutPath = {};
};

class HeadlessPlatform final : public Platform {
  public:
    explicit HeadlessPlatform(HeadlessOptions options = {});
    ~HeadlessPlatform() override;
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

    VirtualClock& clock() override { return clock_; }
    TimelineEventQueue& events() override { return events_; }
    FrameRecorder& window() override { return window_; }
    ScriptedDialogs& dialogs() override { return dialogs_; }
    SoloInstanceLock& instanceLock() override { return lock_; }
    const SystemFacts& systemFacts() const override { return facts_; }
    FreeTypeFontEngine& fonts() override { return fonts_; }
    LockstepThreads& threads() override { return threads_; }
    ScriptedPad* pad() override { return &pad_; }
    HeadlessTrayIcon* trayIcon() override { return tray_ ? &trayIcon_ : nullptr; }
    ScriptedPopupMenu* popupMenu() override { return &popupMenu_; }
    HeadlessAudioOutput* audioOutput() override { return audio_ ? &audioOutput_ : nullptr; }

    RunLog& log() { return log_; }
    // Shots of the timeline that could not be written, with their timeline lines.
    struct FailedShot {
        std::string path;
        int line = 0;
    };
    const std::vector<FailedShot>& failedShots() const { return failedShots_; }
    // Completes the --audio-out recording at the present virtual time; false (error says
    // why) when it could not be written, or could not even be started. True without one.
    bool finishAudioOut(std::string& error);

  private:
    void onTimelineEntry(const TimelineEvent& entry);

    SystemFacts facts_;
    VirtualClock clock_;
    LockstepThreads threads_;
    RunLog log_;
    HeadlessAudioOutput audioOutput_;
    bool audio_;
    std::string audioOutPath_;
    std::string audioOutError_; // why the recording could not start
    TimelineEventQueue events_;
    FrameRecorder window_;
    ScriptedDialogs dialogs_;
    ScriptedPad pad_;
    HeadlessTrayIcon trayIcon_;
    bool tray_;
    ScriptedPopupMenu popupMenu_;
    SoloInstanceLock lock_;
    FreeTypeFontEngine fonts_;
    std::vector<FailedShot> failedShots_;
};

} // namespace velmira::platform
