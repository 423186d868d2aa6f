// The page display on the whole engine, headless: timelines of clicks and keys against
// small games, observed through the pages' events (shown, revealed, how each ended) on
// the virtual clock and through the frames the window was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/engine.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"
#include "resource/preferences.h"
#include "resource/save_folder.h"
#include "support/engine_run.h"
#include "support/game_fixture.h"

namespace velmira {
namespace {

using Kind = PageEvent::Kind;
using test::bytes;
using test::gameText;
using test::TempGame;

struct Page {
    uint32_t ms;
    Kind kind;
    std::string text; // UTF-8, Shown only
};

// A game of 800 x 600 (the message window's own screen) whose start script is given.
void addGame(const TempGame& game, std::string_view startUtf8) {
    auto members = TempGame::config("[System.Info]\nTitle=頁\n[System.Setting]\nScreenWidth=800\n"
                                    "ScreenHeight=600\n");
    members.push_back({"script\\start.txt", bytes(gameText(startUtf8)), 1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
}

void savePreferences(const TempGame& game, const UserPreferences& preferences) {
    ASSERT_TRUE(preferences.save(SaveFolder(game.saveFolder())));
}

struct GameRun : test::HeadlessEngine {
    std::vector<Page> pages;

    GameRun(const TempGame& game, std::string_view timelineText, uint32_t maxMs = 20000)
        : HeadlessEngine(game, test::timeline(timelineText), maxMs) {
        engine.setPageObserver([this](const PageEvent& page) {
            pages.push_back({platform.clock().now(), page.kind, platform::sjisToUtf8(page.text)});
        });
        engine.run();
    }

    // The events of the page whose text is given, in order.
    std::vector<Page> page(std::string_view text) const {
        std::vector<Page> out;
        bool inside = false;
        for (const Page& p : pages) {
            if (p.kind == Kind::Shown) inside = p.text == text;
            if (inside) out.push_back(p);
        }
        return out;
    }
    // The time of the page's event of a kind, or UINT32_MAX.
    uint32_t at(std::string_view text, Kind kind) const {
        for (const Page& p : page(text))
            if (p.kind == kind) return p.ms;
        return UINT32_MAX;
    }
    std::vector<Kind> endings(std::string_view text) const {
        std::vector<Kind> out;
        for (const Page& p : page(text))
            if (p.kind != Kind::Shown && p.kind != Kind::Revealed) out.push_back(p.kind);
        return out;
    }
    bool logSays(std::string_view text) {
        const auto& lines = platform.log().lines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }
};

TEST(MessageDisplay, TextSpeedsTypeThePageAndAClickFinishesItThenTurnsIt) {
    // Ten characters cost 4 units each: at speed 4 the first frame shows them all, at
    // speed 0 (24 ms a unit) they take 960 ms unless a click finishes them.
    struct Case {
        int32_t speed;
        const char* timeline;
        uint32_t revealedAfter; // ms after the page was shown
        uint32_t advancedAt;
    };
    const Case cases[] = {
        {4, "3000 click 10 10\n", 2 * 16, 3000},
        {2, "3000 click 10 10\n", 320, 3000},
        {0, "3000 click 10 10\n", 960, 3000},
        {0, "500 click 10 10\n700 click 10 10\n", 500, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        TempGame game;
        addGame(game, "あいうえおかきくけこ\n.wait 100000\n");
        UserPreferences preferences;
        preferences.textSpeedUnread = c.speed;
        savePreferences(game, preferences);
        GameRun run(game, c.timeline, 5000);
        const uint32_t shown = run.at("あいうえおかきくけこ", Kind::Shown);
        ASSERT_NE(shown, UINT32_MAX);
        const uint32_t revealed = run.at("あいうえおかきくけこ", Kind::Revealed);
        // The last character is out once the budget passes the units before it; the
        // window says so a turn after the budget passed them all (frames are 16 ms).
        EXPECT_GE(revealed, shown + c.revealedAfter);
        EXPECT_LE(revealed, shown + c.revealedAfter + 80);
        const uint32_t advanced = run.at("あいうえおかきくけこ", Kind::Advanced);
        EXPECT_GE(advanced, c.advancedAt);
        EXPECT_LE(advanced, c.advancedAt + 2);
    }
}

TEST(MessageDisplay, HoldingCtrlSkipsEveryPageAndReleasingItWaitsAgain) {
    TempGame game;
    addGame(game, "一\n\n二\n\n三\n\n四\n\n五\n.wait 100000\n");
    GameRun run(game, "500 keydown Control_L\n540 keyup Control_L\n3000 click 10 10\n", 5000);
    // The first page waited until Ctrl went down; pages passed while it was held; the
    // first page reached after the release waits for the click.
    std::vector<std::string> order;
    for (const Page& p : run.pages)
        if (p.kind == Kind::Shown) order.push_back(p.text);
    ASSERT_GE(order.size(), 3u);
    EXPECT_GE(run.at("一", Kind::Skipped), 500u);
    EXPECT_EQ(run.endings("二"), std::vector<Kind>{Kind::Skipped});
    size_t waiting = 0;
    while (waiting < order.size() && run.endings(order[waiting]) == std::vector{Kind::Skipped})
        ++waiting;
    ASSERT_LT(waiting, order.size());
    EXPECT_GE(waiting, 2u);
    EXPECT_LT(run.at(order[waiting], Kind::Shown), 600u);
    EXPECT_EQ(run.endings(order[waiting]), std::vector<Kind>{Kind::Advanced});
    EXPECT_GE(run.at(order[waiting], Kind::Advanced), 3000u);
}

TEST(MessageDisplay, AutoModeTurnsPagesAfterItsDelayAndAClickEndsIt) {
    // Auto speed 10 turns a page on the frame after its text is out; auto speed 5 waits
    // 3500 ms. Numpad * enters auto mode; the click after it only ends the mode.
    struct Case {
        int32_t autoSpeed;
        uint32_t delay;
    };
    for (const Case c : {Case{10, 0}, Case{5, 3500}}) {
        SCOPED_TRACE(c.autoSpeed);
        TempGame game;
        addGame(game, "一\n\n二\n\n三\n.wait 100000\n");
        UserPreferences preferences;
        preferences.autoSpeed = c.autoSpeed;
        savePreferences(game, preferences);
        GameRun run(game, "300 key KP_Multiply\n8000 click 10 10\n8500 click 10 10\n", 12000);
        EXPECT_EQ(run.endings("一"), std::vector<Kind>{Kind::AutoAdvanced});
        EXPECT_EQ(run.endings("二"), std::vector<Kind>{Kind::AutoAdvanced});
        const uint32_t revealed = run.at("二", Kind::Revealed);
        const uint32_t turned = run.at("二", Kind::AutoAdvanced);
        EXPECT_GT(turned, revealed + c.delay);
        EXPECT_LE(turned, revealed + c.delay + 20);
        if (c.autoSpeed == 10) {
            // The third page turned on its own too; the root script's .wait then took the
            // clicks.
            EXPECT_EQ(run.endings("三"), std::vector<Kind>{Kind::AutoAdvanced});
        } else {
            // The click at 8000 ended auto mode without turning the third page; the second
            // click did.
            EXPECT_EQ(run.endings("三"), std::vector<Kind>{Kind::Advanced});
            EXPECT_GE(run.at("三", Kind::Advanced), 8500u);
        }
    }
}

// A red background without a message-box picture: the text is the only thing that is not
// red in a frame.
bool frameIsAllRed(GameRun& run) {
    const std::vector<uint8_t>& frame = run.platform.window().lastFrame();
    for (size_t i = 0; i + 2 < frame.size(); i += 3)
        if (frame[i] != 0 || frame[i + 1] != 0 || frame[i + 2] != 255) return false;
    return !frame.empty();
}

TEST(MessageDisplay, HidingTheWindowShowsTheSceneUntilTheNextInput) {
    // Tab hides the window; the popup menu's "hide" does the same. The input that ends the
    // hiding does nothing else, so a second click turns the page.
    for (const char* hide : {"1000 key Tab\n", "1000 menu 12\n1000 rclick 400 300\n"}) {
        SCOPED_TRACE(hide);
        TempGame game;
        addGame(game, ".fade 0\n.img 0 Red\n.wait 10\n頁の文\n.wait 100000\n");
        GameRun hidden(game, std::string(hide), 1500);
        EXPECT_TRUE(frameIsAllRed(hidden));
        EXPECT_EQ(hidden.endings("頁の文"), std::vector<Kind>{Kind::Left});

        GameRun shown(game, std::string(hide) + "2000 click 10 10\n", 2500);
        EXPECT_FALSE(frameIsAllRed(shown));
        EXPECT_EQ(shown.endings("頁の文"), std::vector<Kind>{Kind::Left});

        GameRun turned(game, std::string(hide) + "2000 click 10 10\n2200 click 10 10\n", 2500);
        EXPECT_EQ(turned.endings("頁の文"), std::vector<Kind>{Kind::Advanced});
        EXPECT_GE(turned.at("頁の文", Kind::Advanced), 2200u);
    }
}

TEST(MessageDisplay, TheMenuAndShortcutsWithoutTheirScreensLeaveThePageWaiting) {
    // Numpad + asks for the configuration dialog, the right button (by default) for the
    // popup menu, here dismissed: the page waits on for the click.
    TempGame game;
    addGame(game, "頁の文\n.wait 100000\n");
    GameRun run(game, "500 key KP_Add\n700 rclick 400 300\n1500 click 10 10\n", 2000);
    EXPECT_TRUE(run.logSays("popup menu at 400,300")) << "the menu was not shown";
    EXPECT_EQ(run.endings("頁の文"), std::vector<Kind>{Kind::Advanced});
    EXPECT_GE(run.at("頁の文", Kind::Advanced), 1500u);
}

TEST(MessageDisplay, BackToTheTitleAbandonsThePage) {
    TempGame game;
    addGame(game, "頁の文\n.wait 100000\n");
    GameRun run(game, "500 menu 19\n500 rclick 400 300\n", 1000);
    const std::vector<Kind> endings = run.endings("頁の文");
    ASSERT_GE(endings.size(), 2u);
    EXPECT_EQ(endings[0], Kind::Left); // at 500, then the start script shows it again
    EXPECT_GE(run.at("頁の文", Kind::Left), 500u);
}

TEST(MessageDisplay, OnlyTheAdvAndNovelModesShowMessages) {
    TempGame game;
    addGame(game, ".mode novel2\n二\n.mode system\n三\n.mode demo\n四\n.mode novel\n一\n"
                  ".mode adv\n零\n.wait 100000\n");
    GameRun run(game, "500 click 10 10\n1000 click 10 10\n", 1500);
    std::vector<std::string> shown;
    for (const Page& p : run.pages)
        if (p.kind == Kind::Shown) shown.push_back(p.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"一", "零"}));
}

TEST(MessageDisplay, TheBacklogKeepsEveryPageShownWithItsSpeaker) {
    TempGame game;
    addGame(game, "老人:灯台(とうだい)へ/ようこそ。\n\n:名のない行\n.wait 100000\n");
    GameRun run(game, "500 click 10 10\n1000 click 10 10\n", 1500);
    Backlog::Entry newest, older;
    ASSERT_TRUE(run.engine.backlog().get(1, newest));
    ASSERT_TRUE(run.engine.backlog().get(2, older));
    EXPECT_EQ(platform::sjisToUtf8(older.name), "老人");
    EXPECT_EQ(platform::sjisToUtf8(older.text), "灯台へ\nようこそ。"); // ruby text dropped
    EXPECT_EQ(newest.name, "");
    EXPECT_EQ(platform::sjisToUtf8(newest.text), "名のない行");
}

} // namespace
} // namespace velmira
