// The right-click menu: its items, where it opens, and what the player's choice becomes,
// on the headless platform's scripted menu.
#include "app/popup_menu.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/input_state.h"
#include "window_fixture.h"

namespace velmira {
namespace {

TEST(PopupMenu, ItemsAndTheCheckedScreenMode) {
    const std::vector<std::pair<int32_t, const char*>> expected = {
        {17, "クイックセーブ(&Q)\tINS"},
        {0, ""},
        {16, "自動送りモード(&A)\tShift + ↓"},
        {15, "スキップモード(&J)\tShift + →"},
        {0, ""},
        {12, "ウィンドウ消去(&H)\tTAB"},
        {14, "履歴表示(&L)\tBS"},
        {0, ""},
        {20, "セーブ(&S)\tHOME"},
        {21, "ロード(&O)\tEND"},
        {22, "コンフィグ(&C)\tESC"},
        {0, ""},
        {28, "フルスクリーンモード(&F)"},
        {27, "ウィンドウモード(&W)"},
        {0, ""},
        {19, "タイトル画面に戻る(&T)\tShift + HOME"},
        {25, "終了(&X)\tAlt+F4"},
    };
    for (const bool fullScreen : {false, true}) {
        const std::vector<platform::PopupMenuItem> items = popupMenuItems(fullScreen);
        ASSERT_EQ(items.size(), expected.size());
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].id, expected[i].first) << i;
            EXPECT_EQ(items[i].text, expected[i].second) << i;
            const bool checked = fullScreen ? items[i].id == 28 : items[i].id == 27;
            EXPECT_EQ(items[i].checked, checked) << i;
        }
    }
}

struct Fixture : test::WindowFixture {
    InputState& input = oneMessagePump.input();

    Fixture() {
        EXPECT_TRUE(window.create());
        // The right button released at (30, 20), sampled by a waiting turn.
        platform.events().push(platform::mouseEvent(platform::EventType::MouseUp, 30, 20,
                                                    platform::MouseButton::Right));
        EXPECT_TRUE(oneMessagePump.pumpAndPollInput(InputContext::Game, IdleSleep::No));
        EXPECT_EQ(input.pendingAction(), kActionMenu);
        input.clearPendingAction();
    }
};

TEST(PopupMenu, TheChosenItemBecomesThePendingAction) {
    Fixture f;
    f.platform.popupMenu()->queueAnswer(kActionSave);
    showPopupMenu(f.platform.popupMenu(), f.window, f.input);
    EXPECT_EQ(f.input.pendingAction(), kActionSave);
    EXPECT_TRUE(f.window.enabled());
    const auto& shown = f.platform.popupMenu()->shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].x, 30);
    EXPECT_EQ(shown[0].y, 20);
    EXPECT_EQ(
        f.platform.log().lines().back(),
        "0 ms: popup menu at 30,20: 17 クイックセーブ(&Q) | - | 16 自動送りモード(&A) | 15 "
        "スキップモード(&J) | - | 12 ウィンドウ消去(&H) | 14 履歴表示(&L) | - | 20 セーブ(&S) | "
        "21 ロード(&O) | 22 コンフィグ(&C) | - | 28 フルスクリーンモード(&F) | 27 "
        "ウィンドウモード(&W) [x] | - | 19 タイトル画面に戻る(&T) | 25 終了(&X); chose 20");
}

TEST(PopupMenu, DismissedOrMissingMenusLeaveTheInputAlone) {
    Fixture f;
    f.input.setPendingAction(kActionClick);
    showPopupMenu(f.platform.popupMenu(), f.window, f.input); // nothing queued
    EXPECT_EQ(f.input.pendingAction(), kActionClick);
    f.platform.popupMenu()->queueAnswer(kActionNavigation); // not an item of the menu
    showPopupMenu(f.platform.popupMenu(), f.window, f.input);
    EXPECT_EQ(f.input.pendingAction(), kActionClick);
    EXPECT_NE(f.platform.log().lines().back().find("; dismissed (23 is no item)"),
              std::string::npos);
    showPopupMenu(nullptr, f.window, f.input);
    EXPECT_EQ(f.input.pendingAction(), kActionClick);
}

// Records the window's state while the menu is open.
class WatchingMenu final : public platform::PopupMenu {
  public:
    explicit WatchingMenu(const MainWindow& window) : window_(window) {}
    int32_t track(const std::vector<platform::PopupMenuItem>& items, int32_t, int32_t) override {
        enabledWhileOpen = window_.enabled();
        for (const auto& item : items)
            if (item.checked) checkedId = item.id;
        return kActionQuit;
    }
    bool enabledWhileOpen = true;
    int32_t checkedId = 0;

  private:
    const MainWindow& window_;
};

TEST(PopupMenu, TheWindowIsDisabledWhileItIsOpen) {
    Fixture f;
    ASSERT_TRUE(f.window.setFullScreen(true));
    // Ctrl was held when the menu opened; its release went to the menu.
    f.input.handle(platform::keyEvent(platform::EventType::KeyDown, platform::Key::ControlLeft));
    WatchingMenu menu(f.window);
    showPopupMenu(&menu, f.window, f.input);
    EXPECT_FALSE(menu.enabledWhileOpen);
    EXPECT_EQ(menu.checkedId, kActionFullScreen);
    EXPECT_TRUE(f.window.enabled());
    EXPECT_EQ(f.input.pendingAction(), kActionQuit);
    EXPECT_FALSE(f.input.isSkipping());
}

} // namespace
} // namespace velmira
