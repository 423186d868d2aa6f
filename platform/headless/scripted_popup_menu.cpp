#include "platform/headless/scripted_popup_menu.h"

#include <algorithm>

#include "platform/headless/run_log.h"

namespace velmira::platform {

int32_t ScriptedPopupMenu::track(const std::vector<PopupMenuItem>& items, int32_t x, int32_t y) {
    int32_t answer = 0;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    const auto chosen = std::find_if(items.begin(), items.end(), [&](const PopupMenuItem& item) {
        return item.id != 0 && item.id == answer;
    });
    const bool offered = chosen != items.end();

    // "popup menu at 120,80: 17 クイックセーブ(&Q) | - | ... | 27 ウィンドウモード(&W) [x] | ...;
    // chose 20" - each item without its key text, "-" for a separator.
    std::string line = "popup menu at " + std::to_string(x) + "," + std::to_string(y) + ":";
    for (size_t i = 0; i < items.size(); ++i) {
        const PopupMenuItem& item = items[i];
        line += i == 0 ? " " : " | ";
        if (item.id == 0) {
            line += "-";
            continue;
        }
        line += std::to_string(item.id) + " " + item.text.substr(0, item.text.find('\t'));
        if (item.checked) line += " [x]";
    }
    if (offered)
        line += "; chose " + std::to_string(answer);
    else if (answer != 0)
        line += "; dismissed (" + std::to_string(answer) + " is no item)";
    else
        line += "; dismissed";
    log_.write(line);

    shown_.push_back(Shown{items, x, y, offered ? answer : 0});
    return offered ? answer : 0;
}

} // namespace velmira::platform
