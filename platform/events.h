// The window's event queue: mouse, keys, wheel, window state changes, timers and the
// quit message. Events are delivered on the main thread only.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmira::platform {

// Keys the engine knows by name. Letters and digits use their upper-case ASCII code.
enum class Key : uint16_t {
    None = 0,
    Backspace = 8, Tab = 9, Return = 13, Escape = 27, Space = 32,
    Digit0 = '0', Digit9 = '9', A = 'A', Z = 'Z',
    Insert = 256, Delete, Home, End, PageUp, PageDown, Up, Down, Left, Right,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    KpAdd, KpSubtract, KpMultiply, KpDivide, Kp0, Kp1, Kp2, Kp3, Kp4, Kp5, Kp6, Kp7, Kp8, Kp9,
    Menu, ControlLeft, ControlRight, ShiftLeft, ShiftRight, AltLeft, AltRight,
};

enum Modifier : uint8_t { kModCtrl = 1, kModShift = 2, kModAlt = 4 };

enum class MouseButton : uint8_t { Left, Right, Middle };

enum class EventType : uint8_t {
    MouseMove,
    MouseDown,
    MouseUp,
    Wheel,        // wheel > 0: turned away from the user
    KeyDown,
    KeyUp,
    CloseRequest, // the window's close button (or requestClose)
    Activate,     // the application became the active one
    Deactivate,
    Minimise,
    Restore,
    Expose,       // the window needs repainting
    Timer,        // a timer started with EventQueue::startTimer fired
    Raise,        // another instance asked this one to come to the front
    PadPlugged,   // padButtons = number of buttons (0 = unplugged)
    PadButton,
    PadAxis,
    Quit,         // posted by postQuit: ends every message pump
};

struct Event {
    EventType type = EventType::Expose;
    int32_t x = 0, y = 0;           // client position (mouse), axis position (PadAxis)
    MouseButton button = MouseButton::Left;
    int32_t wheel = 0;
    Key key = Key::None;
    uint8_t modifiers = 0;          // Modifier bits held with a key or mouse event
    int32_t timerId = 0;
    int32_t padButton = 0;          // 0-based button index; padButtons for PadPlugged
    bool pressed = false;           // PadButton
};

class EventQueue {
public:
    virtual ~EventQueue() = default;
    // Removes the next waiting event without blocking; false when none waits.
    virtual bool poll(Event& event) = 0;
    // Blocks until an event arrives (or the backend knows none can come).
    virtual bool wait(Event& event) = 0;
    virtual void postQuit() = 0;
    virtual void postClose() = 0;
    // Starts (or restarts) a periodic timer; each period one Timer event with that id.
    virtual void startTimer(int32_t id, uint32_t periodMs) = 0;
    virtual void stopTimer(int32_t id) = 0;
};

// X11 keysym-style names ("Return", "F5", "KP_Add", "a"); Key::None when unknown.
Key keyFromName(std::string_view name);
std::string_view keyName(Key key);

} // namespace velmira::platform
