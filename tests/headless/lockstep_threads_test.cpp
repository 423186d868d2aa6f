// Threads of a headless run in lockstep with the virtual clock.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"

namespace velmira::platform {
namespace {

// A thread like the music's: while its flag is set it notes the virtual time (and what
// the sound output has taken by then), then sleeps periodMs.
struct Poller {
    HeadlessPlatform& platform;
    uint32_t periodMs;
    std::atomic<bool> running{true};
    std::vector<uint32_t> times = {};
    std::vector<uint64_t> heard = {};

    void body() {
        while (running) {
            times.push_back(platform.clock().now());
            heard.push_back(platform.audioOutput()->framesHeard());
            platform.clock().sleep(periodMs);
        }
    }
};

TEST(LockstepThreads, ASleepingThreadWakesAtEachVirtualPeriod) {
    HeadlessPlatform platform;
    Poller poller{platform, 100};
    auto thread = platform.threads().start([&] { poller.body(); });
    ASSERT_NE(thread, nullptr);
    // start() returned once the thread slept: its first note is there, no time passed.
    EXPECT_EQ(poller.times, std::vector<uint32_t>{0});
    EXPECT_EQ(platform.clock().now(), 0u);

    platform.clock().advance(250);
    platform.clock().advance(99); // 349: short of the next wake-up
    EXPECT_EQ(poller.times, (std::vector<uint32_t>{0, 100, 200, 300}));
    // The sound was taken up to each wake-up before the thread ran.
    EXPECT_EQ(poller.heard, (std::vector<uint64_t>{0, 4410, 8820, 13230}));

    // Stopping it as the engine stops the music: clear the flag, join. The join lets the
    // virtual time run to the thread's wake-up, within one period.
    poller.running = false;
    thread->join();
    EXPECT_EQ(platform.clock().now(), 400u);
    EXPECT_EQ(poller.times.size(), 4u);
    EXPECT_EQ(platform.clock().liveThreads(), 0u);
    thread.reset(); // a second join is harmless
}

TEST(LockstepThreads, ThreadsTakeTurnsInWakeOrder) {
    HeadlessPlatform platform;
    std::vector<std::string> turns;
    auto worker = [&](const std::string& name, uint32_t period, int rounds) {
        return [&, name, period, rounds] {
            for (int i = 0; i < rounds; ++i) {
                turns.push_back(name + "@" + std::to_string(platform.clock().now()));
                platform.clock().sleep(period);
            }
        };
    };
    auto a = platform.threads().start(worker("a", 30, 4));
    auto b = platform.threads().start(worker("b", 45, 3));
    // A thread that never sleeps has ended when start() returns.
    auto c = platform.threads().start([&] { turns.push_back("c"); });
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(turns.back(), "c");
    platform.clock().advance(200);
    // At 90 both wake: b went to sleep (at 45) before a did (at 60), so b goes first.
    EXPECT_EQ(turns, (std::vector<std::string>{"a@0", "b@0", "c", "a@30", "b@45", "a@60", "b@90",
                                               "a@90"}));
    a->join();
    b->join();
    c->join();
    EXPECT_EQ(platform.clock().now(), 200u) << "ended threads cost no time to join";
}

TEST(LockstepThreads, ALongStopOnTheMainThreadStillWakesEveryPeriod) {
    // A timeline wait jumps the clock by a lot at once; the thread still sees every 100 ms.
    HeadlessPlatform platform;
    Poller poller{platform, 100};
    auto thread = platform.threads().start([&] { poller.body(); });
    platform.clock().advance(1000);
    ASSERT_EQ(poller.times.size(), 11u);
    for (size_t i = 0; i < poller.times.size(); ++i)
        EXPECT_EQ(poller.times[i], 100 * i);
    // It is asleep until 1100: joining it runs the clock to that wake-up.
    poller.running = false;
    thread->join();
    EXPECT_EQ(platform.clock().now(), 1100u);
}

} // namespace
} // namespace velmira::platform
