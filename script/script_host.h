// What the script engine needs from the application above it. The Engine in app/
// implements it; tests use a small host over a virtual clock.
#pragma once

#include "platform/clock.h"

namespace velmira {

// Input contexts of pumpAndPollInput: which accelerator table translates keys.
enum InputContext : int {
    kInputContextGame = 0,
    kInputContextChoiceMenu = 1,
    kInputContextSystemScreen = 2,
};

class ScriptHost {
  public:
    virtual ~ScriptHost() = default;

    // Dispatches every waiting window message without blocking. False once the quit
    // message has been seen: every loop of the script then returns.
    virtual bool pumpMessages() = 0;
    // The pump of every interactive wait: idles (1 ms when idleSleep is set or the window
    // is inactive, blocks while minimised), dispatches messages through the shortcuts of
    // inputContext and samples input into the pending action. False once quitting.
    virtual bool pumpAndPollInput(int inputContext, bool idleSleep) = 0;
    virtual bool quitSeen() const = 0;
    // Posts the window's close request, so the quit question runs at the next pump.
    virtual void requestClose() = 0;
    // Rebuilds the window title (title setting, chapter name, play time).
    virtual void refreshTitle() = 0;
    virtual platform::Clock& clock() = 0;
};

} // namespace velmira
