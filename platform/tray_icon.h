// The notification-area icon: one icon with a tip, for the boss key that hides the game.
// A left click on it arrives in the event queue as EventType::TrayClick.
#pragma once

#include <string_view>

#include "platform/window.h"

namespace velmira::platform {

class TrayIcon {
  public:
    virtual ~TrayIcon() = default;
    // Shows the icon; false when the desktop has no notification area to hold it now.
    virtual bool add(const IconImage& icon, std::string_view tipUtf8) = 0;
    virtual void remove() = 0;
    virtual bool shown() const = 0;
};

} // namespace velmira::platform
