#include "platform/headless/timeline.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace velmira::platform {
namespace {

// Popup menu items are action codes, 1 to 28.
constexpr int32_t kMaxMenuAnswer = 28;

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

template <typename T> bool number(std::string_view text, T& value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "ctrl+shift+F5" -> key and modifiers.
bool keyWithModifiers(std::string_view text, Key& key, uint8_t& modifiers) {
    modifiers = 0;
    for (;;) {
        if (text.starts_with("ctrl+"))
            modifiers |= kModCtrl, text.remove_prefix(5);
        else if (text.starts_with("shift+"))
            modifiers |= kModShift, text.remove_prefix(6);
        else if (text.starts_with("alt+"))
            modifiers |= kModAlt, text.remove_prefix(4);
        else
            break;
    }
    key = keyFromName(text);
    return key != Key::None;
}

// Parses the event part of one line (after the time) into te; returns an error text.
std::string parseEvent(const std::vector<std::string_view>& w, const std::string& baseFolder,
                       TimelineEvent& te) {
    const std::string_view name = w[1];
    const size_t args = w.size() - 2;
    auto needArgs = [&](size_t n) -> std::string {
        if (args != n)
            return "'" + std::string(name) + "' takes " + std::to_string(n) + " argument" +
                   (n == 1 ? "" : "s");
        return {};
    };
    auto point = [&](int32_t& x, int32_t& y) -> std::string {
        if (std::string e = needArgs(2); !e.empty()) return e;
        if (!number(w[2], x) || !number(w[3], y)) return "bad coordinates";
        return {};
    };
    auto mouse = [&](EventType type, MouseButton button, int32_t x, int32_t y) {
        te.events.push_back(mouseEvent(type, x, y, button));
    };

    int32_t x = 0, y = 0;
    if (name == "move" || name == "down" || name == "up") {
        if (std::string e = point(x, y); !e.empty()) return e;
        const EventType type = name == "move"   ? EventType::MouseMove
                               : name == "down" ? EventType::MouseDown
                                                : EventType::MouseUp;
        if (type != EventType::MouseMove) mouse(EventType::MouseMove, MouseButton::Left, x, y);
        mouse(type, MouseButton::Left, x, y);
    } else if (name == "click" || name == "rclick" || name == "mclick") {
        if (std::string e = point(x, y); !e.empty()) return e;
        const MouseButton b = name == "click"    ? MouseButton::Left
                              : name == "rclick" ? MouseButton::Right
                                                 : MouseButton::Middle;
        mouse(EventType::MouseMove, b, x, y);
        mouse(EventType::MouseDown, b, x, y);
        mouse(EventType::MouseUp, b, x, y);
    } else if (name == "wheel") {
        if (std::string e = needArgs(1); !e.empty()) return e;
        int32_t n = 0;
        if (!number(w[2], n) || n == 0) return "bad wheel amount";
        te.events.push_back(wheelEvent(n, 0, 0));
    } else if (name == "key" || name == "keydown" || name == "keyup") {
        if (std::string e = needArgs(1); !e.empty()) return e;
        Key key;
        uint8_t mods;
        if (!keyWithModifiers(w[2], key, mods)) return "unknown key '" + std::string(w[2]) + "'";
        if (name != "keyup") te.events.push_back(keyEvent(EventType::KeyDown, key, mods));
        if (name != "keydown") te.events.push_back(keyEvent(EventType::KeyUp, key, mods));
    } else if (name == "pad") {
        if (std::string e = needArgs(1); !e.empty()) return e;
        te.kind = TimelineEvent::Kind::PadPlug;
        if (!number(w[2], te.number) || te.number < 0 || te.number > 32) return "bad button count";
    } else if (name == "padbutton") {
        if (std::string e = needArgs(2); !e.empty()) return e;
        int32_t n = 0;
        if (!number(w[2], n) || n < 1 || n > 32) return "bad pad button (1-32)";
        if (w[3] != "down" && w[3] != "up") return "padbutton needs down or up";
        te.kind = TimelineEvent::Kind::PadButton;
        te.number = n - 1;
        te.pressed = w[3] == "down";
    } else if (name == "padaxis") {
        if (std::string e = point(x, y); !e.empty()) return e;
        if (x < -32768 || x > 32767 || y < -32768 || y > 32767)
            return "pad axis out of range (-32768 to 32767)";
        te.kind = TimelineEvent::Kind::PadAxis;
        te.x = x;
        te.y = y;
    } else if (name == "answer") {
        if (std::string e = needArgs(1); !e.empty()) return e;
        if (w[2] != "yes" && w[2] != "no") return "answer needs yes or no";
        te.kind = TimelineEvent::Kind::Answer;
        te.yes = w[2] == "yes";
    } else if (name == "menu") {
        if (std::string e = needArgs(1); !e.empty()) return e;
        te.kind = TimelineEvent::Kind::MenuAnswer;
        if (!number(w[2], te.number) || te.number < 0 || te.number > kMaxMenuAnswer)
            return "bad menu answer (0-" + std::to_string(kMaxMenuAnswer) + ")";
    } else if (name == "shot") {
        if (std::string e = needArgs(1); !e.empty()) return e;
        te.kind = TimelineEvent::Kind::Shot;
        te.path = w[2].starts_with('/') ? std::string(w[2]) : baseFolder + std::string(w[2]);
    } else if (name == "close") {
        if (std::string e = needArgs(0); !e.empty()) return e;
        te.events.push_back(Event{EventType::CloseRequest});
    } else if (name == "trayclick" || name == "restore") {
        if (std::string e = needArgs(0); !e.empty()) return e;
        te.kind =
            name == "trayclick" ? TimelineEvent::Kind::TrayClick : TimelineEvent::Kind::Restore;
    } else {
        return "unknown event '" + std::string(name) + "'";
    }
    return {};
}

} // namespace

bool Timeline::parse(std::string_view text, const std::string& baseFolder, Timeline& out,
                     std::string& error) {
    out.events.clear();
    std::string folder = baseFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    uint32_t last = 0;
    int lineNo = 0;
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        ++lineNo;
        if (const size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::vector<std::string_view> w = words(line);
        if (w.empty()) continue;
        auto fail = [&](const std::string& why) {
            error = "timeline:" + std::to_string(lineNo) + ": " + why;
            return false;
        };
        TimelineEvent te;
        te.line = lineNo;
        if (!number(w[0], te.ms)) return fail("bad time '" + std::string(w[0]) + "'");
        if (te.ms < last) return fail("time goes backwards");
        last = te.ms;
        if (w.size() < 2) return fail("missing event");
        if (std::string why = parseEvent(w, folder, te); !why.empty()) return fail(why);
        out.events.push_back(std::move(te));
    }
    return true;
}

bool Timeline::load(const std::string& path, Timeline& out, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "timeline: " + path + " is a folder, not a timeline file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "timeline: cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
    return parse(text.str(), folder, out, error);
}

} // namespace velmira::platform
