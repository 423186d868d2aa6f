// The headless clock: virtual milliseconds from 0 that move only when the engine's own
// calls on the main thread move them (see HeadlessPlatform), never with the wall clock.
//
// Threads in lockstep: a thread started through startThread (the platform's Threads)
// runs only while every other thread of the run waits, so a headless run stays one
// sequence of events however many threads it has:
//   - startThread returns when the new thread sleeps or ends;
//   - a sleep on such a thread waits until the main thread's time reaches its wake time,
//     and the thread then sees exactly that time;
//   - when the main thread advances the clock past wake times, it stops at each in order
//     (equal times in the order the threads went to sleep), tells the time listener (the
//     audio output renders up to that instant), wakes the thread and waits until it
//     sleeps again or ends, then goes on;
//   - join lets the virtual time run to the thread's next wake-ups until its body
//     returns, as a real join waits for a sleeping thread: stopping a thread that sleeps
//     100 ms costs at most 100 virtual ms, exactly as much every run.
// Only the main thread (any thread that was not started here) moves the clock; on a
// lockstep thread advance() is a sleep. The clock must outlive the threads it started.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/threads.h"

namespace velmira::platform {

class VirtualClock final : public Clock {
  public:
    // Told on the main thread, with the milliseconds since the start of the run, each
    // time the clock moved: at every wake time on the way and at the end of an advance.
    using TimeListener = std::function<void(uint64_t ms)>;

    VirtualClock() = default;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;
    ~VirtualClock() override;

    uint32_t now() override { return static_cast<uint32_t>(elapsedMs()); }
    // The main thread advances by ms; a lockstep thread waits for the main thread's time.
    void sleep(uint32_t ms) override { advance(ms); }

    void advance(uint32_t ms);
    // Counts every advance of the main thread, so that others can tell whether time
    // moved since they looked.
    uint64_t moves() const { return moves_; }
    // Milliseconds since the start of the run, without the wrap-around of now().
    uint64_t elapsedMs() const { return total_.load(std::memory_order_relaxed); }

    void setTimeListener(TimeListener listener) { listener_ = std::move(listener); }

    // Runs body on a thread of its own in lockstep; returns when it first sleeps or
    // ends. Null when no thread can be started.
    std::unique_ptr<Thread> startThread(std::function<void()> body);
    // Lockstep threads started and not joined yet.
    size_t liveThreads() const;

  private:
    struct Worker;
    class Handle;

    void sleepOnWorker(Worker& worker, uint32_t ms);
    // Hands the turn to a worker and waits until it sleeps or ends (mutex_ held).
    void runWorker(Worker& worker, std::unique_lock<std::mutex>& lock);
    void join(const std::shared_ptr<Worker>& worker);
    void moved(uint64_t ms);

    // The lockstep thread the caller runs on; null on the main thread.
    static thread_local Worker* current_;

    std::atomic<uint64_t> total_{0};
    uint64_t moves_ = 0;
    TimeListener listener_;

    mutable std::mutex mutex_;
    std::condition_variable rested_; // a worker went to sleep or ended
    std::vector<std::shared_ptr<Worker>> workers_;
    uint64_t sleeps_ = 0; // orders the sleepers that share a wake time
};

// The headless platform's threads: lockstep threads of its virtual clock.
class LockstepThreads final : public Threads {
  public:
    explicit LockstepThreads(VirtualClock& clock) : clock_(clock) {}
    std::unique_ptr<Thread> start(std::function<void()> body) override {
        return clock_.startThread(std::move(body));
    }

  private:
    VirtualClock& clock_;
};

} // namespace velmira::platform
