// The pumps over the headless platform: when the turn handler runs (the engine writes its
// flag files there), and idling.
#include "app/message_pump.h"

#include <gtest/gtest.h>

#include "window_fixture.h"

namespace velmira {
namespace {

struct Fixture : test::WindowFixture {
    MessagePump pump{platform.events(), platform.clock(), window};
    int turns = 0;

    Fixture() {
        pump.setTurnHandler([this] { ++turns; });
    }
};

TEST(MessagePump, TheTurnHandlerRunsBeforeInputAndWaitsButNotOnEmptyLooks) {
    Fixture f;
    // The step loop looks once per script line: with nothing waiting, no turn.
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(f.pump.pumpMessages());
    EXPECT_EQ(f.turns, 0);
    // The main loop's idle between restarts lets a millisecond pass without a turn.
    const uint32_t before = f.platform.clock().now();
    ASSERT_TRUE(f.pump.idle());
    EXPECT_EQ(f.platform.clock().now(), before + 1);
    EXPECT_EQ(f.turns, 0);

    // Events waiting: one turn for the whole drain, before the first is handled.
    f.platform.events().push(platform::Event{platform::EventType::Expose});
    f.platform.events().push(platform::Event{platform::EventType::Expose});
    ASSERT_TRUE(f.pump.pumpMessages());
    EXPECT_EQ(f.turns, 1);

    // Every turn of a waiting loop, idling or not.
    ASSERT_TRUE(f.pump.pumpAndPollInput(InputContext::Game, IdleSleep::Yes));
    ASSERT_TRUE(f.pump.pumpAndPollInput(InputContext::Game, IdleSleep::No));
    EXPECT_EQ(f.turns, 3);
}

TEST(MessagePump, QuitEndsEveryPumpAndIsSeenOnce) {
    Fixture f;
    f.platform.events().postQuit();
    f.platform.events().push(platform::Event{platform::EventType::Expose});
    EXPECT_FALSE(f.pump.pumpMessages());
    EXPECT_TRUE(f.pump.quitSeen());
    EXPECT_FALSE(f.pump.pumpAndPollInput(InputContext::Game, IdleSleep::Yes));
    EXPECT_FALSE(f.pump.pumpOneMessage());
    EXPECT_FALSE(f.pump.idle());
    platform::Event e;
    EXPECT_TRUE(f.platform.events().poll(e)); // what came after the quit message stays queued
    EXPECT_EQ(e.type, platform::EventType::Expose);
}

} // namespace
} // namespace velmira
