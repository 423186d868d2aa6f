// The right-click popup menu: a list of items shown at the mouse, one of which the player
// may choose. An optional capability: where the platform cannot show one, it hands out
// none and the menu action does nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmira::platform {

struct PopupMenuItem {
    // 0 marks a separator.
    int32_t id = 0;
    // UTF-8. "&" marks the next character as the mnemonic ("&&" is a plain "&"); a tab
    // separates the accelerator text shown at the right.
    std::string text;
    bool checked = false;
};

class PopupMenu {
  public:
    virtual ~PopupMenu() = default;
    // Shows the items at (x, y) in the window's client coordinates (frame pixels) and
    // returns when the player chose one or dismissed the menu: the chosen id, or 0.
    virtual int32_t track(const std::vector<PopupMenuItem>& items, int32_t x, int32_t y) = 0;
};

} // namespace velmira::platform
