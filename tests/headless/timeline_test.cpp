#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/headless/headless_platform.h"

namespace velmira::platform {
namespace {

Timeline parseOk(std::string_view text) {
    Timeline t;
    std::string error;
    EXPECT_TRUE(Timeline::parse(text, "/base", t, error)) << error;
    return t;
}

TEST(Timeline, EventsBecomeQueueEvents) {
    const Timeline t = parseOk(
        "# a comment line\n"
        "\n"
        "0 move 10 20\n"
        "5 click 1 2   # trailing comment\n"
        "5 rclick 3 4\r\n"
        "6 wheel -2\n"
        "7 key alt+Return\n"
        "8 keydown Control_L\n"
        "9 pad 8\n"
        "9 padbutton 1 down\n"
        "9 padaxis -100 50\n"
        "10 shot out/a.png\n"
        "11 shot /abs.png\n"
        "12 close\n");
    ASSERT_EQ(t.events.size(), 12u);
    EXPECT_EQ(t.events[0].line, 3);
    EXPECT_EQ(t.events[0].events[0].type, EventType::MouseMove);
    EXPECT_EQ(t.events[0].events[0].y, 20);

    const auto& click = t.events[1].events; // move, press, release at the position
    ASSERT_EQ(click.size(), 3u);
    EXPECT_EQ(click[1].type, EventType::MouseDown);
    EXPECT_EQ(click[2].type, EventType::MouseUp);
    EXPECT_EQ(click[2].x, 1);
    EXPECT_EQ(t.events[2].events[1].button, MouseButton::Right);
    EXPECT_EQ(t.events[3].events[0].wheel, -2);

    const auto& key = t.events[4].events;
    ASSERT_EQ(key.size(), 2u);
    EXPECT_EQ(key[0].key, Key::Return);
    EXPECT_EQ(key[0].modifiers, kModAlt);
    EXPECT_EQ(key[1].type, EventType::KeyUp);
    ASSERT_EQ(t.events[5].events.size(), 1u);
    EXPECT_EQ(t.events[5].events[0].key, Key::ControlLeft);

    EXPECT_EQ(t.events[6].events[0].padButton, 8);
    EXPECT_EQ(t.events[7].events[0].padButton, 0);
    EXPECT_TRUE(t.events[7].events[0].pressed);
    EXPECT_EQ(t.events[8].events[0].x, -100);
    EXPECT_EQ(t.events[9].kind, TimelineEvent::Kind::Shot);
    EXPECT_EQ(t.events[9].path, "/base/out/a.png");
    EXPECT_EQ(t.events[10].path, "/abs.png");
    EXPECT_EQ(t.events[11].events[0].type, EventType::CloseRequest);
}

TEST(Timeline, MalformedLinesNameTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"x click 1 2", "timeline:1: bad time 'x'"},
        {"0 close\n\n-1 close", "timeline:3: bad time '-1'"},
        {"5 close\n4 close", "timeline:2: time goes backwards"},
        {"0", "timeline:1: missing event"},
        {"0 jump", "timeline:1: unknown event 'jump'"},
        {"0 click 1", "timeline:1: 'click' takes 2 arguments"},
        {"0 click 1 2 3", "timeline:1: 'click' takes 2 arguments"},
        {"0 move a b", "timeline:1: bad coordinates"},
        {"0 key Return2", "timeline:1: unknown key 'Return2'"},
        {"0 key ctrl+", "timeline:1: unknown key 'ctrl+'"},
        {"0 wheel 0", "timeline:1: bad wheel amount"},
        {"0 padbutton 0 down", "timeline:1: bad pad button (1-32)"},
        {"0 padbutton 1 sideways", "timeline:1: padbutton needs down or up"},
        {"0 close now", "timeline:1: 'close' takes 0 arguments"},
        {"0 shot", "timeline:1: 'shot' takes 1 argument"},
        {"99999999999 close", "timeline:1: bad time '99999999999'"},
    };
    for (const Case& c : cases) {
        Timeline t;
        std::string error;
        EXPECT_FALSE(Timeline::parse(c.text, "/", t, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(HeadlessPlatform, VirtualTimeAdvancesOnlyThroughTheEngine) {
    HeadlessPlatform p;
    ASSERT_TRUE(p.window().create(4, 2));
    Clock& clock = p.clock();
    EXPECT_EQ(clock.now(), 0u);
    clock.sleep(5);
    EXPECT_EQ(clock.now(), 5u);
    const std::vector<uint8_t> frame(4 * 3 * 2, 7);
    p.window().present(frame.data(), 12);
    EXPECT_EQ(clock.now(), 5u + HeadlessPlatform::kFrameMs);
    EXPECT_EQ(p.lastFrame(), frame);

    // A loop that only polls still moves time: 1 ms per kIdlePollsPerMs empty polls.
    Event e;
    const uint32_t before = clock.now();
    for (uint32_t i = 0; i < HeadlessPlatform::kIdlePollsPerMs * 3; ++i) EXPECT_FALSE(p.events().poll(e));
    EXPECT_EQ(clock.now(), before + 3);
}

TEST(HeadlessPlatform, TimelineEventsFireAtTheFirstPollAtOrAfterTheirTime) {
    Timeline t;
    std::string error;
    ASSERT_TRUE(Timeline::parse("100 click 5 6\n100 close\n", "/", t, error));
    HeadlessPlatform p(std::move(t));
    Event e;
    p.clock().sleep(99);
    EXPECT_FALSE(p.events().poll(e));
    p.clock().sleep(50);
    ASSERT_TRUE(p.events().poll(e));
    EXPECT_EQ(e.type, EventType::MouseMove);
    ASSERT_TRUE(p.events().poll(e));
    EXPECT_EQ(e.type, EventType::MouseDown);
    ASSERT_TRUE(p.events().poll(e));
    ASSERT_TRUE(p.events().poll(e));
    EXPECT_EQ(e.type, EventType::CloseRequest);
    EXPECT_FALSE(p.events().poll(e));
}

TEST(HeadlessPlatform, BlockingWaitJumpsToTheNextDueEvent) {
    Timeline t;
    std::string error;
    ASSERT_TRUE(Timeline::parse("700 key space\n", "/", t, error));
    HeadlessPlatform p(std::move(t), 5000);
    p.events().startTimer(0, 2000);
    Event e;
    ASSERT_TRUE(p.events().wait(e));
    EXPECT_EQ(e.type, EventType::KeyDown);
    EXPECT_EQ(p.clock().now(), 700u);
    ASSERT_TRUE(p.events().wait(e)); // the key's release, at once
    ASSERT_TRUE(p.events().wait(e));
    EXPECT_EQ(e.type, EventType::Timer);
    EXPECT_EQ(p.clock().now(), 2000u);
    ASSERT_TRUE(p.events().wait(e));
    EXPECT_EQ(p.clock().now(), 4000u);
    p.events().stopTimer(0);
    ASSERT_TRUE(p.events().wait(e)); // --max-ms closes the run
    EXPECT_EQ(e.type, EventType::CloseRequest);
    EXPECT_EQ(p.clock().now(), 5000u);
    EXPECT_FALSE(p.events().wait(e)); // nothing can come any more
}

TEST(HeadlessPlatform, MissedTimerPeriodsCoalesce) {
    HeadlessPlatform p;
    p.events().startTimer(3, 10);
    p.clock().sleep(55);
    Event e;
    ASSERT_TRUE(p.events().poll(e));
    EXPECT_EQ(e.timerId, 3);
    EXPECT_FALSE(p.events().poll(e));
    p.clock().sleep(10);
    EXPECT_TRUE(p.events().poll(e));
}

TEST(HeadlessPlatform, ShotWritesTheLastPresentedFrame) {
    const std::string dir = testing::TempDir() + "velmira-shot/";
    std::filesystem::create_directories(dir);
    Timeline t;
    std::string error;
    ASSERT_TRUE(Timeline::parse("10 shot a.png\n10 shot missing-dir/b.png\n", dir, t, error));
    HeadlessPlatform p(std::move(t));
    ASSERT_TRUE(p.window().create(3, 2));
    const std::vector<uint8_t> frame(3 * 3 * 2, 0x80);
    p.window().present(frame.data(), 9);
    Event e;
    p.events().poll(e);
    std::ifstream png(dir + "a.png", std::ios::binary);
    char signature[8] = {};
    png.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    ASSERT_EQ(p.failedShots().size(), 1u);
    EXPECT_EQ(p.failedShots()[0], dir + "missing-dir/b.png");
    std::filesystem::remove_all(dir);
}

TEST(HeadlessPlatform, QuestionsAreAnsweredYes) {
    HeadlessPlatform p;
    EXPECT_TRUE(p.dialogs().askYesNo("caption", "text"));
    ASSERT_EQ(p.questions().size(), 1u);
    EXPECT_EQ(p.questions()[0].text, "text");
}

} // namespace
} // namespace velmira::platform
