// The event queue on SDL2: SDL's own queue, translated on the way out. Requests that
// come from other threads (timers, the raise request of a second instance) and the
// engine's own quit and close requests travel as one registered SDL user event type, so
// wait() wakes for them too.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include <SDL.h>

#include "platform/events.h"
#include "platform/sdl/sdl_window.h"

namespace velmira::platform {

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
    // Stops every timer; call before SDL's timer subsystem is shut down.
    void stopAllTimers();

  private:
    struct TimerSlot;
    enum UserCode : Sint32 { kQuit, kClose, kTimer, kRaise };

    static Uint32 onTimer(Uint32 interval, void* slot);
    bool pushUser(UserCode code, void* data = nullptr);
    bool translate(const SDL_Event& in, Event& out);
    void openPad(int deviceIndex, Event& out);

    bool ready_;
    SdlWindow& window_;
    Uint32 userType_ = 0;
    uint64_t lastPump_ = 0;
    bool mayHoldEvents_ = true;
    std::atomic<uint32_t> pushes_{0}; // user events pushed, from any thread
    uint32_t seenPushes_ = 0;
    std::vector<std::unique_ptr<TimerSlot>> timers_;
    // Stopped timers stay allocated until the queue goes: their callback or a queued
    // event may still point at them.
    std::vector<std::unique_ptr<TimerSlot>> retired_;
    SDL_Joystick* pad_ = nullptr;
    SDL_JoystickID padId_ = -1;
    int32_t padX_ = 0, padY_ = 0;
};

} // namespace velmira::platform
