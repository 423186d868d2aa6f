#include "app/input_state.h"

namespace velmira {

using platform::EventType;
using platform::Key;

namespace {

bool isControl(Key key) {
    return key == Key::ControlLeft || key == Key::ControlRight;
}

} // namespace

void InputState::handle(const platform::Event& event) {
    switch (event.type) {
    case EventType::MouseDown:
        if (event.mouse().button == platform::MouseButton::Left && playMode_ == PlayMode::Normal)
            pendingAction_ = kClick;
        break;
    case EventType::KeyDown:
        if (isControl(event.key().key))
            controlHeld_ = true;
        else if (event.key().key == Key::Return && event.key().modifiers == 0)
            pendingAction_ = kAdvance;
        break;
    case EventType::KeyUp:
        if (isControl(event.key().key)) controlHeld_ = false;
        break;
    case EventType::Deactivate:
        // Keys go to another window now, so a Ctrl held here is no longer this game's:
        // its release would never arrive.
        controlHeld_ = false;
        break;
    default:
        break;
    }
}

bool InputState::isSkipping() const {
    if (controlHeld_) {
        playMode_ = PlayMode::Normal;
        return true;
    }
    return playMode_ == PlayMode::Skip;
}

} // namespace velmira
