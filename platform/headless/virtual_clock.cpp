#include "platform/headless/virtual_clock.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace velmira::platform {

struct VirtualClock::Worker {
    enum class State { Running, Sleeping, Done };

    explicit Worker(VirtualClock& owner) : clock(owner) {}

    VirtualClock& clock;
    std::thread thread;
    State state = State::Running;
    uint64_t wake = 0;  // while sleeping: the time it wakes at
    uint64_t order = 0; // while sleeping: when it went to sleep, among all sleeps
    std::condition_variable turn;
};

thread_local VirtualClock::Worker* VirtualClock::current_ = nullptr;

class VirtualClock::Handle final : public Thread {
  public:
    explicit Handle(std::shared_ptr<Worker> worker) : worker_(std::move(worker)) {}
    ~Handle() override { join(); }
    void join() override {
        if (!worker_) return;
        worker_->clock.join(worker_);
        worker_.reset();
    }

  private:
    std::shared_ptr<Worker> worker_;
};

VirtualClock::~VirtualClock() = default;

void VirtualClock::moved(uint64_t ms) {
    if (listener_) listener_(ms);
}

void VirtualClock::advance(uint32_t ms) {
    if (current_ && &current_->clock == this) {
        sleepOnWorker(*current_, ms);
        return;
    }
    const uint64_t target = elapsedMs() + ms;
    std::unique_lock lock(mutex_);
    for (;;) {
        Worker* next = nullptr;
        for (const auto& w : workers_) {
            if (w->state != Worker::State::Sleeping || w->wake > target) continue;
            if (!next || w->wake < next->wake || (w->wake == next->wake && w->order < next->order))
                next = w.get();
        }
        if (!next) break;
        if (next->wake > elapsedMs()) {
            total_.store(next->wake, std::memory_order_relaxed);
            // Every worker sleeps: the listener may look at what they share.
            lock.unlock();
            moved(next->wake);
            lock.lock();
        }
        runWorker(*next, lock);
    }
    total_.store(target, std::memory_order_relaxed);
    ++moves_;
    lock.unlock();
    moved(target);
}

void VirtualClock::runWorker(Worker& worker, std::unique_lock<std::mutex>& lock) {
    worker.state = Worker::State::Running;
    worker.turn.notify_one();
    rested_.wait(lock, [&] { return worker.state != Worker::State::Running; });
}

void VirtualClock::sleepOnWorker(Worker& worker, uint32_t ms) {
    std::unique_lock lock(mutex_);
    worker.wake = elapsedMs() + ms;
    worker.order = sleeps_++;
    worker.state = Worker::State::Sleeping;
    rested_.notify_all();
    worker.turn.wait(lock, [&] { return worker.state == Worker::State::Running; });
}

std::unique_ptr<Thread> VirtualClock::startThread(std::function<void()> body) {
    auto worker = std::make_shared<Worker>(*this);
    std::unique_lock lock(mutex_);
    try {
        worker->thread = std::thread([this, w = worker.get(), body = std::move(body)] {
            current_ = w;
            body();
            current_ = nullptr;
            const std::lock_guard done(mutex_);
            w->state = Worker::State::Done;
            rested_.notify_all();
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    workers_.push_back(worker);
    rested_.wait(lock, [&] { return worker->state != Worker::State::Running; });
    return std::make_unique<Handle>(std::move(worker));
}

void VirtualClock::join(const std::shared_ptr<Worker>& worker) {
    std::unique_lock lock(mutex_);
    while (worker->state == Worker::State::Sleeping) {
        // The body only ends at one of its wake-ups: let time run to the next.
        const uint64_t wake = worker->wake;
        const uint64_t now = elapsedMs();
        lock.unlock();
        advance(static_cast<uint32_t>(wake > now ? wake - now : 0));
        lock.lock();
    }
    lock.unlock();
    if (worker->thread.joinable()) worker->thread.join();
    lock.lock();
    std::erase(workers_, worker);
}

size_t VirtualClock::liveThreads() const {
    const std::lock_guard lock(mutex_);
    return workers_.size();
}

} // namespace velmira::platform
