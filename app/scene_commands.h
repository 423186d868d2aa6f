// The script commands that show pictures and wait: img, fade, fadein, fadeout, flash,
// shake, wipe, test and the timed wait of `wait`.
#pragma once

#include <cstdint>
#include <functional>

#include "app/message_pump.h"
#include "app/screen.h"
#include "script/command_table.h"
#include "script/message_sink.h"

namespace velmira {

class ScriptRunner;

class SceneCommands {
  public:
    // Ties the screen to the runner: the script's display mode decides how scene changes
    // are shown, and every name a layer is given marks its record flag.
    SceneCommands(Screen& screen, MessagePump& pump, platform::Clock& clock, ScriptRunner& runner);

    void bind(CommandTable& commands);

    // Serves the screen-mode actions (26-28: Alt+Return, window mode, full screen) while a
    // timed wait runs; true when the action was one of them, and the wait then goes on.
    // Unlike the design, where a timed wait either ends on any action (ms < 1) or ignores
    // every action until its time is up (ms >= 1), these three are carried out at once
    // and end neither kind: the player can switch the screen mode during a long wait, and
    // a wait for the player does not take the switch for the player's answer. Without it
    // they end a wait for the player like any other action.
    void setScreenModeActions(std::function<bool(int32_t)> serve) {
        screenModeActions_ = std::move(serve);
    }

    // Shows the scene for ms milliseconds (ms < 1: until the player acts), ending early on
    // quit or skipping. With screen effects off it only shows the current frame, except
    // in the "system" and "demo" display modes. False once quitting.
    bool timedWait(int32_t ms);

    // The `img` line: a layer and its items.
    bool img(const TokenList& arguments);

  private:
    bool fadeOut(const TokenList& arguments);
    bool flash(const TokenList& arguments);
    bool shake(const TokenList& arguments);
    bool wipe(const TokenList& arguments);
    bool test();

    Screen& screen_;
    MessagePump& pump_;
    platform::Clock& clock_;
    ScriptRunner& runner_;
    std::function<bool(int32_t)> screenModeActions_;
};

// How a script display mode shows the scene.
SceneMode sceneModeOf(ScriptMode mode);

} // namespace velmira
