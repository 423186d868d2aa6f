// The player's requests as the waiting loops read them. Mouse clicks and wheel turns come
// as events, keys through the accelerator tables of the input context, the game pad is
// polled; all of them become one pending action code (1 click, 2 OK/advance, ... 28 full
// screen). Some inputs are assignable: they first give a raw code (30 right button, 31
// middle button, 32/33 wheel, 34 space, 35 Alt alone, 36-47 F1-F12, 48-55 pad buttons)
// that the player's preference `buttonActions` translates. The play mode (normal, skip,
// auto, window hidden) is kept here too.
#pragma once

#include <cstdint>

#include "platform/events.h"
#include "platform/pad.h"
#include "script/script_host.h"
#include "ui/button_set.h"

namespace velmira {

struct UserPreferences;

enum class PlayMode : uint8_t { Normal = 0, Skip = 1, Auto = 2, WindowHidden = 3 };

// Action codes (the configuration dialog lists them by these numbers).
enum Action : int32_t {
    kActionNone = 0,
    kActionClick = 1,
    kActionOk = 2, // OK / advance the text
    kActionCancel = 3,
    kActionAdvance = 4,
    kActionLeft = 5,
    kActionRight = 6,
    kActionUp = 7,
    kActionDown = 8,
    kActionPageUp = 9,
    kActionPageDown = 10,
    kActionMenu = 11,
    kActionHideWindow = 12,
    kActionQuickLog = 13, // named, but nothing produces or serves it
    kActionBacklog = 14,
    kActionSkipMode = 15,
    kActionAutoMode = 16,
    kActionQuickSave = 17,
    kActionQuickLoad = 18,
    kActionTitle = 19,
    kActionSave = 20,
    kActionLoad = 21,
    kActionConfig = 22,
    kActionNavigation = 23, // named, but nothing produces or serves it
    kActionBossKey = 24,
    kActionQuit = 25,
    kActionToggleScreen = 26,
    kActionWindowMode = 27,
    kActionFullScreen = 28,
    kActionCount = 29,
};

// Raw codes of the assignable inputs.
enum RawCode : int32_t {
    kRawRightButton = 30,
    kRawMiddleButton = 31,
    kRawWheelAway = 32,
    kRawWheelToward = 33,
    kRawSpace = 34,
    kRawAltAlone = 35,
    kRawF1 = 36,   // F1-F12: 36-47
    kRawPad1 = 48, // pad buttons 1-8: 48-55
};

class InputState {
  public:
    explicit InputState(const UserPreferences& preferences) : preferences_(preferences) {}

    // The sets whose buttons take left presses and releases (null: none).
    void setButtonSets(ButtonSets* sets) { buttonSets_ = sets; }

    // Every event the pumps dispatch passes here, after the main window (the input half
    // of the window procedure): the left press (offered to the armed button sets in
    // normal play, else a click) and release (a button's answer), right and middle
    // release, wheel, the Ctrl key, the mouse position, deactivation. True when the event
    // was consumed as input.
    bool handle(const platform::Event& event);
    // A key press that the accelerator tables of the context translate becomes the pending
    // code; true when consumed. Tried for every event the waiting pump removes.
    bool translateAccelerators(InputContext context, const platform::Event& event);
    // The input half of pumpAndPollInput, after the drain: samples the pad (when active and
    // nothing is pending), translates raw codes for the context and applies the play-mode
    // rules (entering a mode keeps the action pending; the first action while a mode is on
    // only ends it).
    void poll(InputContext context, bool active, platform::Pad* pad);
    // One code per press of the pad: 5/6 left/right, 7/8 up/down, raw 48 + n for button n;
    // 0 when nothing new. Latches hold a direction or button until it is released.
    int32_t pollPad(platform::Pad* pad);
    // Rewrites the pending code for the context: raw codes through `buttonActions` (in
    // the system screens first the screens' own meaning), codes of 29 and up to 0.
    void translateRawCode(InputContext context);

    int32_t pendingAction() const { return pendingAction_; }
    int32_t pendingIndex() const { return pendingIndex_; }
    void setPendingAction(int32_t code) { pendingAction_ = code; }
    void clearPendingAction() {
        pendingAction_ = 0;
        pendingIndex_ = -1;
    }

    // True while Ctrl is held in the active window (which also returns the play mode to
    // normal, so that releasing Ctrl ends skipping) or in skip mode.
    bool isSkipping() const;
    bool isNormalMode() const { return playMode_ == PlayMode::Normal; }
    bool isAutoMode() const { return playMode_ == PlayMode::Auto; }
    void setSkipMode() { playMode_ = PlayMode::Skip; }
    void setNormalMode() { playMode_ = PlayMode::Normal; }
    PlayMode playMode() const { return playMode_; }

    // The last sampled mouse position (client coordinates) and left button.
    Point mouse() const { return mouse_; }
    bool leftDown() const { return leftDown_; }

    // After a modal loop (the popup menu) that swallowed the input reaching the window:
    // keys and buttons released meanwhile were never reported, so none counts as held.
    void forgetHeldInput() {
        controlHeld_ = false;
        liveLeftDown_ = leftDown_ = false;
    }

  private:
    const UserPreferences& preferences_;
    ButtonSets* buttonSets_ = nullptr;
    int32_t pendingAction_ = 0;
    int32_t pendingIndex_ = -1;
    mutable PlayMode playMode_ = PlayMode::Normal;
    bool controlHeld_ = false; // only while the window is active (cleared on deactivation)
    // Sampled by poll() while the window is active, from what the events reported.
    Point mouse_;
    bool leftDown_ = false;
    Point liveMouse_;
    bool liveLeftDown_ = false;
    // Pad latches: one per axis, one per button 0-7.
    bool latchX_ = false, latchY_ = false;
    uint8_t buttonLatches_ = 0;
};

} // namespace velmira
