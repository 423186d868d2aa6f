#include "platform/sdl/sdl_events.h"

#include <algorithm>

#include <time.h>

namespace velmira::platform {

struct SdlEventQueue::TimerSlot {
    int32_t id = 0;
    SDL_TimerID sdlId = 0;
    SdlEventQueue* queue = nullptr;
    // One tick waits in the queue at most: ticks that fall due while the main thread is
    // busy (a modal dialog) are merged, as a timer message would be.
    std::atomic<bool> pending{false};
    std::atomic<bool> cancelled{false};
};

namespace {

uint8_t modifiersFrom(Uint16 mod) {
    uint8_t m = 0;
    if (mod & KMOD_CTRL) m |= kModCtrl;
    if (mod & KMOD_SHIFT) m |= kModShift;
    if (mod & KMOD_ALT) m |= kModAlt;
    return m;
}

Key keyFromSdl(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return static_cast<Key>('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9) return static_cast<Key>('0' + (k - SDLK_0));
    if (k >= SDLK_F1 && k <= SDLK_F12)
        return static_cast<Key>(static_cast<int>(Key::F1) + (k - SDLK_F1));
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9)
        return static_cast<Key>(static_cast<int>(Key::Kp1) + (k - SDLK_KP_1));
    switch (k) {
    case SDLK_BACKSPACE:
        return Key::Backspace;
    case SDLK_TAB:
        return Key::Tab;
    case SDLK_RETURN:
        return Key::Return;
    case SDLK_KP_ENTER:
        return Key::Return;
    case SDLK_ESCAPE:
        return Key::Escape;
    case SDLK_SPACE:
        return Key::Space;
    case SDLK_INSERT:
        return Key::Insert;
    case SDLK_DELETE:
        return Key::Delete;
    case SDLK_HOME:
        return Key::Home;
    case SDLK_END:
        return Key::End;
    case SDLK_PAGEUP:
        return Key::PageUp;
    case SDLK_PAGEDOWN:
        return Key::PageDown;
    case SDLK_UP:
        return Key::Up;
    case SDLK_DOWN:
        return Key::Down;
    case SDLK_LEFT:
        return Key::Left;
    case SDLK_RIGHT:
        return Key::Right;
    case SDLK_KP_PLUS:
        return Key::KpAdd;
    case SDLK_KP_MINUS:
        return Key::KpSubtract;
    case SDLK_KP_MULTIPLY:
        return Key::KpMultiply;
    case SDLK_KP_DIVIDE:
        return Key::KpDivide;
    case SDLK_KP_0:
        return Key::Kp0;
    case SDLK_MENU:
        return Key::Menu;
    case SDLK_APPLICATION:
        return Key::Menu;
    case SDLK_LCTRL:
        return Key::ControlLeft;
    case SDLK_RCTRL:
        return Key::ControlRight;
    case SDLK_LSHIFT:
        return Key::ShiftLeft;
    case SDLK_RSHIFT:
        return Key::ShiftRight;
    case SDLK_LALT:
        return Key::AltLeft;
    case SDLK_RALT:
        return Key::AltRight;
    default:
        return Key::None;
    }
}

bool mouseButtonFrom(Uint8 b, MouseButton& out) {
    switch (b) {
    case SDL_BUTTON_LEFT:
        out = MouseButton::Left;
        return true;
    case SDL_BUTTON_RIGHT:
        out = MouseButton::Right;
        return true;
    case SDL_BUTTON_MIDDLE:
        out = MouseButton::Middle;
        return true;
    default:
        return false;
    }
}

// The clock that paces pumping: the kernel's coarse monotonic clock (a tick of 1 to 4 ms)
// costs a few nanoseconds, where a precise reading costs several times what the rest of
// an empty poll does.
uint64_t pumpClock() {
#ifdef CLOCK_MONOTONIC_COARSE
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
#else
    return SDL_GetTicks();
#endif
}

} // namespace

SdlEventQueue::SdlEventQueue(bool eventsReady, SdlWindow& window)
    : ready_(eventsReady), window_(window) {
    if (ready_) {
        userType_ = SDL_RegisterEvents(1);
        ready_ = userType_ != static_cast<Uint32>(-1);
    }
}

SdlEventQueue::~SdlEventQueue() {
    stopAllTimers();
    if (pad_) SDL_JoystickClose(pad_);
}

bool SdlEventQueue::pushUser(UserCode code, void* data) {
    if (!ready_) return false;
    SDL_Event e{};
    e.type = userType_;
    e.user.code = code;
    e.user.data1 = data;
    const bool pushed = SDL_PushEvent(&e) == 1;
    pushes_.fetch_add(1, std::memory_order_release);
    return pushed;
}

void SdlEventQueue::postQuit() {
    pushUser(kQuit);
}
void SdlEventQueue::postClose() {
    pushUser(kClose);
}
void SdlEventQueue::postRaise() {
    pushUser(kRaise);
}

Uint32 SdlEventQueue::onTimer(Uint32 interval, void* p) {
    // Runs on SDL's timer thread.
    auto* slot = static_cast<TimerSlot*>(p);
    if (slot->cancelled.load()) return 0;
    if (!slot->pending.exchange(true) && !slot->queue->pushUser(kTimer, slot))
        slot->pending.store(false);
    return interval;
}

void SdlEventQueue::startTimer(int32_t id, uint32_t periodMs) {
    if (!ready_) return;
    stopTimer(id);
    auto slot = std::make_unique<TimerSlot>();
    slot->id = id;
    slot->queue = this;
    // SDL takes a period of 0 as "stop"; the shortest period is 1 ms.
    slot->sdlId =
        SDL_AddTimer(std::max<uint32_t>(periodMs, 1), &SdlEventQueue::onTimer, slot.get());
    if (slot->sdlId != 0) timers_.push_back(std::move(slot));
}

void SdlEventQueue::stopTimer(int32_t id) {
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [id](const auto& slot) { return slot->id == id; });
    if (it == timers_.end()) return;
    (*it)->cancelled.store(true);
    SDL_RemoveTimer((*it)->sdlId);
    retired_.push_back(std::move(*it));
    timers_.erase(it);
}

