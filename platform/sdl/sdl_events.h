// The event queue on SDL2: SDL's own queue, translated on the way out. Requests that
// come from other threads (timers, the raise request of a second instance) and the
// engine's own quit and close requests travel as one registered SDL user event type, so
// wait() wakes for them too. Pad plugging goes to the pad; pad buttons and axes are read
// from the pad, never queued.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include <SDL.h>

#include "platform/events.h"
#include "platform/sdl/sdl_window.h"

namespace velmira::platform {

class SdlPad;

class SdlEventQueue final : public EventQueue {
  public:
    // eventsReady: SDL's events subsystem started; without it no event ever arrives.
    SdlEventQueue(bool eventsReady, SdlWindow& window);
    ~SdlEventQueue() override;
    SdlEventQueue(const SdlEventQueue&) = delete;
    SdlEventQueue& operator=(const SdlEventQueue&) = delete;

    // Cheap when nothing waits (the script step polls once per line): SDL's sources (X11,
    // pads) are pumped once per tick of a coarse clock (1 to 4 ms), and SDL's queue is only
    // looked at when that pump or a push of our own may have filled it. Events that
    // another thread pushes straight into SDL's queue are seen at the next pump.
    bool poll(Event& event) override;
    bool wait(Event& event) override;
    void postQuit() override;
    void postClose() override;
    void startTimer(int32_t id, uint32_t periodMs) override;
    void stopTimer(int32_t id) override;

    // Thread-safe: another instance asked us to come to the front; reported as a Raise
    // event, on which the engine restores and raises its window.
    void postRaise();
    // A left click on the notification-area icon, reported as a TrayClick event.
    void postTrayClick();
    // Work of another event loop that must go on while wait() blocks (GTK's, while the
    // notification-area icon is shown): run every few milliseconds then. Empty: wait()
    // blocks in SDL alone.
    void setSideLoop(std::function<void()> work) { sideLoop_ = std::move(work); }
    // Stops every timer; call before SDL's timer subsystem is shut down.
    void stopAllTimers();
    // Timers started and not stopped (tests: a stopped timer leaves nothing behind).
    size_t runningTimers() const;
    // The pad that hears of pads being plugged in and out (none: they are ignored).
    void setPad(SdlPad* pad) { pad_ = pad; }

  private:
    struct TimerTable;
    enum UserCode : Sint32 { kQuit, kClose, kTimer, kRaise, kTrayClick };

    static Uint32 onTimer(Uint32 interval, void* serial);
    bool pushUser(UserCode code, uintptr_t data = 0);
    bool translate(const SDL_Event& in, Event& out);

    bool ready_;
    SdlWindow& window_;
    Uint32 userType_ = 0;
    uint64_t lastPump_ = 0;
    bool mayHoldEvents_ = true;
    std::atomic<uint32_t> pushes_{0}; // user events pushed, from any thread
    uint32_t seenPushes_ = 0;
    SdlPad* pad_ = nullptr;
    std::function<void()> sideLoop_;
};

} // namespace velmira::platform
