#include "app/input_state.h"

namespace velmira {

using platform::EventType;
using platform::Key;

void InputState::handle(const platform::Event& event) {
    switch (event.type) {
    case EventType::MouseDown:
        if (event.mouse().button == platform::MouseButton::Left && playMode_ == PlayMode::Normal)
            pendingAction_ = kClick;
        break;
    case EventType::KeyDown:
        if (event.key().key == Key::ControlLeft || event.key().key == Key::ControlRight)
            controlHeld_ = true;
        else if (event.key().key == Key::Return && event.key().modifiers == 0)
            pendingAction_ = kAdvance;
        break;
    case EventType::KeyUp:
        if (event.key().key == Key::ControlLeft || event.key().key == Key::ControlRight)
            controlHeld_ = false;
        break;
    case EventType::Activate:
        active_ = true;
        break;
    case EventType::Deactivate:
        // A Ctrl released in another window never reaches this one.
        active_ = false;
        controlHeld_ = false;
        break;
    default:
        break;
    }
}

bool InputState::isSkipping() const {
    if (controlHeld_ && active_) {
        playMode_ = PlayMode::Normal;
        return true;
    }
    return playMode_ == PlayMode::Skip;
}

} // namespace velmira
