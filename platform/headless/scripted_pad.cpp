#include "platform/headless/scripted_pad.h"

#include <string>

#include "platform/headless/run_log.h"

namespace velmira::platform {

bool ScriptedPad::read(PadState& state) {
    if (!plugged_) return false;
    state = state_;
    return true;
}

void ScriptedPad::plug(int32_t buttons) {
    plugged_ = buttons > 0;
    state_ = PadState{};
    state_.buttonCount = plugged_ ? buttons : 0;
    log_.write(plugged_ ? "pad plugged, " + std::to_string(buttons) + " buttons"
                        : std::string("pad unplugged"));
}

void ScriptedPad::setButton(int32_t button, bool pressed) {
    if (!plugged_ || button < 0 || button >= state_.buttonCount || button >= 32) return;
    const uint32_t bit = 1u << button;
    state_.buttons = pressed ? (state_.buttons | bit) : (state_.buttons & ~bit);
}

void ScriptedPad::setAxes(int32_t x, int32_t y) {
    state_.x = static_cast<uint16_t>(x + 32768);
    state_.y = static_cast<uint16_t>(y + 32768);
}

} // namespace velmira::platform
