// The headless popup menu: it answers at once with the item the timeline queued for it
// ("menu 20"), and is dismissed when none is queued, or when the queued id is no item of
// the menu shown (a real menu offers nothing else). Every menu shown, with its answer,
// goes to the run log and stays for tests.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/popup_menu.h"

namespace velmira::platform {

class RunLog;

class ScriptedPopupMenu final : public PopupMenu {
  public:
    explicit ScriptedPopupMenu(RunLog& log) : log_(log) {}

    int32_t track(const std::vector<PopupMenuItem>& items, int32_t x, int32_t y) override;
    // The answer of the next menu not answered yet; 0 dismisses it.
    void queueAnswer(int32_t id) { answers_.push_back(id); }

    struct Shown {
        std::vector<PopupMenuItem> items;
        int32_t x = 0, y = 0;
        int32_t answer = 0; // 0: dismissed
    };
    const std::vector<Shown>& shown() const { return shown_; }

  private:
    RunLog& log_;
    std::deque<int32_t> answers_;
    std::vector<Shown> shown_;
};

} // namespace velmira::platform
