// Pad 0 on SDL: the first pad plugged in serves until it is unplugged, then the next one
// still plugged in. A pad SDL knows a controller mapping for is read through it, so that
// every make gives the same layout: the left stick, or the d-pad while held, is the
// position; the buttons come in a fixed order, A, B, X, Y, left shoulder, right shoulder,
// Back, Start (the eight the engine counts), then the two stick presses and Guide. Any
// other pad is read raw: axes 0 and 1, or its first hat while pushed, and its buttons in
// its own order. SDL reports plugging through its event queue, which hands those events
// to handleDeviceEvent; the state itself is read when the engine asks.
#pragma once

#include <SDL.h>

#include "platform/pad.h"

namespace velmira::platform {

class SdlPad final : public Pad {
  public:
    SdlPad() = default;
    ~SdlPad() override { close(); }
    SdlPad(const SdlPad&) = delete;
    SdlPad& operator=(const SdlPad&) = delete;

    bool read(PadState& state) override;

    // SDL_JOYDEVICEADDED and SDL_JOYDEVICEREMOVED; true when the event was about pads.
    bool handleDeviceEvent(const SDL_Event& event);
    // Closes the pad; call before SDL's joystick subsystem stops.
    void close();

  private:
    // Opens the device at that index; joystick_ stays null when it cannot be opened.
    void open(int deviceIndex);
    void readController(PadState& state) const;
    void readJoystick(PadState& state) const;

    SDL_GameController* controller_ = nullptr; // null for a pad without a mapping
    SDL_Joystick* joystick_ = nullptr;         // the controller's own, or opened raw
    SDL_JoystickID id_ = -1;
};

} // namespace velmira::platform
