// The headless notification-area icon: a tray is always there. The timeline's "trayclick"
// clicks the icon while it is shown; adding, removing and clicks go to the run log.
#pragma once

#include <string>

#include "platform/tray_icon.h"

namespace velmira::platform {

class RunLog;
class TimelineEventQueue;

class HeadlessTrayIcon final : public TrayIcon {
  public:
    HeadlessTrayIcon(TimelineEventQueue& events, RunLog& log) : events_(events), log_(log) {}

    bool add(const IconImage& icon, std::string_view tipUtf8) override;
    void remove() override;
    bool shown() const override { return shown_; }

    // A left click: a TrayClick event while the icon is shown, nothing otherwise.
    void click();

    const std::string& tip() const { return tip_; }
    const std::string& iconName() const { return iconName_; }

  private:
    TimelineEventQueue& events_;
    RunLog& log_;
    bool shown_ = false;
    std::string tip_, iconName_;
};

} // namespace velmira::platform
