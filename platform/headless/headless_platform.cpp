#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstring>

#include "platform/headless/png_writer.h"

namespace velmira::platform {

HeadlessPlatform::HeadlessPlatform(Timeline timeline, uint32_t maxMs)
    : timeline_(std::move(timeline)), maxMs_(maxMs) {}

void HeadlessPlatform::advance(uint32_t ms) {
    now_ += ms;
    idlePolls_ = 0;
}

void HeadlessPlatform::fireDue() {
    while (nextTimeline_ < timeline_.events.size() && timeline_.events[nextTimeline_].ms <= now_) {
        const TimelineEvent& te = timeline_.events[nextTimeline_++];
        if (te.kind == TimelineEvent::Kind::Shot) {
            const bool ok = !frame_.empty() &&
                            writeBgr24Png(te.path, width_, height_, frame_.data(), width_ * 3);
            if (!ok) failedShots_.push_back(te.path);
        } else {
            queue_.insert(queue_.end(), te.events.begin(), te.events.end());
        }
    }
    if (maxMs_ != 0 && !maxFired_ && now_ >= maxMs_) {
        maxFired_ = true;
        queue_.push_back(Event{.type = EventType::CloseRequest});
    }
    for (Timer& t : timers_) {
        if (now_ >= t.next) {
            // Like a window-system timer, missed periods coalesce into one event.
            queue_.push_back(Event{.type = EventType::Timer, .timerId = t.id});
            t.next += t.period;
            if (t.next <= now_) t.next = now_ + t.period;
        }
    }
}

bool HeadlessPlatform::poll(Event& event) {
    fireDue();
    if (queueHead_ == queue_.size()) {
        queue_.clear();
        queueHead_ = 0;
        if (++idlePolls_ >= kIdlePollsPerMs) advance(1);
        return false;
    }
    event = queue_[queueHead_++];
    return true;
}

bool HeadlessPlatform::nextDue(uint32_t& when) const {
    bool any = false;
    auto consider = [&](uint32_t t) {
        if (!any || t < when) when = t;
        any = true;
    };
    if (nextTimeline_ < timeline_.events.size()) consider(timeline_.events[nextTimeline_].ms);
    if (maxMs_ != 0 && !maxFired_) consider(maxMs_);
    for (const Timer& t : timers_) consider(t.next);
    return any;
}

bool HeadlessPlatform::wait(Event& event) {
    if (poll(event)) return true;
    uint32_t when = 0;
    while (nextDue(when)) {
        if (when > now_) advance(when - now_);
        if (poll(event)) return true;
    }
    return false; // nothing can ever arrive
}

void HeadlessPlatform::postQuit() { queue_.push_back(Event{.type = EventType::Quit}); }
void HeadlessPlatform::postClose() { queue_.push_back(Event{.type = EventType::CloseRequest}); }

void HeadlessPlatform::startTimer(int32_t id, uint32_t periodMs) {
    stopTimer(id);
    const uint32_t period = std::max<uint32_t>(periodMs, 1);
    timers_.push_back(Timer{id, period, now_ + period});
}

void HeadlessPlatform::stopTimer(int32_t id) {
    std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

bool HeadlessPlatform::create(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    width_ = width;
    height_ = height;
    frame_.assign(static_cast<size_t>(width) * height * 3, 0);
    exists_ = true;
    return true;
}

void HeadlessPlatform::show() {
    if (!exists_) return;
    shown_ = true;
    queue_.push_back(Event{.type = EventType::Activate});
    queue_.push_back(Event{.type = EventType::Expose});
}

void HeadlessPlatform::destroy() {
    exists_ = false;
    shown_ = false;
    timers_.clear();
}

void HeadlessPlatform::present(const uint8_t* bgr, int32_t stride) {
    if (!exists_ || bgr == nullptr) return;
    const size_t row = static_cast<size_t>(width_) * 3;
    for (int32_t y = 0; y < height_; ++y)
        std::memcpy(frame_.data() + row * y, bgr + static_cast<size_t>(stride) * y, row);
    ++framesPresented_;
    advance(kFrameMs);
}

bool HeadlessPlatform::askYesNo(std::string_view caption, std::string_view text) {
    questions_.push_back(Question{std::string(caption), std::string(text)});
    return true;
}

} // namespace velmira::platform
