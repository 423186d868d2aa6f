// Timeline files: the input of a headless run.
//
// UTF-8, one entry per line: "<ms> <event> [args]"; "#" starts a comment, blank lines are
// ignored, times never decrease. Events: move X Y, click X Y, down X Y, up X Y,
// rclick X Y, mclick X Y, wheel N, key NAME, keydown NAME, keyup NAME (X11 keysym names,
// with ctrl+ shift+ alt+ prefixes), pad BUTTONS (0 unplugs), padbutton N down|up (N from 1),
// padaxis X Y (-32768 to 32767 each, 0 at rest), answer yes|no (the answer of the next
// question), shot FILE (relative to the timeline's folder), close, trayclick (a left click
// on the notification-area icon), restore (the player restores a minimised or hidden
// window), menu ID (the item the next popup menu answers with, an action code; 0 or none
// queued dismisses it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/events.h"

namespace velmira::platform {

struct TimelineEvent {
    enum class Kind : uint8_t {
        Input,
        Shot,
        Answer,
        PadPlug,
        PadButton,
        PadAxis,
        TrayClick,
        Restore,
        MenuAnswer
    };
    uint32_t ms = 0;
    int line = 0; // 1-based line in the timeline file
    Kind kind = Kind::Input;
    std::vector<Event> events; // Input: what reaches the queue (a click is a press and a release)
    std::string path;          // Shot: where the PNG goes
    bool yes = true;           // Answer
    int32_t number = 0;        // PadPlug: buttons; PadButton: 0-based button; MenuAnswer: id
    bool pressed = false;      // PadButton
    int32_t x = 0, y = 0;      // PadAxis
};

struct Timeline {
    std::vector<TimelineEvent> events;

    // On a malformed line: false, and error names the line ("timeline:3: ...").
    static bool parse(std::string_view text, const std::string& baseFolder, Timeline& out,
                      std::string& error);
    // False with a message when the file cannot be read (a folder is not a timeline).
    static bool load(const std::string& path, Timeline& out, std::string& error);
};

} // namespace velmira::platform
