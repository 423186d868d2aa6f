// The player's requests as the waiting loops read them: the pending action (1 a click,
// 2 OK/advance, ...), the clicked button's index and the play mode. Every event the pumps
// remove passes here.
//
// FIXME: the accelerator tables, the raw codes of the right and middle buttons, the wheel
// and the pad, the button sets and the popup menu arrive with the input layer; until then
// a left-button press is a click, Return is "OK/advance" and a held Ctrl key skips.
#pragma once

#include <cstdint>

#include "platform/events.h"

namespace velmira {

enum class PlayMode : uint8_t { Normal = 0, Skip = 1, Auto = 2, WindowHidden = 3 };

class InputState {
  public:
    static constexpr int32_t kClick = 1;
    static constexpr int32_t kAdvance = 2;

    void handle(const platform::Event& event);

    int32_t pendingAction() const { return pendingAction_; }
    int32_t pendingIndex() const { return pendingIndex_; }
    void clearPendingAction() {
        pendingAction_ = 0;
        pendingIndex_ = -1;
    }

    // True while Ctrl is held in the active window (which also returns the play mode to
    // normal, so that releasing Ctrl ends skipping) or in skip mode.
    bool isSkipping() const;
    bool isAutoMode() const { return playMode_ == PlayMode::Auto; }
    PlayMode playMode() const { return playMode_; }

  private:
    int32_t pendingAction_ = 0;
    int32_t pendingIndex_ = -1;
    mutable PlayMode playMode_ = PlayMode::Normal;
    bool controlHeld_ = false; // only while the window is active (cleared on deactivation)
};

} // namespace velmira
