#include <gtest/gtest.h>

#include "window_fixture.h"

namespace velmira {
namespace {

struct Fixture : test::WindowFixture {
    TitleInfo info;

    Fixture() {
        window.setTitleSource([this] { return info; });
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

} // namespace
} // namespace velmira