void SdlEventQueue::stopAllTimers() {
    while (!timers_.empty())
        stopTimer(timers_.back()->id);
}

bool SdlEventQueue::poll(Event& event) {
    if (!ready_) return false;
    const uint64_t now = pumpClock();
    if (now != lastPump_) {
        lastPump_ = now;
        SDL_PumpEvents();
        mayHoldEvents_ = true;
    }
    // Read before looking: a push that lands after this read is seen by the next call.
    const uint32_t pushes = pushes_.load(std::memory_order_acquire);
    if (!mayHoldEvents_ && pushes == seenPushes_) return false;
    seenPushes_ = pushes;
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
        if (translate(e, event)) return true;
    mayHoldEvents_ = false;
    return false;
}

bool SdlEventQueue::wait(Event& event) {
    if (!ready_) return false;
    SDL_Event e;
    while (SDL_WaitEvent(&e)) {
        // SDL_WaitEvent pumped: more may wait behind this one.
        mayHoldEvents_ = true;
        if (translate(e, event)) return true;
    }
    return false;
}

void SdlEventQueue::openPad(int deviceIndex, Event& out) {
    pad_ = SDL_JoystickOpen(deviceIndex);
    if (!pad_) return;
    padId_ = SDL_JoystickInstanceID(pad_);
    padX_ = padY_ = 0;
    out.type = EventType::PadPlugged;
    out.padButton = std::max(0, SDL_JoystickNumButtons(pad_));
}

