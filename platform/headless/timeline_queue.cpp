#include "platform/headless/timeline_queue.h"

#include <algorithm>

#include "platform/headless/run_log.h"

namespace velmira::platform {

TimelineEventQueue::TimelineEventQueue(VirtualClock& clock, RunLog& log, Timeline timeline,
                                       uint32_t maxMs)
    : clock_(clock), log_(log), timeline_(std::move(timeline)), maxMs_(maxMs) {}

void TimelineEventQueue::fireDue() {
    const uint32_t now = clock_.now();
    // The step loop polls once per script line: most polls find that nothing can be due.
    if (quiet_ && elapsed(quietSince_, now) < quietFor_) return;
    // Timeline times and --max-ms count from the start of the run, not modulo 2^32.
    while (nextTimeline_ < timeline_.events.size() && timeline_.events[nextTimeline_].ms <= now) {
        const TimelineEvent& te = timeline_.events[nextTimeline_++];
        if (te.kind == TimelineEvent::Kind::Input)
            queue_.insert(queue_.end(), te.events.begin(), te.events.end());
        else if (handler_)
            handler_(te);
    }
    if (maxMs_ != 0 && !maxFired_ && now >= maxMs_) {
        maxFired_ = true;
        log_.write("--max-ms reached: close request");
        queue_.push_back(Event{EventType::CloseRequest});
    }
    for (Timer& t : timers_) {
        if (!reached(now, t.next)) continue;
        // Like a window-system timer: missed periods, and periods passing while a tick
        // still waits, merge into the one tick.
        if (!t.waiting) {
            queue_.push_back(timerEvent(t.id));
            t.waiting = true;
        }
        t.next += t.period;
        if (reached(now, t.next)) t.next = now + t.period;
    }
    // Nothing changes until the nearest of these; a timer whose tick waits counts too,
    // since its periods go on merging.
    quiet_ = true;
    quietSince_ = now;
    quietFor_ = UINT32_MAX;
    if (nextTimeline_ < timeline_.events.size())
        quietFor_ = std::min(quietFor_, timeline_.events[nextTimeline_].ms - now);
    if (maxMs_ != 0 && !maxFired_) quietFor_ = std::min(quietFor_, maxMs_ - now);
    for (const Timer& t : timers_)
        quietFor_ = std::min(quietFor_, t.next - now);
}

bool TimelineEventQueue::poll(Event& event) {
    fireDue();
    if (queueHead_ == queue_.size()) {
        queue_.clear();
        queueHead_ = 0;
        if (clock_.moves() != clockMoves_) idlePolls_ = 0;
        if (++idlePolls_ >= kIdlePollsPerMs) {
            clock_.advance(1);
            idlePolls_ = 0;
        }
        clockMoves_ = clock_.moves();
        return false;
    }
    event = queue_[queueHead_++];
    if (event.type == EventType::Timer) {
        for (Timer& t : timers_)
            if (t.id == event.timer().id) t.waiting = false;
    }
    return true;
}

bool TimelineEventQueue::nextDue(uint32_t& inMs) const {
    const uint32_t now = clock_.now();
    bool any = false;
    auto consider = [&](uint32_t ahead) {
        if (!any || ahead < inMs) inMs = ahead;
        any = true;
    };
    if (nextTimeline_ < timeline_.events.size()) {
        const uint32_t at = timeline_.events[nextTimeline_].ms;
        consider(at > now ? at - now : 0);
    }
    if (maxMs_ != 0 && !maxFired_) consider(maxMs_ > now ? maxMs_ - now : 0);
    for (const Timer& t : timers_)
        if (!t.waiting) consider(reached(now, t.next) ? 0 : t.next - now);
    return any;
}

bool TimelineEventQueue::wait(Event& event) {
    if (poll(event)) return true;
    uint32_t inMs = 0;
    while (nextDue(inMs)) {
        if (inMs > 0) clock_.advance(inMs);
        if (poll(event)) return true;
    }
    return false; // nothing can ever arrive
}

void TimelineEventQueue::startTimer(int32_t id, uint32_t periodMs) {
    stopTimer(id);
    const uint32_t period = std::max<uint32_t>(periodMs, 1);
    timers_.push_back(Timer{id, period, clock_.now() + period, false});
    quiet_ = false;
}

void TimelineEventQueue::stopTimer(int32_t id) {
    std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
    quiet_ = false;
    // A tick already queued is not reported after its timer stopped.
    const auto tickOf = [id](const Event& e) {
        return e.type == EventType::Timer && e.timer().id == id;
    };
    queue_.erase(std::remove_if(queue_.begin() + static_cast<std::ptrdiff_t>(queueHead_),
                                queue_.end(), tickOf),
                 queue_.end());
}

} // namespace velmira::platform
