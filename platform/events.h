// The window's event queue: mouse, keys, wheel, window state changes, timers and the
// quit message. Events are delivered on the main thread only.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

namespace velmira::platform {

// Keys the engine knows by name. Letters and digits use their upper-case ASCII code.
// clang-format off
enum class Key : uint16_t {
    None = 0,
    Backspace = 8, Tab = 9, Return = 13, Escape = 27, Space = 32,
    Digit0 = '0', Digit9 = '9', A = 'A', Z = 'Z',
    Insert = 256, Delete, Home, End, PageUp, PageDown, Up, Down, Left, Right,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    KpAdd, KpSubtract, KpMultiply, KpDivide, Kp0, Kp1, Kp2, Kp3, Kp4, Kp5, Kp6, Kp7, Kp8, Kp9,
    Menu, ControlLeft, ControlRight, ShiftLeft, ShiftRight, AltLeft, AltRight,
};
// clang-format on

enum Modifier : uint8_t { kModCtrl = 1, kModShift = 2, kModAlt = 4 };

enum class MouseButton : uint8_t { Left, Right, Middle };

enum class EventType : uint8_t {
    MouseMove,    // MouseData
    MouseDown,    // MouseData
    MouseUp,      // MouseData
    Wheel,        // WheelData
    KeyDown,      // KeyData
    KeyUp,        // KeyData
    CloseRequest, // the window's close button (or postClose)
    Activate,     // the application became the active one
    Deactivate,
    Minimise,
    Restore,
    Maximise,  // the window manager asked to maximise (the engine goes full screen instead)
    Expose,    // the window needs repainting
    Timer,     // TimerData: a timer started with EventQueue::startTimer fired
    Raise,     // another instance asked this one to come to the front
    TrayClick, // a left click on the notification-area icon (platform/tray_icon.h)
    Quit,      // posted by postQuit: ends every message pump
};

// Mouse position in client coordinates of the main window; the button that went down or
// up (Left for a move); Modifier bits held.
struct MouseData {
    int32_t x = 0, y = 0;
    MouseButton button = MouseButton::Left;
    uint8_t modifiers = 0;
};

// Notches turned, > 0 away from the user; the mouse position at the time.
struct WheelData {
    int32_t notches = 0;
    int32_t x = 0, y = 0;
    uint8_t modifiers = 0;
};

struct KeyData {
    Key key = Key::None;
    uint8_t modifiers = 0;
};

struct TimerData {
    int32_t id = 0;
};

// One event: its type and the payload that type carries (none for the others).
struct Event {
    using Payload = std::variant<std::monostate, MouseData, WheelData, KeyData, TimerData>;

    Event() = default;
    explicit Event(EventType t, Payload payload = {}) : type(t), data(payload) {}

    EventType type = EventType::Expose;
    Payload data;

    // The payload of the type; asking for another one is a programming error.
    const MouseData& mouse() const { return std::get<MouseData>(data); }
    const WheelData& wheel() const { return std::get<WheelData>(data); }
    const KeyData& key() const { return std::get<KeyData>(data); }
    const TimerData& timer() const { return std::get<TimerData>(data); }
};

inline Event mouseEvent(EventType type, int32_t x, int32_t y,
                        MouseButton button = MouseButton::Left, uint8_t modifiers = 0) {
    return Event{type, MouseData{x, y, button, modifiers}};
}
inline Event wheelEvent(int32_t notches, int32_t x, int32_t y, uint8_t modifiers = 0) {
    return Event{EventType::Wheel, WheelData{notches, x, y, modifiers}};
}
inline Event keyEvent(EventType type, Key key, uint8_t modifiers = 0) {
    return Event{type, KeyData{key, modifiers}};
}
inline Event timerEvent(int32_t id) {
    return Event{EventType::Timer, TimerData{id}};
}

class EventQueue {
  public:
    virtual ~EventQueue() = default;
    // Removes the next waiting event without blocking; false when none waits.
    virtual bool poll(Event& event) = 0;
    // Blocks until an event arrives; false when the backend knows that none can come.
    virtual bool wait(Event& event) = 0;
    virtual void postQuit() = 0;
    virtual void postClose() = 0;
    // Starts (or restarts) a periodic timer; each period one Timer event with that id.
    // Periods that pass while an earlier tick still waits in the queue merge into it.
    virtual void startTimer(int32_t id, uint32_t periodMs) = 0;
    virtual void stopTimer(int32_t id) = 0;
};

// X11 keysym-style names ("Return", "F5", "KP_Add", "a"); Key::None when unknown.
Key keyFromName(std::string_view name);
std::string_view keyName(Key key);

} // namespace velmira::platform