bool SdlEventQueue::translate(const SDL_Event& in, Event& out) {
    out = Event{};
    if (in.type == userType_) {
        switch (in.user.code) {
        case kQuit:
            out.type = EventType::Quit;
            return true;
        case kClose:
            out.type = EventType::CloseRequest;
            return true;
        case kRaise:
            out.type = EventType::Raise;
            return true;
        case kTimer: {
            auto* slot = static_cast<TimerSlot*>(in.user.data1);
            slot->pending.store(false);
            if (slot->cancelled.load()) return false;
            out.type = EventType::Timer;
            out.timerId = slot->id;
            return true;
        }
        default:
            return false;
        }
    }

    switch (in.type) {
    case SDL_QUIT:
        // With quit-on-last-window-close off, SDL reports only SIGINT and SIGTERM this
        // way: a request to end the program, not a click on the close button. Asking the
        // quit question there would leave a logout or a kill waiting on a dialog; the
        // engine ends as after a confirmed close and still runs its shutdown.
        out.type = EventType::Quit;
        return true;
    case SDL_WINDOWEVENT:
        switch (in.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            out.type = EventType::CloseRequest;
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out.type = EventType::Activate;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            out.type = EventType::Deactivate;
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
            out.type = EventType::Minimise;
            return true;
        case SDL_WINDOWEVENT_RESTORED:
            out.type = EventType::Restore;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            out.type = EventType::Expose;
            return true;
        case SDL_WINDOWEVENT_MAXIMIZED:
            window_.undoMaximise();
            return false;
        default:
            return false;
        }
    case SDL_MOUSEMOTION:
        out.type = EventType::MouseMove;
        out.x = in.motion.x;
        out.y = in.motion.y;
        out.modifiers = modifiersFrom(SDL_GetModState());
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (!mouseButtonFrom(in.button.button, out.button)) return false;
        out.type = in.type == SDL_MOUSEBUTTONDOWN ? EventType::MouseDown : EventType::MouseUp;
        out.x = in.button.x;
        out.y = in.button.y;
        out.modifiers = modifiersFrom(SDL_GetModState());
        return true;
    case SDL_MOUSEWHEEL: {
        // One unit per notch; positive when turned away from the user.
        int32_t y = in.wheel.y;
        if (in.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
        if (y == 0) return false;
        out.type = EventType::Wheel;
        out.wheel = y;
        int mx = 0, my = 0;
        SDL_GetMouseState(&mx, &my);
        out.x = mx;
        out.y = my;
        out.modifiers = modifiersFrom(SDL_GetModState());
        return true;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        out.key = keyFromSdl(in.key.keysym.sym);
        if (out.key == Key::None) return false;
        out.type = in.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
        out.modifiers = modifiersFrom(in.key.keysym.mod);
        return true;
    case SDL_JOYDEVICEADDED:
        // Pad 0 only: the first pad plugged in serves until it is unplugged.
        if (pad_) return false;
        openPad(in.jdevice.which, out);
        return pad_ != nullptr;
    case SDL_JOYDEVICEREMOVED:
        if (!pad_ || in.jdevice.which != padId_) return false;
        SDL_JoystickClose(pad_);
        pad_ = nullptr;
        padId_ = -1;
        out.type = EventType::PadPlugged;
        out.padButton = 0;
        return true;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        if (!pad_ || in.jbutton.which != padId_) return false;
        out.type = EventType::PadButton;
        out.padButton = in.jbutton.button;
        out.pressed = in.type == SDL_JOYBUTTONDOWN;
        return true;
    case SDL_JOYAXISMOTION:
        // Axis 0 is x, axis 1 is y, each -32768..32767.
        if (!pad_ || in.jaxis.which != padId_ || in.jaxis.axis > 1) return false;
        (in.jaxis.axis == 0 ? padX_ : padY_) = in.jaxis.value;
        out.type = EventType::PadAxis;
        out.x = padX_;
        out.y = padY_;
        return true;
    default:
        return false;
    }
}

} // namespace velmira::platform
