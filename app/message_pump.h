// The three message pumps through which every waiting loop keeps the window alive.
// Once the quit message has been seen, every pump returns false at once, so all nested
// waiting loops unwind.
#pragma once

#include <functional>

#include "app/input_state.h"

#include "platform/platform.h"
#include "script/script_host.h"

namespace velmira {

class MainWindow;
struct UserPreferences;

class MessagePump {
  public:
    // preferences: the input assignments (`buttonActions`) the input state translates
    // through, read at each use. pad: game pad 0, null where the platform has none.
    MessagePump(platform::EventQueue& events, platform::Clock& clock, MainWindow& window,
                const UserPreferences& preferences, platform::Pad* pad = nullptr)
        : events_(events), clock_(clock), window_(window), pad_(pad), input_(preferences) {}

    bool quitSeen() const { return quitSeen_; }
    // What the player asked for; every dispatched event passes through it.
    InputState& input() { return input_; }
    const InputState& input() const { return input_; }

    // Runs before an event is handled, before the pump blocks, and at the start of every
    // turn of a waiting loop (pumpAndPollInput): the engine writes there what must be on
    // the disk before the player acts again (the flag files). A script that runs on without
    // waiting meets it at the next event (the window's 2 s timer at the latest).
    void setTurnHandler(std::function<void()> handler) { turnHandler_ = std::move(handler); }

    // Dispatches every waiting event without blocking. False once quit is seen.
    bool pumpMessages();
    // Blocks for one event and dispatches it. False once quit is seen.
    bool pumpOneMessage();
    // The pump of every interactive wait: idles when asked or when the application is
    // inactive, then drains the queue - each event through the shortcuts of the context
    // first, the others to the window and the input state - and samples mouse and pad
    // into the pending action and the play mode (InputState::poll).
    bool pumpAndPollInput(InputContext context, IdleSleep idle);
    // The pacing half of pumpAndPollInput on its own: sleeps 1 ms, or while the window is
    // minimised blocks until a message arrives (and dispatches it). False once quit is seen.
    // The main loop idles so when the root script starts again.
    bool idle();

  private:
    // Dispatches one event; false when it was the quit message.
    bool dispatch(const platform::Event& event);
    // Dispatches every waiting event without blocking, each first through the shortcuts
    // of the context when one is given. False once quit is seen.
    bool drain(const InputContext* context);
    // Blocks for one event (a turn of its own) and dispatches it.
    bool waitAndDispatch();
    void beginTurn() {
        if (turnHandler_) turnHandler_();
    }

    platform::EventQueue& events_;
    platform::Clock& clock_;
    MainWindow& window_;
    platform::Pad* pad_;
    std::function<void()> turnHandler_;
    InputState input_;
    bool quitSeen_ = false;
};

} // namespace velmira
