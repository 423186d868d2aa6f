// What the script engine needs from the application above it. The Engine in app/
// implements it; tests use a small host over a virtual clock.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace velmira {

// Input contexts of pumpAndPollInput: which accelerator tables translate keys.
enum class InputContext : uint8_t {
    Game = 0, // a message or timed wait of the script, screen effects
    ChoiceMenu = 1,
    SystemScreen = 2, // backlog, save/load screen, movies, the hidden message window
};

// Whether a pump turn idles (1 ms, or until a message while minimised) before it looks.
enum class IdleSleep : bool { No, Yes };

class ScriptHost {
  public:
    virtual ~ScriptHost() = default;

    // Dispatches every waiting window message without blocking. False once the quit
    // message has been seen: every loop of the script then returns.
    virtual bool pumpMessages() = 0;
    // The pump of every interactive wait: idles when asked or when the window is inactive,
    // dispatches messages through the shortcuts of the input context and samples input
    // into the pending action. False once quitting.
    virtual bool pumpAndPollInput(InputContext context, IdleSleep idle) = 0;
    // A turn with nothing to do (the root script ended and starts again): idles as a pump
    // turn does, so that a script that never waits neither spins the processor nor stops
    // time in a headless run.
    virtual void idle() = 0;
    virtual bool quitSeen() const = 0;
    // Posts the window's close request, so the quit question runs at the next pump.
    virtual void requestClose() = 0;
    // Rebuilds the window title (title setting, chapter name, play time).
    virtual void refreshTitle() = 0;
    virtual platform::Clock& clock() = 0;
};

} // namespace velmira
