#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/headless/headless_platform.h"
#include "platform/headless/timeline.h"
#include "resource/temp_dir.h"

namespace velmira::platform {
namespace {

Timeline parseOk(std::string_view text) {
    Timeline t;
    std::string error;
    EXPECT_TRUE(Timeline::parse(text, "/base", t, error)) << error;
    return t;
}

TEST(Timeline, EventsBecomeQueueEvents) {
    const Timeline t = parseOk("# a comment line\n"
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
                               "12 close\n"
                               "13 answer no\n"
                               "14 menu 20\n");
    ASSERT_EQ(t.events.size(), 14u);
    EXPECT_EQ(t.events[0].line, 3);
    EXPECT_EQ(t.events[0].events[0].type, EventType::MouseMove);
    EXPECT_EQ(t.events[0].events[0].mouse().y, 20);

    const auto& click = t.events[1].events; // move, press, release at the position
    ASSERT_EQ(click.size(), 3u);
    EXPECT_EQ(click[1].type, EventType::MouseDown);
    EXPECT_EQ(click[2].type, EventType::MouseUp);
    EXPECT_EQ(click[2].mouse().x, 1);
    EXPECT_EQ(t.events[2].events[1].mouse().button, MouseButton::Right);
    EXPECT_EQ(t.events[3].events[0].wheel().notches, -2);

    const auto& key = t.events[4].events;
    ASSERT_EQ(key.size(), 2u);
    EXPECT_EQ(key[0].key().key, Key::Return);
    EXPECT_EQ(key[0].key().modifiers, kModAlt);
    EXPECT_EQ(key[1].type, EventType::KeyUp);
    ASSERT_EQ(t.events[5].events.size(), 1u);
    EXPECT_EQ(t.events[5].events[0].key().key, Key::ControlLeft);

    EXPECT_EQ(t.events[6].kind, TimelineEvent::Kind::PadPlug);
    EXPECT_EQ(t.events[6].number, 8);
    EXPECT_EQ(t.events[7].number, 0);
    EXPECT_TRUE(t.events[7].pressed);
    EXPECT_EQ(t.events[8].x, -100);
    EXPECT_EQ(t.events[9].kind, TimelineEvent::Kind::Shot);
    EXPECT_EQ(t.events[9].path, "/base/out/a.png");
    EXPECT_EQ(t.events[10].path, "/abs.png");
    EXPECT_EQ(t.events[11].events[0].type, EventType::CloseRequest);
    EXPECT_EQ(t.events[12].kind, TimelineEvent::Kind::Answer);
    EXPECT_FALSE(t.events[12].yes);
    EXPECT_EQ(t.events[13].kind, TimelineEvent::Kind::MenuAnswer);
    EXPECT_EQ(t.events[13].number, 20);
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
        {"0 answer maybe", "timeline:1: answer needs yes or no"},
        {"0 padaxis 40000 0", "timeline:1: pad axis out of range (-32768 to 32767)"},
        {"0 trayclick 1 2", "timeline:1: 'trayclick' takes 0 arguments"},
        {"0 restore now", "timeline:1: 'restore' takes 0 arguments"},
        {"0 menu", "timeline:1: 'menu' takes 1 argument"},
        {"0 menu 29", "timeline:1: bad menu answer (0-28)"},
        {"0 menu -1", "timeline:1: bad menu answer (0-28)"},
        {"99999999999 close", "timeline:1: bad time '99999999999'"},
    };
    for (const Case& c : cases) {
        Timeline t;
        std::string error;
        EXPECT_FALSE(Timeline::parse(c.text, "/", t, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

HeadlessOptions withTimeline(std::string_view text, uint32_t maxMs = 0,
                             const std::string& base = "/") {
    HeadlessOptions options;
    std::string error;
    EXPECT_TRUE(Timeline::parse(text, base, options.timeline, error)) << error;
    options.maxMs = maxMs;
    return options;
}

TEST(HeadlessPlatform, VirtualTimeAdvancesOnlyThroughTheEngine) {
    HeadlessPlatform p;
    ASSERT_TRUE(p.window().create(4, 2));
    Clock& clock = p.clock();
    EXPECT_EQ(clock.now(), 0u);
    clock.sleep(5);
    EXPECT_EQ(clock.now(), 5u);
    const std::vector<uint8_t> frame(4 * 3 * 2, 7);
    EXPECT_TRUE(p.window().present(frame.data(), 12));
    EXPECT_EQ(clock.now(), 5u + FrameRecorder::kFrameMs);
    EXPECT_EQ(p.window().lastFrame(), frame);

    // A stride shorter than a row, or no pixels, shows nothing and takes no time.
    const std::vector<uint8_t> other(4 * 3 * 2, 9);
    EXPECT_FALSE(p.window().present(other.data(), 11));
    EXPECT_FALSE(p.window().present(nullptr, 12));
    EXPECT_EQ(p.window().lastFrame(), frame);
    EXPECT_EQ(clock.now(), 5u + FrameRecorder::kFrameMs);

    // A loop that only polls still moves time: 1 ms per kIdlePollsPerMs empty polls.
    Event e;
    const uint32_t before = clock.now();
    for (uint32_t i = 0; i < TimelineEventQueue::kIdlePollsPerMs * 3; ++i)
        EXPECT_FALSE(p.events().poll(e));
    EXPECT_EQ(clock.now(), before + 3);
    // Time that passes otherwise starts the count of empty polls afresh.
    for (uint32_t i = 0; i < TimelineEventQueue::kIdlePollsPerMs - 1; ++i)
        p.events().poll(e);
    clock.sleep(1);
    p.events().poll(e);
    EXPECT_EQ(clock.now(), before + 4);
}

TEST(HeadlessPlatform, TimelineEventsFireAtTheFirstPollAtOrAfterTheirTime) {
    HeadlessPlatform p(withTimeline("100 click 5 6\n100 close\n"));
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
    HeadlessPlatform p(withTimeline("700 key space\n", 5000));
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

TEST(HeadlessPlatform, TimerTicksMergeWhileOneWaits) {
    HeadlessPlatform p;
    p.events().startTimer(3, 10);
    p.clock().sleep(55);
    Event e;
    ASSERT_TRUE(p.events().poll(e));
    EXPECT_EQ(e.timer().id, 3);
    EXPECT_FALSE(p.events().poll(e));
    p.clock().sleep(10);
    EXPECT_TRUE(p.events().poll(e));

    // A tick that waits in the queue when its timer stops is not delivered.
    p.clock().sleep(10);
    p.events().push(Event{EventType::Expose}); // makes the poll stop at the first event
    ASSERT_TRUE(p.events().poll(e));           // the Expose; the tick now waits behind it
    p.events().stopTimer(3);
    EXPECT_FALSE(p.events().poll(e));
}

TEST(HeadlessPlatform, TimersKeepTheirPeriodAcrossTheClocksWrapAround) {
    HeadlessPlatform p;
    p.clock().advance(0xFFFFFFFFu - 15); // 16 ms before the 32-bit clock wraps
    p.events().startTimer(1, 10);
    Event e;
    p.clock().sleep(9);
    EXPECT_FALSE(p.events().poll(e));
    p.clock().sleep(1);
    ASSERT_TRUE(p.events().poll(e)); // at 0xFFFFFFFA
    p.clock().sleep(10);             // past the wrap: now 4
    ASSERT_TRUE(p.events().poll(e));
    EXPECT_EQ(e.timer().id, 1);
    EXPECT_EQ(p.clock().now(), 4u);
    // wait() jumps across the wrap to the next tick, not to a time long past.
    ASSERT_TRUE(p.events().wait(e));
    EXPECT_EQ(p.clock().now(), 14u);
}

TEST(HeadlessPlatform, ShotWritesTheLastPresentedFrame) {
    const test::TempDir temp;
    const std::string& dir = temp.path();
    HeadlessPlatform p(withTimeline("10 shot a.png\n10 shot missing-dir/b.png\n", 0, dir));
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
    EXPECT_EQ(p.failedShots()[0].path, dir + "missing-dir/b.png");
    EXPECT_EQ(p.failedShots()[0].line, 2);
}

TEST(HeadlessPlatform, QuestionsTakeTheAnswersTheTimelineQueued) {
    HeadlessPlatform p(withTimeline("10 answer no\n20 answer yes\n"));
    EXPECT_TRUE(p.dialogs().askYesNo("caption", "before")); // nothing queued yet: Yes
    p.clock().sleep(25);
    Event e;
    p.events().poll(e); // both answers fall due
    EXPECT_FALSE(p.dialogs().askYesNo("caption", "first"));
    EXPECT_TRUE(p.dialogs().askYesNo("caption", "second"));
    EXPECT_TRUE(p.dialogs().askYesNo("caption", "third"));
    ASSERT_EQ(p.dialogs().questions().size(), 4u);
    EXPECT_EQ(p.dialogs().questions()[1].text, "first");
    EXPECT_FALSE(p.dialogs().questions()[1].answeredYes);
    EXPECT_EQ(p.log().lines().back(), "25 ms: question \"third\" (caption) answered yes");
}

TEST(HeadlessPlatform, PadFollowsTheTimeline) {
    HeadlessPlatform p(
        withTimeline("10 pad 4\n10 padbutton 2 down\n10 padbutton 9 down\n10 padaxis -32768 32767\n"
                     "20 padbutton 2 up\n30 pad 0\n"));
    ASSERT_NE(p.pad(), nullptr);
    PadState state;
    EXPECT_FALSE(p.pad()->read(state)); // not plugged in yet
    Event e;
    p.clock().sleep(10);
    p.events().poll(e);
    ASSERT_TRUE(p.pad()->read(state));
    EXPECT_EQ(state.buttonCount, 4);
    EXPECT_EQ(state.buttons, 0b10u); // button 9 is not on a pad of four
    EXPECT_EQ(state.x, 0);
    EXPECT_EQ(state.y, 65535);
    p.clock().sleep(10);
    p.events().poll(e);
    ASSERT_TRUE(p.pad()->read(state));
    EXPECT_EQ(state.buttons, 0u);
    p.clock().sleep(10);
    p.events().poll(e);
    EXPECT_FALSE(p.pad()->read(state));
}

// Takes every event waiting now.
std::vector<EventType> drain(HeadlessPlatform& p) {
    std::vector<EventType> types;
    Event e;
    while (p.events().poll(e))
        types.push_back(e.type);
    return types;
}

TEST(HeadlessPlatform, TrayClicksReachTheQueueOnlyWhileTheIconIsShown) {
    HeadlessPlatform p(withTimeline("10 trayclick\n20 trayclick\n"));
    ASSERT_NE(p.trayIcon(), nullptr);
    p.clock().sleep(10);
    EXPECT_EQ(drain(p), std::vector<EventType>{}) << "no icon yet";
    ASSERT_TRUE(p.trayIcon()->add(IconImage{"game", 1, 1, {0, 0, 0, 255}}, "Tamsk"));
    EXPECT_EQ(p.trayIcon()->tip(), "Tamsk");
    p.clock().sleep(10);
    EXPECT_EQ(drain(p), std::vector<EventType>{EventType::TrayClick});
    p.trayIcon()->remove();
    EXPECT_FALSE(p.trayIcon()->shown());

    HeadlessOptions noTray;
    noTray.tray = false;
    EXPECT_EQ(HeadlessPlatform(std::move(noTray)).trayIcon(), nullptr);
}

TEST(HeadlessPlatform, RestoreBringsAMinimisedOrHiddenWindowBack) {
    HeadlessPlatform p(withTimeline("10 restore\n20 restore\n30 restore\n"));
    FrameRecorder& w = p.window();
    ASSERT_TRUE(w.create(8, 8));
    w.show();
    drain(p);
    w.minimise();
    EXPECT_TRUE(w.minimised());
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(drain(p), (std::vector<EventType>{EventType::Minimise, EventType::Deactivate}));
    p.clock().sleep(10);
    EXPECT_EQ(drain(p),
              (std::vector<EventType>{EventType::Restore, EventType::Activate, EventType::Expose}));
    EXPECT_TRUE(w.visible());
    w.hide();
    EXPECT_FALSE(w.visible());
    drain(p);
    p.clock().sleep(10);
    drain(p);
    EXPECT_TRUE(w.visible());
    // Restoring a window that is there already changes nothing.
    p.clock().sleep(10);
    EXPECT_EQ(drain(p), std::vector<EventType>{});
    EXPECT_EQ(p.log().lines().back(), "20 ms: window restored");
}

TEST(HeadlessPlatform, PopupMenusTakeTheAnswersTheTimelineQueued) {
    HeadlessPlatform p(withTimeline("10 menu 21\n10 menu 0\n10 menu 5\n"));
    ASSERT_NE(p.popupMenu(), nullptr);
    const std::vector<PopupMenuItem> items = {
        {21, "Load\tEND", false}, {0, "", false}, {27, "Window", true}};
    EXPECT_EQ(p.popupMenu()->track(items, 3, 4), 0) << "nothing queued yet: dismissed";
    p.clock().sleep(10);
    drain(p);
    EXPECT_EQ(p.popupMenu()->track(items, 3, 4), 21);
    EXPECT_EQ(p.log().lines().back(),
              "10 ms: popup menu at 3,4: 21 Load | - | 27 Window [x]; chose 21");
    EXPECT_EQ(p.popupMenu()->track(items, 3, 4), 0);
    EXPECT_EQ(p.popupMenu()->track(items, 3, 4), 0) << "5 is no item of this menu";
    EXPECT_EQ(p.log().lines().back(),
              "10 ms: popup menu at 3,4: 21 Load | - | 27 Window [x]; dismissed (5 is no item)");
    ASSERT_EQ(p.popupMenu()->shown().size(), 4u);
    EXPECT_EQ(p.popupMenu()->shown()[1].answer, 21);
}

TEST(HeadlessPlatform, MovingTheMouseQueuesAMoveInsideTheWindow) {
    HeadlessPlatform p;
    p.window().moveMouse(1, 1);
    EXPECT_EQ(drain(p), std::vector<EventType>{}) << "no window";
    ASSERT_TRUE(p.window().create(8, 6));
    const size_t logged = p.log().lines().size();
    p.window().moveMouse(3, 4);
    p.window().moveMouse(20, -5);
    Event e;
    ASSERT_TRUE(p.events().poll(e));
    EXPECT_EQ(e.type, EventType::MouseMove);
    EXPECT_EQ(std::pair(e.mouse().x, e.mouse().y), std::pair(3, 4));
    ASSERT_TRUE(p.events().poll(e));
    EXPECT_EQ(std::pair(e.mouse().x, e.mouse().y), std::pair(7, 0)) << "clamped to the window";
    EXPECT_EQ(p.log().lines().size(), logged);
}

TEST(HeadlessPlatform, WindowStateChangesAreLogged) {
    HeadlessPlatform p;
    FrameRecorder& w = p.window();
    ASSERT_TRUE(w.create(8, 8));
    EXPECT_FALSE(w.repaint()) << "nothing presented yet";
    const std::vector<uint8_t> frame(8 * 8 * 3);
    ASSERT_TRUE(w.present(frame.data(), 8 * 3));
    EXPECT_TRUE(w.repaint());
    EXPECT_EQ(w.repaints(), 1u);
    EXPECT_TRUE(w.setFullScreen(true));
    w.setCursorVisible(false);
    w.setIcon(IconImage{"notepad", 0, 0, {}});
    std::vector<std::string> tail(p.log().lines().end() - 3, p.log().lines().end());
    EXPECT_EQ(tail, (std::vector<std::string>{"16 ms: full screen", "16 ms: cursor hidden",
                                              "16 ms: icon notepad"}));
    EXPECT_EQ(w.width(), 8) << "frames keep the frame size in full screen";
}

} // namespace
} // namespace velmira::platform
