#include "app/input_state.h"

#include "app/accelerators.h"
#include "resource/preferences.h"

namespace velmira {

using platform::EventType;
using platform::Key;
using platform::MouseButton;

namespace {

bool isControl(Key key) {
    return key == Key::ControlLeft || key == Key::ControlRight;
}

// Pad stick zones: below kPadLow is left (up), kPadHigh and above is right (down), the
// centre zone between them releases the axis latch.
constexpr int32_t kPadLow = 8192;
constexpr int32_t kPadHigh = 57345;
constexpr int32_t kPadLatchedButtons = 8;

} // namespace

bool InputState::handle(const platform::Event& event) {
    switch (event.type) {
    case EventType::MouseMove:
        liveMouse_ = {event.mouse().x, event.mouse().y};
        return false;
    case EventType::MouseDown: {
        const platform::MouseData& m = event.mouse();
        liveMouse_ = {m.x, m.y};
        if (m.button != MouseButton::Left) return false;
        liveLeftDown_ = true;
        // Buttons take presses only in normal play; a click in another mode ends it.
        if (playMode_ == PlayMode::Normal && buttonSets_ &&
            buttonSets_->press(liveMouse_) != ButtonSets::Source::None)
            return true;
        if (buttonSets_) buttonSets_->cancelPress();
        pendingAction_ = kActionClick;
        return true;
    }
    case EventType::MouseUp: {
        const platform::MouseData& m = event.mouse();
        liveMouse_ = {m.x, m.y};
        switch (m.button) {
        case MouseButton::Left: {
            liveLeftDown_ = false;
            if (!buttonSets_) return false;
            const ButtonSets::Released r = buttonSets_->release(liveMouse_);
            if (r.source == ButtonSets::Source::None) return false;
            if (r.source == ButtonSets::Source::Box) {
                pendingAction_ = r.id;
            } else {
                pendingIndex_ = r.id;
                pendingAction_ = kActionOk;
            }
            return true;
        }
        case MouseButton::Right:
            pendingAction_ = kRawRightButton;
            return true;
        case MouseButton::Middle:
            pendingAction_ = kRawMiddleButton;
            return true;
        }
        return false;
    }
    case EventType::Wheel:
        pendingAction_ = event.wheel().notches > 0 ? kRawWheelAway : kRawWheelToward;
        return true;
    case EventType::KeyDown:
        if (isControl(event.key().key)) controlHeld_ = true;
        return false;
    case EventType::KeyUp:
        if (isControl(event.key().key)) controlHeld_ = false;
        return false;
    case EventType::Deactivate:
        // Keys and buttons go to another window now: a Ctrl or left button held here is
        // no longer this game's, and its release would never arrive.
        controlHeld_ = false;
        liveLeftDown_ = false;
        return false;
    default:
        return false;
    }
}

bool InputState::translateAccelerators(InputContext context, const platform::Event& event) {
    if (event.type != EventType::KeyDown) return false;
    const int32_t code = translateKey(context, event.key().key, event.key().modifiers);
    if (code == 0) return false;
    pendingAction_ = code;
    return true;
}

void InputState::poll(InputContext context, bool active, platform::Pad* pad) {
    if (active) {
        mouse_ = liveMouse_;
        leftDown_ = liveLeftDown_;
        if (pendingAction_ == 0) pendingAction_ = pollPad(pad);
    }
    translateRawCode(context);
    if (context != InputContext::Game) playMode_ = PlayMode::Normal;
    switch (pendingAction_) {
    case kActionHideWindow:
        playMode_ = PlayMode::WindowHidden;
        break;
    case kActionSkipMode:
        playMode_ = PlayMode::Skip;
        break;
    case kActionAutoMode:
        playMode_ = PlayMode::Auto;
        break;
    default:
        // The first input after a mode was entered only ends that mode.
        if (playMode_ != PlayMode::Normal && pendingAction_ != 0) {
            playMode_ = PlayMode::Normal;
            pendingAction_ = 0;
        }
        break;
    }
}

int32_t InputState::pollPad(platform::Pad* pad) {
    platform::PadState state;
    if (!pad || !pad->read(state)) return 0;
    const int32_t x = state.x, y = state.y;
    if (x >= kPadLow && x < kPadHigh) latchX_ = false;
    if (y >= kPadLow && y < kPadHigh) latchY_ = false;
    buttonLatches_ &= static_cast<uint8_t>(state.buttons);
    if (!latchX_) {
        if (x < kPadLow) {
            latchX_ = true;
            return kActionLeft;
        }
        if (x >= kPadHigh) {
            latchX_ = true;
            return kActionRight;
        }
    }
    if (!latchY_) {
        if (y < kPadLow) {
            latchY_ = true;
            return kActionUp;
        }
        if (y >= kPadHigh) {
            latchY_ = true;
            return kActionDown;
        }
    }
    for (int32_t b = 0; b < kPadLatchedButtons; ++b) {
        const auto bit = static_cast<uint8_t>(1u << b);
        if ((state.buttons & bit) && !(buttonLatches_ & bit)) {
            buttonLatches_ |= bit;
            return kRawPad1 + b;
        }
    }
    return 0;
}

void InputState::translateRawCode(InputContext context) {
    int32_t code = pendingAction_;
    // The system screens give the mouse's own inputs their fixed meaning.
    if (context == InputContext::SystemScreen) {
        switch (code) {
        case kRawRightButton:
        case kRawMiddleButton:
            code = kActionCancel;
            break;
        case kRawWheelAway:
            code = kActionPageUp;
            break;
        case kRawWheelToward:
            code = kActionPageDown;
            break;
        case kRawSpace:
            code = kActionOk;
            break;
        default:
            break;
        }
    }
    const auto& actions = preferences_.buttonActions;
    if (code >= kRawRightButton && code <= kRawSpace)
        code = actions[static_cast<size_t>(kInputRightButton + (code - kRawRightButton))];
    else if (code >= kRawF1 && code < kRawF1 + 12)
        code = actions[static_cast<size_t>(kInputF1 + (code - kRawF1))];
    else if (code >= kRawPad1 && code < kRawPad1 + 8)
        code = actions[static_cast<size_t>(kInputPad1 + (code - kRawPad1))];
    // Alt alone (35) and any code the preference file holds beyond the actions: nothing.
    if (code >= kActionCount || code < 0) code = 0;
    pendingAction_ = code;
}

bool InputState::isSkipping() const {
    if (controlHeld_) {
        playMode_ = PlayMode::Normal;
        return true;
    }
    return playMode_ == PlayMode::Skip;
}

} // namespace velmira
