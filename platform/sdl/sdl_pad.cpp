#include "platform/sdl/sdl_pad.h"

#include <algorithm>
#include <array>

namespace velmira::platform {
namespace {

constexpr uint16_t kLow = 0, kHigh = 65535;

// SDL's axis range -32768..32767 to the engine's 0..65535.
uint16_t position(Sint16 axis) {
    return static_cast<uint16_t>(static_cast<int32_t>(axis) + 32768);
}

// A controller's buttons in the engine's order: bit n of PadState::buttons.
constexpr std::array kControllerButtons = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_GUIDE,
};

// A held direction pad overrides the stick on its axis.
void applyDirections(PadState& state, bool left, bool right, bool up, bool down) {
    if (left != right) state.x = left ? kLow : kHigh;
    if (up != down) state.y = up ? kLow : kHigh;
}

} // namespace

bool SdlPad::read(PadState& state) {
    if (!joystick_ || !SDL_JoystickGetAttached(joystick_)) return false;
    state = PadState{};
    if (controller_)
        readController(state);
    else
        readJoystick(state);
    return true;
}

void SdlPad::readController(PadState& state) const {
    state.x = position(SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_LEFTX));
    state.y = position(SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_LEFTY));
    auto held = [this](SDL_GameControllerButton b) {
        return SDL_GameControllerGetButton(controller_, b) != 0;
    };
    applyDirections(state, held(SDL_CONTROLLER_BUTTON_DPAD_LEFT),
                    held(SDL_CONTROLLER_BUTTON_DPAD_RIGHT), held(SDL_CONTROLLER_BUTTON_DPAD_UP),
                    held(SDL_CONTROLLER_BUTTON_DPAD_DOWN));
    state.buttonCount = static_cast<int32_t>(kControllerButtons.size());
    for (size_t n = 0; n < kControllerButtons.size(); ++n)
        if (held(kControllerButtons[n])) state.buttons |= 1u << n;
}

void SdlPad::readJoystick(PadState& state) const {
    const int axes = SDL_JoystickNumAxes(joystick_);
    if (axes > 0) state.x = position(SDL_JoystickGetAxis(joystick_, 0));
    if (axes > 1) state.y = position(SDL_JoystickGetAxis(joystick_, 1));
    if (SDL_JoystickNumHats(joystick_) > 0) {
        const Uint8 hat = SDL_JoystickGetHat(joystick_, 0);
        applyDirections(state, hat & SDL_HAT_LEFT, hat & SDL_HAT_RIGHT, hat & SDL_HAT_UP,
                        hat & SDL_HAT_DOWN);
    }
    state.buttonCount = std::clamp(SDL_JoystickNumButtons(joystick_), 0, 32);
    for (int b = 0; b < state.buttonCount; ++b)
        if (SDL_JoystickGetButton(joystick_, b)) state.buttons |= 1u << b;
}

bool SdlPad::handleDeviceEvent(const SDL_Event& event) {
    if (event.type == SDL_JOYDEVICEADDED) {
        if (!joystick_) open(event.jdevice.which);
        return true;
    }
    if (event.type == SDL_JOYDEVICEREMOVED) {
        if (joystick_ && event.jdevice.which == id_) {
            close();
            // Another pad that is still plugged in takes over (SDL's list no longer holds
            // the one removed).
            for (int i = 0; i < SDL_NumJoysticks() && !joystick_; ++i)
                open(i);
        }
        return true;
    }
    return false;
}

void SdlPad::open(int deviceIndex) {
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) && SDL_IsGameController(deviceIndex)) {
        controller_ = SDL_GameControllerOpen(deviceIndex);
        joystick_ = controller_ ? SDL_GameControllerGetJoystick(controller_) : nullptr;
    }
    // Without a mapping, or when the mapping cannot be used, the pad is read raw.
    if (!joystick_) {
        if (controller_) SDL_GameControllerClose(controller_);
        controller_ = nullptr;
        joystick_ = SDL_JoystickOpen(deviceIndex);
    }
    id_ = joystick_ ? SDL_JoystickInstanceID(joystick_) : -1;
}

void SdlPad::close() {
    if (controller_)
        SDL_GameControllerClose(controller_); // its joystick goes with it
    else if (joystick_)
        SDL_JoystickClose(joystick_);
    controller_ = nullptr;
    joystick_ = nullptr;
    id_ = -1;
}

} // namespace velmira::platform
