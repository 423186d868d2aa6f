// Pad 0 on SDL's joystick layer: the first pad plugged in serves until it is unplugged,
// then the next one plugged in. SDL reports plugging through its event queue, which hands
// those events to handleDeviceEvent; the state itself is read when the engine asks.
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
    void open(int deviceIndex);

    SDL_Joystick* joystick_ = nullptr;
    SDL_JoystickID id_ = -1;
};

} // namespace velmira::platform
