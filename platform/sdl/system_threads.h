// The real program's threads: plain std::threads on the wall clock.
#pragma once

#include <functional>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/threads.h"

namespace velmira::platform {

class SystemThreads final : public Threads {
  public:
    std::unique_ptr<Thread> start(std::function<void()> body) override {
        auto thread = std::make_unique<Joined>();
        try {
            thread->thread = std::thread(std::move(body));
        } catch (const std::system_error&) {
            return nullptr;
        }
        return thread;
    }

  private:
    struct Joined final : Thread {
        ~Joined() override { join(); }
        void join() override {
            if (thread.joinable()) thread.join();
        }
        std::thread thread;
    };
};

} // namespace velmira::platform
