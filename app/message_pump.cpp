#include "app/message_pump.h"

#include "app/main_window.h"

namespace velmira {

bool MessagePump::dispatch(const platform::Event& event) {
    if (event.type == platform::EventType::Quit) {
        quitSeen_ = true;
        return false;
    }
    window_.handleEvent(event);
    input_.handle(event);
    return true;
}

bool MessagePump::pumpMessages() {
    if (quitSeen_) return false;
    return drain(nullptr);
}

bool MessagePump::drain(const InputContext* context) {
    platform::Event event;
    if (!events_.poll(event)) return true; // the common case: one cheap look per script line
    beginTurn();
    do {
        // A shortcut of the context is consumed as an action and goes no further.
        if (context && input_.translateAccelerators(*context, event)) continue;
        if (!dispatch(event)) return false;
    } while (events_.poll(event));
    return true;
}

bool MessagePump::waitAndDispatch() {
    beginTurn();
    platform::Event event;
    if (!events_.wait(event)) {
        // Nothing can ever arrive (a headless run without a timeline end): treat it as
        // the end of the program rather than blocking for ever.
        quitSeen_ = true;
        return false;
    }
    return dispatch(event);
}

bool MessagePump::pumpOneMessage() {
    if (quitSeen_) return false;
    return waitAndDispatch();
}

bool MessagePump::idle() {
    if (quitSeen_) return false;
    if (window_.minimised()) return waitAndDispatch();
    clock_.sleep(1);
    return true;
}

bool MessagePump::pumpAndPollInput(InputContext context, IdleSleep idleSleep) {
    if (quitSeen_) return false;
    beginTurn();
    if ((idleSleep == IdleSleep::Yes || !window_.active()) && !idle()) return false;
    if (!drain(&context)) return false;
    input_.poll(context, window_.active(), pad_);
    return true;
}

} // namespace velmira
