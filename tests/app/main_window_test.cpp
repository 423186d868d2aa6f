#include <gtest/gtest.h>

#include <algorithm>

#include "app/icons.h"
#include "app/input_state.h"
#include "window_fixture.h"

namespace velmira {
namespace {

using platform::Event;
using platform::EventType;

struct Fixture : test::WindowFixture {
    TitleInfo info;

    explicit Fixture(platform::HeadlessOptions options = {})
        : test::WindowFixture(std::move(options)) {
        window.setTitleSource([this] { return info; });
    }
    // Creates and shows the window and handles what showing it queued.
    void open() {
        ASSERT_TRUE(window.create());
        window.show();
        drain();
    }
    void drain() {
        Event e;
        while (platform.events().poll(e))
            window.handleEvent(e);
    }
    bool logged(std::string_view text) {
        const auto& lines = platform.log().lines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }
    void tick() { window.handleEvent(platform::timerEvent(MainWindow::kTimerId)); }
    // Runs the boss key with a timeline that acts on the hidden or minimised window.
    static platform::HeadlessOptions timeline(std::string_view text) {
        platform::HeadlessOptions options;
        std::string error;
        EXPECT_TRUE(platform::Timeline::parse(text, "/", options.timeline, error)) << error;
        return options;
    }
};

TEST(MainWindow, TitleShowsChapterAndPlayTimeAsThePreferencesSay) {
    struct Case {
        bool chapter, playTime, systemMode;
        const char* chapterName;
        uint32_t minutes;
        const char* expected;
    };
    const Case cases[] = {
        {false, false, false, "第一章", 125, "灯台"},
        {true, false, false, "第一章", 125, "灯台　「第一章」"},
        {true, false, false, "", 125, "灯台"},
        {false, true, false, "", 125, "灯台　[2:05]"},
        {true, true, false, "第一章", 59, "灯台　「第一章」　[0:59]"},
        {true, true, true, "第一章", 59, "灯台　「第一章」"},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.preferences.titleChapter = c.chapter;
        f.preferences.titlePlayTime = c.playTime;
        f.info = {platform::utf8ToSjis(c.chapterName), c.systemMode, c.minutes};
        ASSERT_TRUE(f.window.create());
        f.window.show();
        EXPECT_EQ(f.platform.window().title(), c.expected);
    }
}

TEST(MainWindow, CloseAsksUnlessQuittingWithoutAsking) {
    for (bool withoutAsking : {false, true}) {
        Fixture f;
        ASSERT_TRUE(f.window.create());
        f.window.setQuitWithoutAsking(withoutAsking);
        f.window.handleEvent(platform::Event{platform::EventType::CloseRequest});
        EXPECT_EQ(f.platform.dialogs().questions().size(), withoutAsking ? 0u : 1u);
        EXPECT_FALSE(f.window.exists());
        platform::Event e;
        ASSERT_TRUE(f.platform.events().poll(e));
        EXPECT_EQ(e.type, platform::EventType::Quit);
    }
}

TEST(MainWindow, TitleRefreshesOnEveryNinthTimerTick) {
    Fixture f;
    f.preferences.titlePlayTime = true;
    ASSERT_TRUE(f.window.create());
    f.window.show();
    f.info.playMinutes = 61;
    for (int tick = 1; tick <= 9; ++tick) {
        EXPECT_EQ(f.platform.window().title(), "灯台　[0:00]") << tick;
        f.window.handleEvent(platform::timerEvent(0));
    }
    EXPECT_EQ(f.platform.window().title(), "灯台　[1:01]");
}

TEST(MainWindow, FullScreenFollowsRequestsAndThePreference) {
    Fixture f;
    EXPECT_FALSE(f.window.setFullScreen(true)) << "no window yet";
    f.open();
    EXPECT_TRUE(f.window.setFullScreen(true));
    EXPECT_FALSE(f.window.setFullScreen(true)) << "already full screen";
    EXPECT_TRUE(f.platform.window().fullScreen());
    EXPECT_TRUE(f.preferences.fullScreen);

    // The screen-mode actions: 28 full screen (already), 26 toggles, 27 window mode.
    EXPECT_FALSE(f.window.serveScreenModeAction(kActionAdvance));
    EXPECT_TRUE(f.window.serveScreenModeAction(kActionFullScreen));
    EXPECT_TRUE(f.window.fullScreen());
    EXPECT_TRUE(f.window.serveScreenModeAction(kActionToggleScreen));
    EXPECT_FALSE(f.window.fullScreen());
    EXPECT_FALSE(f.platform.window().fullScreen());
    EXPECT_FALSE(f.preferences.fullScreen);
    EXPECT_TRUE(f.window.serveScreenModeAction(kActionToggleScreen));
    EXPECT_TRUE(f.window.serveScreenModeAction(kActionWindowMode));
    EXPECT_FALSE(f.window.fullScreen());

    // The window manager's maximise enters full screen instead.
    f.window.handleEvent(Event{EventType::Maximise});
    EXPECT_TRUE(f.window.fullScreen());
    EXPECT_TRUE(f.preferences.fullScreen);
    EXPECT_TRUE(f.logged("full screen"));
    EXPECT_TRUE(f.logged("window mode"));
}

TEST(MainWindow, CursorHidesOnTheThirdRestingTickUnlessDisabledOrOnSystemScreens) {
    struct Case {
        bool hideCursor, disabled, systemMode, hiddenAfterThree;
    };
    const Case cases[] = {
        {true, false, false, true},
        {false, false, false, false},
        {true, true, false, false},
        {true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hideCursor << c.disabled << c.systemMode);
        Fixture f;
        f.preferences.hideCursor = c.hideCursor;
        f.info.systemDisplayMode = c.systemMode;
        f.open();
        f.window.handleEvent(platform::mouseEvent(EventType::MouseMove, 5, 5));
        f.window.setEnabled(!c.disabled);
        f.tick();
        f.tick();
        EXPECT_FALSE(f.window.cursorHidden());
        f.tick();
        EXPECT_EQ(f.window.cursorHidden(), c.hiddenAfterThree);
        EXPECT_EQ(f.platform.window().cursorVisible(), !c.hiddenAfterThree);
    }
}

TEST(MainWindow, MouseShowsTheCursorAndRestartsTheRest) {
    Fixture f;
    f.preferences.hideCursor = true;
    f.open();
    for (int i = 0; i < 3; ++i)
        f.tick();
    ASSERT_TRUE(f.window.cursorHidden());
    f.window.handleEvent(platform::wheelEvent(1, 0, 0));
    EXPECT_FALSE(f.window.cursorHidden());
    EXPECT_TRUE(f.platform.window().cursorVisible());
    f.tick();
    f.tick();
    EXPECT_FALSE(f.window.cursorHidden()) << "the rest starts again at the mouse event";
    f.tick();
    EXPECT_TRUE(f.window.cursorHidden());
    // A dialog over the window brings the cursor back at once.
    f.window.setEnabled(false);
    EXPECT_TRUE(f.platform.window().cursorVisible());
}

TEST(MainWindow, BossKeyHidesBehindTheTrayIconUntilItIsClicked) {
    Fixture f(Fixture::timeline("10000 trayclick\n"));
    f.preferences.bossKeyMode = 0;
    f.open();
    f.window.bossKey();
    EXPECT_TRUE(f.logged("tray icon game added, tip \"Tamsk\""));
    EXPECT_TRUE(f.logged("window hidden"));
    EXPECT_GE(f.platform.clock().now(), 10000u) << "it waited for the click";
    EXPECT_TRUE(f.platform.window().visible());
    EXPECT_FALSE(f.platform.trayIcon()->shown()) << "the icon goes with the window back";
    EXPECT_TRUE(f.logged("tray icon removed"));
    EXPECT_TRUE(f.window.exists());
}

TEST(MainWindow, BossKeyWithoutANotificationAreaMinimises) {
    platform::HeadlessOptions options = Fixture::timeline("5000 restore\n");
    options.tray = false;
    Fixture f(std::move(options));
    f.open();
    f.window.bossKey();
    EXPECT_TRUE(f.logged("window minimised"));
    EXPECT_FALSE(f.logged("window hidden"));
    EXPECT_GE(f.platform.clock().now(), 5000u);
    EXPECT_TRUE(f.platform.window().visible());
}

TEST(MainWindow, BossKeyDisguisesAsNotepadWhileMinimised) {
    // Whatever time the title shows now is shown again after the disguise.
    Fixture f(Fixture::timeline("4000 restore\n"));
    f.preferences.bossKeyMode = 1;
    f.preferences.titlePlayTime = true;
    f.open();
    EXPECT_EQ(f.platform.window().iconName(), "game");
    f.info.playMinutes = 75;
    f.window.bossKey();
    EXPECT_TRUE(f.logged("title \"無題 - メモ帳\""));
    EXPECT_TRUE(f.logged("icon notepad"));
    EXPECT_TRUE(f.logged("window minimised"));
    EXPECT_EQ(f.platform.window().title(), "灯台　[1:15]");
    EXPECT_EQ(f.platform.window().iconName(), "game");
    EXPECT_FALSE(f.platform.window().minimised());
}

TEST(MainWindow, BossKeyEndsWhenTheWindowIsClosedMeanwhile) {
    Fixture f(Fixture::timeline("3000 close\n"));
    f.preferences.bossKeyMode = 1;
    f.open();
    f.window.bossKey(); // the close is answered Yes; the window goes
    EXPECT_FALSE(f.window.exists());
    // The quit message is left to the pump of the loop that pressed the key.
    Event e;
    ASSERT_TRUE(f.platform.events().poll(e));
    EXPECT_EQ(e.type, EventType::Quit);
}

TEST(MainWindow, BossKeyQuickSavesAndClosesWithoutAsking) {
    Fixture f;
    f.preferences.bossKeyMode = 2;
    int saves = 0;
    f.window.setQuickSave([&] { ++saves; });
    f.open();
    f.window.bossKey();
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(f.window.exists()) << "closing goes through the queue";
    f.drain();
    EXPECT_FALSE(f.window.exists());
    EXPECT_TRUE(f.platform.dialogs().questions().empty());
}

TEST(MainWindow, IconsAreDrawnAtIconSize) {
    for (const platform::IconImage* icon : {&gameIcon(), &notepadIcon()}) {
        EXPECT_EQ(icon->rgba.size(), size_t{kIconSize} * kIconSize * 4) << icon->name;
        // Opaque in the middle, transparent in the corner.
        const size_t centre = (size_t{kIconSize} / 2 * kIconSize + kIconSize / 2) * 4;
        EXPECT_EQ(icon->rgba[centre + 3], 255) << icon->name;
        EXPECT_EQ(icon->rgba[3], 0) << icon->name;
    }
    EXPECT_NE(gameIcon().rgba, notepadIcon().rgba);
}

} // namespace
} // namespace velmira
