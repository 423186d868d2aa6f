#include "platform/events.h"

#include <array>
#include <utility>

namespace velmira::platform {
namespace {

struct NamedKey {
    std::string_view name;
    Key key;
};

constexpr std::array kNamedKeys = {
    NamedKey{"BackSpace", Key::Backspace},
    NamedKey{"Tab", Key::Tab},
    NamedKey{"Return", Key::Return},
    NamedKey{"Escape", Key::Escape},
    NamedKey{"space", Key::Space},
    NamedKey{"Insert", Key::Insert},
    NamedKey{"Delete", Key::Delete},
    NamedKey{"Home", Key::Home},
    NamedKey{"End", Key::End},
    NamedKey{"Prior", Key::PageUp},
    NamedKey{"Next", Key::PageDown},
    NamedKey{"Up", Key::Up},
    NamedKey{"Down", Key::Down},
    NamedKey{"Left", Key::Left},
    NamedKey{"Right", Key::Right},
    NamedKey{"F1", Key::F1},
    NamedKey{"F2", Key::F2},
    NamedKey{"F3", Key::F3},
    NamedKey{"F4", Key::F4},
    NamedKey{"F5", Key::F5},
    NamedKey{"F6", Key::F6},
    NamedKey{"F7", Key::F7},
    NamedKey{"F8", Key::F8},
    NamedKey{"F9", Key::F9},
    NamedKey{"F10", Key::F10},
    NamedKey{"F11", Key::F11},
    NamedKey{"F12", Key::F12},
    NamedKey{"KP_Add", Key::KpAdd},
    NamedKey{"KP_Subtract", Key::KpSubtract},
    NamedKey{"KP_Multiply", Key::KpMultiply},
    NamedKey{"KP_Divide", Key::KpDivide},
    NamedKey{"KP_0", Key::Kp0},
    NamedKey{"KP_1", Key::Kp1},
    NamedKey{"KP_2", Key::Kp2},
    NamedKey{"KP_3", Key::Kp3},
    NamedKey{"KP_4", Key::Kp4},
    NamedKey{"KP_5", Key::Kp5},
    NamedKey{"KP_6", Key::Kp6},
    NamedKey{"KP_7", Key::Kp7},
    NamedKey{"KP_8", Key::Kp8},
    NamedKey{"KP_9", Key::Kp9},
    NamedKey{"Menu", Key::Menu},
    NamedKey{"Control_L", Key::ControlLeft},
    NamedKey{"Control_R", Key::ControlRight},
    NamedKey{"Shift_L", Key::ShiftLeft},
    NamedKey{"Shift_R", Key::ShiftRight},
    NamedKey{"Alt_L", Key::AltLeft},
    NamedKey{"Alt_R", Key::AltRight},
};

} // namespace

Key keyFromName(std::string_view name) {
    for (const NamedKey& k : kNamedKeys)
        if (k.name == name) return k.key;
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<Key>(c);
    }
    return Key::None;
}

std::string_view keyName(Key key) {
    for (const NamedKey& k : kNamedKeys)
        if (k.key == key) return k.name;
    static constexpr std::string_view kSingle = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const auto code = static_cast<uint16_t>(key);
    if (code >= 'A' && code <= 'Z') return kSingle.substr(code - 'A', 1);
    if (code >= '0' && code <= '9') return kSingle.substr(26 + code - '0', 1);
    return {};
}

} // namespace velmira::platform
