#include "platform/sdl/sdl_events.h"

#include "platform/sdl/sdl_pad.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include <time.h>

namespace velmira::platform {

// Timers as the timer thread sees them. Each running timer is known by a serial number of
// its own, never by a pointer: SDL may still run a stopped timer's callback, and a tick
// may still wait in the queue, after the timer stopped, so what they name must outlive
// every queue. The table lives as long as the process; a stopped timer's entry goes at once.
struct SdlEventQueue::TimerTable {
    struct Entry {
        SdlEventQueue* queue;
        int32_t id;
        SDL_TimerID sdlId;
        // One tick waits in the queue at most: ticks that fall due while the main thread
        // is busy (a modal dialog) merge, as a window-system timer's do.
        bool pending;
    };
    std::mutex mutex;
    std::unordered_map<uint32_t, Entry> running; // serial -> timer
    uint32_t nextSerial = 1;

    static TimerTable& instance() {
        static TimerTable* table = new TimerTable; // never destroyed: callbacks may outlive main
        return *table;
    }
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
}

bool SdlEventQueue::pushUser(UserCode code, uintptr_t data) {
    if (!ready_) return false;
    SDL_Event e{};
    e.type = userType_;
    e.user.code = code;
    e.user.data1 = reinterpret_cast<void*>(data);
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
void SdlEventQueue::postTrayClick() {
    pushUser(kTrayClick);
}

Uint32 SdlEventQueue::onTimer(Uint32 interval, void* param) {
    // Runs on SDL's timer thread. The serial travels in the pointer's bits.
    const auto serial = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(param));
    TimerTable& table = TimerTable::instance();
    std::lock_guard lock(table.mutex);
    const auto it = table.running.find(serial);
    if (it == table.running.end()) return 0; // stopped meanwhile: SDL drops it
    TimerTable::Entry& entry = it->second;
    if (!entry.pending && entry.queue->pushUser(kTimer, serial)) entry.pending = true;
    return interval;
}

void SdlEventQueue::startTimer(int32_t id, uint32_t periodMs) {
    if (!ready_) return;
    stopTimer(id);
    TimerTable& table = TimerTable::instance();
    std::lock_guard lock(table.mutex);
    const uint32_t serial = table.nextSerial++;
    // SDL takes a period of 0 as "stop"; the shortest period is 1 ms. The callback waits
    // for the lock held here, so it never looks for the entry before it exists.
    const SDL_TimerID sdlId = SDL_AddTimer(std::max<uint32_t>(periodMs, 1), &SdlEventQueue::onTimer,
                                           reinterpret_cast<void*>(static_cast<uintptr_t>(serial)));
    if (sdlId != 0) table.running.emplace(serial, TimerTable::Entry{this, id, sdlId, false});
}

void SdlEventQueue::stopTimer(int32_t id) {
    TimerTable& table = TimerTable::instance();
    std::lock_guard lock(table.mutex);
    std::erase_if(table.running, [&](const auto& item) {
        const TimerTable::Entry& entry = item.second;
        if (entry.queue != this || entry.id != id) return false;
        SDL_RemoveTimer(entry.sdlId);
        return true;
    });
}

void SdlEventQueue::stopAllTimers() {
    TimerTable& table = TimerTable::instance();
    std::lock_guard lock(table.mutex);
    std::erase_if(table.running, [&](const auto& item) {
        if (item.second.queue != this) return false;
        SDL_RemoveTimer(item.second.sdlId);
        return true;
    });
}

size_t SdlEventQueue::runningTimers() const {
    TimerTable& table = TimerTable::instance();
    std::lock_guard lock(table.mutex);
    size_t n = 0;
    for (const auto& item : table.running)
        if (item.second.queue == this) ++n;
    return n;
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
    for (;;) {
        if (sideLoop_) {
            sideLoop_();
            constexpr int kSideLoopMs = 20;
            if (!SDL_WaitEventTimeout(&e, kSideLoopMs)) continue; // nothing yet
        } else if (!SDL_WaitEvent(&e)) {
            return false;
        }
        // SDL_WaitEvent pumped: more may wait behind this one.
        mayHoldEvents_ = true;
        if (translate(e, event)) return true;
    }
}

bool SdlEventQueue::translate(const SDL_Event& in, Event& out) {
    if (in.type == userType_) {
        switch (in.user.code) {
        case kQuit:
            out = Event{EventType::Quit};
            return true;
        case kClose:
            out = Event{EventType::CloseRequest};
            return true;
        case kRaise:
            out = Event{EventType::Raise};
            return true;
        case kTrayClick:
            out = Event{EventType::TrayClick};
            return true;
        case kTimer: {
            const auto serial = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(in.user.data1));
            TimerTable& table = TimerTable::instance();
            std::lock_guard lock(table.mutex);
            const auto it = table.running.find(serial);
            // A tick of a timer that stopped since it was queued is not reported.
            if (it == table.running.end()) return false;
            it->second.pending = false;
            out = timerEvent(it->second.id);
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
        out = Event{EventType::Quit};
        return true;
    case SDL_WINDOWEVENT:
        switch (in.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            out = Event{EventType::CloseRequest};
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out = Event{EventType::Activate};
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            out = Event{EventType::Deactivate};
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
            out = Event{EventType::Minimise};
            return true;
        case SDL_WINDOWEVENT_RESTORED:
            out = Event{EventType::Restore};
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            out = Event{EventType::Expose};
            return true;
        case SDL_WINDOWEVENT_MAXIMIZED:
            window_.undoMaximise();
            out = Event{EventType::Maximise};
            return true;
        default:
            return false;
        }
    case SDL_MOUSEMOTION: {
        // Every position the engine sees is a frame pixel, whatever the scale and border.
        int32_t x = in.motion.x, y = in.motion.y;
        window_.toFrame(x, y);
        out = mouseEvent(EventType::MouseMove, x, y, MouseButton::Left,
                         modifiersFrom(SDL_GetModState()));
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        MouseButton button;
        if (!mouseButtonFrom(in.button.button, button)) return false;
        int32_t x = in.button.x, y = in.button.y;
        window_.toFrame(x, y);
        out = mouseEvent(in.type == SDL_MOUSEBUTTONDOWN ? EventType::MouseDown : EventType::MouseUp,
                         x, y, button, modifiersFrom(SDL_GetModState()));
        return true;
    }
    case SDL_MOUSEWHEEL: {
        // One unit per notch; positive when turned away from the user.
        int32_t notches = in.wheel.y;
        if (in.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
        if (notches == 0) return false;
        int mx = 0, my = 0;
        SDL_GetMouseState(&mx, &my);
        int32_t x = mx, y = my;
        window_.toFrame(x, y);
        out = wheelEvent(notches, x, y, modifiersFrom(SDL_GetModState()));
        return true;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const Key key = keyFromSdl(in.key.keysym.sym);
        if (key == Key::None) return false;
        out = keyEvent(in.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp, key,
                       modifiersFrom(in.key.keysym.mod));
        return true;
    }
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
        // The pad reads its own state; the queue only tells it about plugging.
        if (pad_) pad_->handleDeviceEvent(in);
        return false;
    default:
        return false;
    }
}

} // namespace velmira::platform
