// The three message pumps through which every waiting loop keeps the window alive.
// Once the quit message has been seen, every pump returns false at once, so all nested
// waiting loops unwind.
#pragma once

#include "platform/platform.h"

namespace velmira {

class MainWindow;

class MessagePump {
public:
    MessagePump(platform::Platform& platform, MainWindow& window)
        : platform_(platform), window_(window) {}

    bool quitSeen() const { return quitSeen_; }

    // Dispatches every waiting event without blocking. False once quit is seen.
    bool pumpMessages();
    // Blocks for one event and dispatches it. False once quit is seen.
    bool pumpOneMessage();
    // The pump of every interactive wait: idles (1 ms, or blocks while minimised) when
    // asked or when the application is inactive, then drains the queue.
    bool pumpAndPollInput(int inputContext, bool idleSleep);

private:
    // Dispatches one event; false when it was the quit message.
    bool dispatch(const platform::Event& event);

    platform::Platform& platform_;
    MainWindow& window_;
    bool quitSeen_ = false;
};

} // namespace velmira
