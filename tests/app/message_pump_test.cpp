// The pumps over the headless platform: when the turn handler runs (the engine writes its
// flag files there), idling, and what a waiting pump makes of keys, clicks and the pad.
#include "app/message_pump.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "window_fixture.h"

namespace velmira {
namespace {

struct Fixture : test::WindowFixture {
    MessagePump pump{platform.events(), platform.clock(), window, preferences, platform.pad()};
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

// One waiting turn in the context after the events: the pending action it leaves.
int32_t actionAfter(InputContext context, std::initializer_list<platform::Event> events) {
    Fixture f;
    for (const platform::Event& e : events)
        f.platform.events().push(e);
    EXPECT_TRUE(f.pump.pumpAndPollInput(context, IdleSleep::No));
    return f.pump.input().pendingAction();
}

TEST(MessagePump, WaitingTurnsTranslateInputForTheirContext) {
    using platform::EventType;
    using platform::Key;
    const auto key = [](Key k, uint8_t modifiers = 0) {
        return platform::keyEvent(EventType::KeyDown, k, modifiers);
    };
    const auto up = [](platform::MouseButton b) {
        return platform::mouseEvent(EventType::MouseUp, 1, 1, b);
    };
    struct Case {
        const char* what;
        platform::Event event;
        int32_t game, choice, screen;
    };
    const Case cases[] = {
        {"Enter", key(Key::Return), 2, 2, 2},
        {"Tab", key(Key::Tab), 12, 12, 3},
        {"Alt alone is swallowed", key(Key::AltLeft, platform::kModAlt), 0, 0, 0},
        {"right button", up(platform::MouseButton::Right), 11, 11, 3},
        {"middle button", up(platform::MouseButton::Middle), 22, 22, 3},
        {"wheel away", platform::wheelEvent(1, 1, 1), 14, 14, 9},
        {"wheel toward", platform::wheelEvent(-1, 1, 1), 4, 4, 10},
        {"space", key(Key::Space), 2, 2, 2},
        {"F5 unassigned", key(Key::F5), 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(actionAfter(InputContext::Game, {c.event}), c.game);
        EXPECT_EQ(actionAfter(InputContext::ChoiceMenu, {c.event}), c.choice);
        EXPECT_EQ(actionAfter(InputContext::SystemScreen, {c.event}), c.screen);
    }
}

TEST(MessagePump, ShortcutsGoNoFurtherAndTheMainLoopHasNone) {
    Fixture f;
    ASSERT_TRUE(f.window.create());
    // Alt+Return is the action 26 for the waiting code, not a key the window sees.
    f.platform.events().push(
        platform::keyEvent(platform::EventType::KeyDown, platform::Key::Return, platform::kModAlt));
    ASSERT_TRUE(f.pump.pumpAndPollInput(InputContext::Game, IdleSleep::No));
    EXPECT_EQ(f.pump.input().pendingAction(), kActionToggleScreen);
    EXPECT_FALSE(f.window.fullScreen());
    // The main loop's pump dispatches keys without shortcuts.
    f.pump.input().clearPendingAction();
    f.platform.events().push(platform::keyEvent(platform::EventType::KeyDown, platform::Key::Tab));
    ASSERT_TRUE(f.pump.pumpMessages());
    EXPECT_EQ(f.pump.input().pendingAction(), 0);
}

TEST(MessagePump, ThePadIsPolledWhileNothingElseIsPending) {
    Fixture f;
    f.platform.pad()->plug(4);
    f.platform.pad()->setAxes(-32768, 0);
    f.platform.pad()->setButton(0, true);
    ASSERT_TRUE(f.pump.pumpAndPollInput(InputContext::Game, IdleSleep::No));
    EXPECT_EQ(f.pump.input().pendingAction(), kActionLeft);
    f.pump.input().clearPendingAction();
    // A click pending: the pad waits.
    f.platform.events().push(platform::mouseEvent(platform::EventType::MouseDown, 1, 1));
    ASSERT_TRUE(f.pump.pumpAndPollInput(InputContext::Game, IdleSleep::No));
    EXPECT_EQ(f.pump.input().pendingAction(), kActionClick);
    f.pump.input().clearPendingAction();
    // Button 1 is OK by default.
    ASSERT_TRUE(f.pump.pumpAndPollInput(InputContext::Game, IdleSleep::No));
    EXPECT_EQ(f.pump.input().pendingAction(), kActionOk);
    f.pump.input().clearPendingAction();
    ASSERT_TRUE(f.pump.pumpAndPollInput(InputContext::Game, IdleSleep::No));
    EXPECT_EQ(f.pump.input().pendingAction(), 0) << "held: nothing new";
}

} // namespace
} // namespace velmira
