// Parses the input as a timeline file and plays what it parsed into the headless backend:
// times never go backwards, an error names a line, and every entry can be delivered
// (shots go to a folder that does not exist, so nothing is written; a popup menu takes
// the menu answers after each event).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "platform/headless/timeline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmira::platform;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    HeadlessOptions options;
    std::string error;
    if (!Timeline::parse(text, "/nonexistent-velmira-fuzz/", options.timeline, error)) {
        if (!error.starts_with("timeline:")) std::abort();
        return 0;
    }
    uint32_t last = 0;
    for (const TimelineEvent& e : options.timeline.events) {
        if (e.ms < last || e.line < 1) std::abort();
        last = e.ms;
    }
    options.maxMs = last + 1;
    HeadlessPlatform platform(std::move(options));
    if (!platform.window().create(8, 8)) std::abort();
    Event event;
    PadState pad;
    const std::vector<PopupMenuItem> menu = {{20, "Save\tHOME", false}, {0, "", false}};
    while (platform.events().wait(event)) {
        if (event.type == EventType::CloseRequest && platform.clock().now() > last) break;
        platform.pad()->read(pad);
        // Takes the menu answers that fell due; a real menu can only give its own items.
        const int32_t chosen = platform.popupMenu()->track(menu, 1, 2);
        if (chosen != 0 && chosen != 20) std::abort();
    }
    return 0;
}
