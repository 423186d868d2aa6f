#include "platform/sdl/sdl_pad.h"

#include <algorithm>

namespace velmira::platform {
namespace {

// SDL's axis range -32768..32767 to the engine's 0..65535.
uint16_t position(Sint16 axis) {
    return static_cast<uint16_t>(static_cast<int32_t>(axis) + 32768);
}

} // namespace

bool SdlPad::read(PadState& state) {
    if (!joystick_ || !SDL_JoystickGetAttached(joystick_)) return false;
    state = PadState{};
    state.x = position(SDL_JoystickGetAxis(joystick_, 0));
    state.y = position(SDL_JoystickNumAxes(joystick_) > 1 ? SDL_JoystickGetAxis(joystick_, 1) : 0);
    state.buttonCount = std::max(0, SDL_JoystickNumButtons(joystick_));
    for (int b = 0; b < std::min(state.buttonCount, 32); ++b)
        if (SDL_JoystickGetButton(joystick_, b)) state.buttons |= 1u << b;
    return true;
}

bool SdlPad::handleDeviceEvent(const SDL_Event& event) {
    if (event.type == SDL_JOYDEVICEADDED) {
        if (!joystick_) open(event.jdevice.which);
        return true;
    }
    if (event.type == SDL_JOYDEVICEREMOVED) {
        if (joystick_ && event.jdevice.which == id_) {
            close();
            // Another pad that is still plugged in takes over.
            if (SDL_NumJoysticks() > 0) open(0);
        }
        return true;
    }
    return false;
}

void SdlPad::open(int deviceIndex) {
    joystick_ = SDL_JoystickOpen(deviceIndex);
    id_ = joystick_ ? SDL_JoystickInstanceID(joystick_) : -1;
}

void SdlPad::close() {
    if (joystick_) SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
    id_ = -1;
}

} // namespace velmira::platform
