// The headless event queue: events come from the timeline at their virtual time, from
// the engine's own posts and timers, and the close request at --max-ms. Timeline entries
// that are not input (shots, answers, the pad) go to a handler when they fall due.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/events.h"
#include "platform/headless/timeline.h"
#include "platform/headless/virtual_clock.h"

namespace velmira::platform {

class RunLog;

class TimelineEventQueue final : public EventQueue {
  public:
    // Empty polls in a row, with the clock standing still, that let 1 ms pass.
    static constexpr uint32_t kIdlePollsPerMs = 100;

    using Handler = std::function<void(const TimelineEvent&)>;

    // maxMs: a close request is delivered at this virtual time (0: never).
    TimelineEventQueue(VirtualClock& clock, RunLog& log, Timeline timeline, uint32_t maxMs);
    void setHandler(Handler handler) { handler_ = std::move(handler); }

    // An event fires at the first poll at or after its time; kIdlePollsPerMs empty polls
    // in a row let 1 ms pass.
    bool poll(Event& event) override;
    // Jumps the clock to the next timeline entry, timer tick or --max-ms when nothing
    // waits; false when nothing can ever come.
    bool wait(Event& event) override;
    void postQuit() override { push(Event{EventType::Quit}); }
    void postClose() override { push(Event{EventType::CloseRequest}); }
    void startTimer(int32_t id, uint32_t periodMs) override;
    void stopTimer(int32_t id) override;

    // Queues an event behind those waiting (the window's own events, tests).
    void push(const Event& event) { queue_.push_back(event); }

  private:
    void fireDue();
    // Milliseconds from now to the next timeline entry, timer tick or --max-ms; false
    // when none is ahead.
    bool nextDue(uint32_t& inMs) const;

    struct Timer {
        int32_t id;
        uint32_t period;
        uint32_t next;
        bool waiting; // a tick of it is in the queue
    };

    VirtualClock& clock_;
    RunLog& log_;
    Timeline timeline_;
    size_t nextTimeline_ = 0;
    uint32_t maxMs_;
    bool maxFired_ = false;
    Handler handler_;
    uint32_t idlePolls_ = 0;
    uint64_t clockMoves_ = 0;  // the clock's moves() at the last empty poll
    std::vector<Event> queue_; // FIFO, front at queueHead_
    size_t queueHead_ = 0;
    std::vector<Timer> timers_;
    // fireDue() has nothing to do for quietFor_ ms from quietSince_ (until a timer starts
    // or stops).
    bool quiet_ = false;
    uint32_t quietSince_ = 0;
    uint32_t quietFor_ = 0;
};

} // namespace velmira::platform
