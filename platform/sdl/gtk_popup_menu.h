// The popup menu on X11: a GTK menu popped up over the game window at a point of its
// client area. GTK runs it in a loop of its own; meanwhile the game window keeps
// answering its window manager, and the input it received is dropped afterwards (as for
// a disabled window). Where GTK cannot start, or the window is not on X11, nothing is
// shown and the menu counts as dismissed.
#pragma once

#include <string>
#include <string_view>

#include "platform/popup_menu.h"

namespace velmira::platform {

class GtkRuntime;
class SdlWindow;

class GtkPopupMenu final : public PopupMenu {
  public:
    GtkPopupMenu(GtkRuntime& gtk, SdlWindow& owner) : gtk_(gtk), owner_(owner) {}

    // (x, y): frame pixels, mapped through the window's scale and full-screen border.
    int32_t track(const std::vector<PopupMenuItem>& items, int32_t x, int32_t y) override;

  private:
    GtkRuntime& gtk_;
    SdlWindow& owner_;
};

// An item text's label with its mnemonic as GTK writes it ("&" before the mnemonic
// becomes "_", "&&" a plain "&", a "_" of the text "__"), and the accelerator text after
// the tab.
struct GtkMenuLabel {
    std::string label;
    std::string accelerator;
};
GtkMenuLabel gtkMenuLabel(std::string_view text);

} // namespace velmira::platform
