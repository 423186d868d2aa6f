#include "app/accelerators.h"

#include <array>
#include <span>

#include "app/input_state.h"

namespace velmira {
namespace {

using platform::Key;
using platform::kModAlt;
using platform::kModShift;

struct Accelerator {
    Key key = Key::None;
    uint8_t modifiers = 0; // platform::Modifier bits that must be held, no more
    int32_t code = 0;      // an action code (1-28) or a raw code (34 space, 35 Alt, 36-47)
};

// Application key, Alt+Enter, and the assignable keys (raw codes that the preference
// `buttonActions` translates later).
constexpr std::array kGlobal = {
    Accelerator{Key::Menu, 0, kActionMenu},
    Accelerator{Key::Return, kModAlt, kActionToggleScreen},
    Accelerator{Key::Space, 0, kRawSpace},
    Accelerator{Key::AltLeft, 0, kRawAltAlone},
    Accelerator{Key::AltRight, 0, kRawAltAlone},
    Accelerator{Key::F1, 0, kRawF1 + 0},
    Accelerator{Key::F2, 0, kRawF1 + 1},
    Accelerator{Key::F3, 0, kRawF1 + 2},
    Accelerator{Key::F4, 0, kRawF1 + 3},
    Accelerator{Key::F5, 0, kRawF1 + 4},
    Accelerator{Key::F6, 0, kRawF1 + 5},
    Accelerator{Key::F7, 0, kRawF1 + 6},
    Accelerator{Key::F8, 0, kRawF1 + 7},
    Accelerator{Key::F9, 0, kRawF1 + 8},
    Accelerator{Key::F10, 0, kRawF1 + 9},
    Accelerator{Key::F11, 0, kRawF1 + 10},
    Accelerator{Key::F12, 0, kRawF1 + 11},
};

// The script's and the choice menu's shortcuts to the system actions. Numpad + opens the
// configuration although the shortcut list the player reads calls it "auto".
constexpr std::array kGame = {
    Accelerator{Key::Escape, 0, kActionConfig},
    Accelerator{Key::KpAdd, 0, kActionConfig},
    Accelerator{Key::Tab, 0, kActionHideWindow},
    Accelerator{Key::KpSubtract, 0, kActionHideWindow},
    Accelerator{Key::Backspace, 0, kActionBacklog},
    Accelerator{Key::Insert, 0, kActionQuickSave},
    Accelerator{Key::Kp0, 0, kActionQuickSave},
    Accelerator{Key::Delete, 0, kActionQuickLoad},
    Accelerator{Key::Home, 0, kActionSave},
    Accelerator{Key::Kp7, 0, kActionSave},
    Accelerator{Key::End, 0, kActionLoad},
    Accelerator{Key::Kp1, 0, kActionLoad},
    Accelerator{Key::KpMultiply, 0, kActionAutoMode},
    Accelerator{Key::KpDivide, 0, kActionSkipMode},
    Accelerator{Key::Down, kModShift, kActionAutoMode},
    Accelerator{Key::Right, kModShift, kActionSkipMode},
    Accelerator{Key::Home, kModShift, kActionTitle},
};

// A message waiting for the page: advance, the backlog, and left and right.
constexpr std::array kMessage = {
    Accelerator{Key::Return, 0, kActionOk},      Accelerator{Key::Down, 0, kActionOk},
    Accelerator{Key::Kp2, 0, kActionOk},         Accelerator{Key::Up, 0, kActionBacklog},
    Accelerator{Key::PageUp, 0, kActionBacklog}, Accelerator{Key::Kp8, 0, kActionBacklog},
    Accelerator{Key::Kp9, 0, kActionBacklog},    Accelerator{Key::Left, 0, kActionLeft},
    Accelerator{Key::Kp4, 0, kActionLeft},       Accelerator{Key::Right, 0, kActionRight},
    Accelerator{Key::Kp6, 0, kActionRight},
};

// The choice menu: choose, the backlog, and the four arrows that move between choices.
constexpr std::array kChoice = {
    Accelerator{Key::Return, 0, kActionOk},   Accelerator{Key::PageUp, 0, kActionBacklog},
    Accelerator{Key::Kp9, 0, kActionBacklog}, Accelerator{Key::Left, 0, kActionLeft},
    Accelerator{Key::Kp4, 0, kActionLeft},    Accelerator{Key::Right, 0, kActionRight},
    Accelerator{Key::Kp6, 0, kActionRight},   Accelerator{Key::Up, 0, kActionUp},
    Accelerator{Key::Kp8, 0, kActionUp},      Accelerator{Key::Down, 0, kActionDown},
    Accelerator{Key::Kp2, 0, kActionDown},
};

// The system screens (backlog, save/load, a playing movie, the hidden message window).
constexpr std::array kScreen = {
    Accelerator{Key::Return, 0, kActionOk},
    Accelerator{Key::Escape, 0, kActionCancel},
    Accelerator{Key::Backspace, 0, kActionCancel},
    Accelerator{Key::Tab, 0, kActionCancel},
    Accelerator{Key::Left, 0, kActionLeft},
    Accelerator{Key::Kp4, 0, kActionLeft},
    Accelerator{Key::Right, 0, kActionRight},
    Accelerator{Key::Kp6, 0, kActionRight},
    Accelerator{Key::Up, 0, kActionUp},
    Accelerator{Key::Kp8, 0, kActionUp},
    Accelerator{Key::Down, 0, kActionDown},
    Accelerator{Key::Kp2, 0, kActionDown},
    Accelerator{Key::PageUp, 0, kActionPageUp},
    Accelerator{Key::Kp9, 0, kActionPageUp},
    Accelerator{Key::PageDown, 0, kActionPageDown},
    Accelerator{Key::Kp3, 0, kActionPageDown},
};

// The modifier bit a modifier key sets itself (0 for other keys).
uint8_t ownModifier(Key key) {
    switch (key) {
    case Key::ControlLeft:
    case Key::ControlRight:
        return platform::kModCtrl;
    case Key::ShiftLeft:
    case Key::ShiftRight:
        return kModShift;
    case Key::AltLeft:
    case Key::AltRight:
        return kModAlt;
    default:
        return 0;
    }
}

int32_t lookUp(std::span<const Accelerator> table, Key key, uint8_t modifiers) {
    for (const Accelerator& a : table)
        if (a.key == key && a.modifiers == modifiers) return a.code;
    return 0;
}

} // namespace

int32_t translateKey(InputContext context, Key key, uint8_t modifiers) {
    modifiers &= static_cast<uint8_t>(~ownModifier(key));
    if (const int32_t code = lookUp(kGlobal, key, modifiers)) return code;
    switch (context) {
    case InputContext::Game:
        if (const int32_t code = lookUp(kGame, key, modifiers)) return code;
        return lookUp(kMessage, key, modifiers);
    case InputContext::ChoiceMenu:
        if (const int32_t code = lookUp(kGame, key, modifiers)) return code;
        return lookUp(kChoice, key, modifiers);
    case InputContext::SystemScreen:
        return lookUp(kScreen, key, modifiers);
    }
    return 0;
}

} // namespace velmira
