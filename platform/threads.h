// Threads of the engine (the music streaming thread). Started and joined through the
// platform so that a headless run can schedule them against its virtual clock: there a
// started thread runs until it sleeps or ends before start() returns, and its sleeps
// (Clock::sleep on that thread) end when the main thread's virtual time reaches them, in
// step with it. Real backends use plain threads and the wall clock.
#pragma once

#include <functional>
#include <memory>

namespace velmira::platform {

class Thread {
  public:
    // Joins the thread if it was not joined yet.
    virtual ~Thread() = default;
    // Waits until the thread's body returned.
    virtual void join() = 0;
};

class Threads {
  public:
    virtual ~Threads() = default;
    // Runs body on a new thread; null when no thread can be started.
    virtual std::unique_ptr<Thread> start(std::function<void()> body) = 0;
};

} // namespace velmira::platform
