// The notification-area icon on X11: a GTK status icon. It counts as absent (add() fails)
// where the desktop has no tray: the icon is not embedded within half a second. While it is shown,
// the event queue keeps GTK's loop turning, and a left click arrives as a TrayClick event.
#pragma once

#include "platform/tray_icon.h"

typedef struct _GtkStatusIcon GtkStatusIcon;

namespace velmira::platform {

class GtkRuntime;
class SdlEventQueue;

class GtkTrayIcon final : public TrayIcon {
  public:
    GtkTrayIcon(GtkRuntime& gtk, SdlEventQueue& events) : gtk_(gtk), events_(events) {}
    ~GtkTrayIcon() override { remove(); }
    GtkTrayIcon(const GtkTrayIcon&) = delete;
    GtkTrayIcon& operator=(const GtkTrayIcon&) = delete;

    bool add(const IconImage& icon, std::string_view tipUtf8) override;
    void remove() override;
    bool shown() const override { return icon_ != nullptr; }

  private:
    GtkRuntime& gtk_;
    SdlEventQueue& events_;
    GtkStatusIcon* icon_ = nullptr;
};

} // namespace velmira::platform
