// The right-click popup menu of the game: quick save, the play modes, the message window,
// the backlog, save, load, configuration, the two screen modes, back to the title and
// quit. Each item's id is the action it asks for; the chosen one becomes the pending
// action, which the system actions then serve like any shortcut.
#pragma once

#include <vector>

#include "platform/popup_menu.h"

namespace velmira {

class InputState;
class MainWindow;

// The items as the platform shows them (UTF-8): "ウィンドウモード" (27) checked in window
// mode, "フルスクリーンモード" (28) in full screen.
std::vector<platform::PopupMenuItem> popupMenuItems(bool fullScreen);

// Shows the menu at the mouse position input sampled last, with the main window disabled
// while it is open. The chosen action becomes pending; dismissing the menu, or a platform
// without popup menus (menu null), leaves the input as it was.
void showPopupMenu(platform::PopupMenu* menu, MainWindow& window, InputState& input);

} // namespace velmira
