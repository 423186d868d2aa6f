#include "app/message_pump.h"

#include "app/main_window.h"

namespace velmira {

bool MessagePump::dispatch(const platform::Event& event) {
    if (event.type == platform::EventType::Quit) {
        quitSeen_ = true;
        return false;
    }
    window_.handleEvent(event);
    return true;
}

bool MessagePump::pumpMessages() {
    if (quitSeen_) return false;
    platform::Event event;
    while (platform_.events().poll(event))
        if (!dispatch(event)) return false;
    return true;
}

bool MessagePump::pumpOneMessage() {
    if (quitSeen_) return false;
    platform::Event event;
    if (!platform_.events().wait(event)) {
        // Nothing can ever arrive (a headless run without a timeline end): treat it as
        // the end of the program rather than blocking for ever.
        quitSeen_ = true;
        return false;
    }
    return dispatch(event);
}

bool MessagePump::pumpAndPollInput(int inputContext, bool idleSleep) {
    if (quitSeen_) return false;
    if (idleSleep || !window_.active()) {
        if (window_.minimised()) {
            platform::Event event;
            if (!platform_.events().wait(event)) {
                quitSeen_ = true;
                return false;
            }
            if (!dispatch(event)) return false;
        } else {
            platform_.clock().sleep(1);
        }
    }
    // FIXME: the accelerator tables of inputContext and the sampling of mouse, pad and
    // keyboard into the pending action arrive with the input layer.
    (void)inputContext;
    return pumpMessages();
}

} // namespace velmira
