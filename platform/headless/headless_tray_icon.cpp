#include "platform/headless/headless_tray_icon.h"

#include "platform/headless/run_log.h"
#include "platform/headless/timeline_queue.h"

namespace velmira::platform {

bool HeadlessTrayIcon::add(const IconImage& icon, std::string_view tipUtf8) {
    shown_ = true;
    tip_ = tipUtf8;
    iconName_ = icon.name;
    log_.write("tray icon " + iconName_ + " added, tip \"" + tip_ + "\"");
    return true;
}

void HeadlessTrayIcon::remove() {
    if (!shown_) return;
    shown_ = false;
    log_.write("tray icon removed");
}

void HeadlessTrayIcon::click() {
    if (!shown_) {
        log_.write("tray click: no icon");
        return;
    }
    log_.write("tray icon clicked");
    events_.push(Event{EventType::TrayClick});
}

} // namespace velmira::platform
