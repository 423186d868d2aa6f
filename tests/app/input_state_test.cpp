// The input state on its own: shortcuts per context, raw codes through the preferences,
// the pad's latches, the play-mode rules, Ctrl skipping and the left button offered to
// the button sets; the names the player reads for actions and shortcuts.
#include "app/input_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/action_names.h"
#include "platform/encoding.h"
#include "resource/preferences.h"

namespace velmira {
namespace {

using platform::Event;
using platform::EventType;
using platform::Key;
using platform::kModAlt;
using platform::kModCtrl;
using platform::kModShift;
using platform::MouseButton;

constexpr InputContext kGame = InputContext::Game;
constexpr InputContext kChoice = InputContext::ChoiceMenu;
constexpr InputContext kScreen = InputContext::SystemScreen;

TEST(InputState, ShortcutsOfEachContext) {
    struct Case {
        Key key;
        uint8_t modifiers;
        int32_t game, choice, screen; // 0: not a shortcut there
    };
    const Case cases[] = {
        // The global table: every context.
        {Key::Menu, 0, 11, 11, 11},
        {Key::Return, kModAlt, 26, 26, 26},
        {Key::Space, 0, 34, 34, 34},
        {Key::AltLeft, kModAlt, 35, 35, 35}, // Alt alone, as SDL reports it
        {Key::AltRight, 0, 35, 35, 35},
        {Key::F1, 0, 36, 36, 36},
        {Key::F12, 0, 47, 47, 47},
        // The game table (script and choice menu) against the screens' own.
        {Key::Escape, 0, 22, 22, 3},
        {Key::KpAdd, 0, 22, 22, 0},
        {Key::Tab, 0, 12, 12, 3},
        {Key::KpSubtract, 0, 12, 12, 0},
        {Key::Backspace, 0, 14, 14, 3},
        {Key::Insert, 0, 17, 17, 0},
        {Key::Kp0, 0, 17, 17, 0},
        {Key::Delete, 0, 18, 18, 0},
        {Key::Home, 0, 20, 20, 0},
        {Key::Kp7, 0, 20, 20, 0},
        {Key::End, 0, 21, 21, 0},
        {Key::Kp1, 0, 21, 21, 0},
        {Key::KpMultiply, 0, 16, 16, 0},
        {Key::KpDivide, 0, 15, 15, 0},
        {Key::Down, kModShift, 16, 16, 0},
        {Key::Right, kModShift, 15, 15, 0},
        {Key::Home, kModShift, 19, 19, 0},
        // The message, choice and screen tables.
        {Key::Return, 0, 2, 2, 2},
        {Key::Down, 0, 2, 8, 8},
        {Key::Kp2, 0, 2, 8, 8},
        {Key::Up, 0, 14, 7, 7},
        {Key::Kp8, 0, 14, 7, 7},
        {Key::PageUp, 0, 14, 14, 9},
        {Key::Kp9, 0, 14, 14, 9},
        {Key::Left, 0, 5, 5, 5},
        {Key::Kp4, 0, 5, 5, 5},
        {Key::Right, 0, 6, 6, 6},
        {Key::Kp6, 0, 6, 6, 6},
        {Key::PageDown, 0, 0, 0, 10},
        {Key::Kp3, 0, 0, 0, 10},
        // Modifiers must match exactly.
        {Key::Return, kModCtrl, 0, 0, 0},
        {Key::Return, kModAlt | kModShift, 0, 0, 0},
        {Key::Down, kModCtrl | kModShift, 0, 0, 0},
        {Key::AltLeft, kModAlt | kModCtrl, 0, 0, 0},
        {Key::A, 0, 0, 0, 0},
        {Key::ControlLeft, kModCtrl, 0, 0, 0},
    };
    const UserPreferences preferences;
    for (const Case& c : cases) {
        for (const auto& [context, code] : {std::pair{kGame, c.game}, std::pair{kChoice, c.choice},
                                            std::pair{kScreen, c.screen}}) {
            SCOPED_TRACE(testing::Message() << platform::keyName(c.key) << " +" << int(c.modifiers)
                                            << " in context " << int(context));
            InputState input(preferences);
            EXPECT_EQ(input.translateAccelerators(
                          context, platform::keyEvent(EventType::KeyDown, c.key, c.modifiers)),
                      code != 0);
            EXPECT_EQ(input.pendingAction(), code);
            EXPECT_FALSE(input.translateAccelerators(
                context, platform::keyEvent(EventType::KeyUp, c.key, c.modifiers)))
                << "only presses";
        }
    }
}

TEST(InputState, RawCodesGoThroughTheAssignments) {
    UserPreferences preferences; // defaults, and "セーブ" assigned to F5
    preferences.buttonActions[kInputF1 + 4] = kActionSave;
    preferences.buttonActions[kInputF1 + 5] = 77; // out of range in the file
    struct Case {
        InputContext context;
        int32_t raw, action;
    };
    const Case cases[] = {
        {kGame, 30, 11},   {kGame, 31, 22},  {kGame, 32, 14},   {kGame, 33, 4},   {kGame, 34, 2},
        {kGame, 35, 0},    {kGame, 36, 0},   {kGame, 40, 20},   {kGame, 41, 0},   {kGame, 48, 2},
        {kGame, 49, 3},    {kGame, 55, 0},   {kChoice, 30, 11}, {kChoice, 33, 4}, {kScreen, 30, 3},
        {kScreen, 31, 3},  {kScreen, 32, 9}, {kScreen, 33, 10}, {kScreen, 34, 2}, {kScreen, 40, 20},
        {kScreen, 48, 2},  {kGame, 5, 5},    {kGame, 28, 28},   {kGame, 29, 0},   {kGame, 56, 0},
        {kScreen, 255, 0}, {kGame, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.raw << " in context " << int(c.context));
        InputState input(preferences);
        input.setPendingAction(c.raw);
        input.translateRawCode(c.context);
        EXPECT_EQ(input.pendingAction(), c.action);
    }
}

class FakePad final : public platform::Pad {
  public:
    bool read(platform::PadState& out) override {
        out = state;
        return plugged;
    }
    platform::PadState state;
    bool plugged = true;
};

TEST(InputState, PadGivesOneCodePerPressHorizontalFirst) {
    struct Step {
        int32_t x, y;
        uint32_t buttons;
        int32_t code;
    };
    const Step steps[] = {
        {32768, 32768, 0, 0},
        {0, 32768, 0, 5},     // left
        {0, 32768, 0, 0},     // still held: latched
        {8191, 32768, 0, 0},  // still left
        {8192, 32768, 0, 0},  // centre zone: released
        {8191, 32768, 0, 5},  // pushed again
        {57344, 32768, 0, 0}, // centre zone
        {57345, 32768, 0, 6}, // right
        {57345, 65535, 1, 8}, // down and button 0 together: the axis first
        {57345, 65535, 1, 48},
        {57345, 65535, 1, 0},
        {32768, 0, 0, 0}, // straight from down to up: the latch holds
        {32768, 32768, 0, 0},
        {32768, 0, 0b110, 7}, // up first, then buttons 1 and 2 in order
        {32768, 0, 0b110, 49},
        {32768, 0, 0b110, 50},
        {32768, 0, 0b100, 0},          // button 2 still held
        {32768, 32768, 0b101, 48},     // button 0 again after its release
        {32768, 32768, 1u << 8, 0},    // a ninth button counts for nothing
        {32768, 32768, 0b10000000, 55} // the eighth
    };
    const UserPreferences preferences;
    InputState input(preferences);
    FakePad pad;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        pad.state.x = static_cast<uint16_t>(s.x);
        pad.state.y = static_cast<uint16_t>(s.y);
        pad.state.buttons = s.buttons;
        EXPECT_EQ(input.pollPad(&pad), s.code) << "step " << i;
    }
    EXPECT_EQ(input.pollPad(nullptr), 0);
    pad.plugged = false;
    pad.state.x = 0;
    EXPECT_EQ(input.pollPad(&pad), 0) << "unplugged";
}

TEST(InputState, PlayModesEndAtTheFirstInputWhichIsThenDropped) {
    const UserPreferences preferences;
    InputState input(preferences);
    auto click = [&] {
        EXPECT_TRUE(input.handle(platform::mouseEvent(EventType::MouseDown, 5, 5)));
    };

    // Entering auto mode keeps the action pending for the waiting code.
    input.setPendingAction(kActionAutoMode);
    input.poll(kGame, true, nullptr);
    EXPECT_TRUE(input.isAutoMode());
    EXPECT_EQ(input.pendingAction(), kActionAutoMode);
    input.clearPendingAction();
    input.poll(kGame, true, nullptr);
    EXPECT_TRUE(input.isAutoMode()) << "nothing happened";
    // A click ends it and is not also a click.
    click();
    input.poll(kGame, true, nullptr);
    EXPECT_TRUE(input.isNormalMode());
    EXPECT_EQ(input.pendingAction(), 0);
    // The next click is one.
    click();
    input.poll(kGame, true, nullptr);
    EXPECT_EQ(input.pendingAction(), kActionClick);
    input.clearPendingAction();

    // Tab hides the window; a right click (menu by default) only shows it again.
    input.translateAccelerators(kGame, platform::keyEvent(EventType::KeyDown, Key::Tab));
    input.poll(kGame, true, nullptr);
    EXPECT_EQ(input.playMode(), PlayMode::WindowHidden);
    input.clearPendingAction();
    input.handle(platform::mouseEvent(EventType::MouseUp, 5, 5, MouseButton::Right));
    input.poll(kGame, true, nullptr);
    EXPECT_TRUE(input.isNormalMode());
    EXPECT_EQ(input.pendingAction(), 0);

    // Skip mode ends in another context without any input.
    input.setPendingAction(kActionSkipMode);
    input.poll(kGame, true, nullptr);
    EXPECT_TRUE(input.isSkipping());
    input.clearPendingAction();
    input.poll(kChoice, true, nullptr);
    EXPECT_TRUE(input.isNormalMode());
    EXPECT_FALSE(input.isSkipping());
}

TEST(InputState, CtrlSkipsWhileHeldInTheActiveWindow) {
    const UserPreferences preferences;
    InputState input(preferences);
    input.setSkipMode();
    input.handle(platform::keyEvent(EventType::KeyDown, Key::ControlLeft, kModCtrl));
    EXPECT_TRUE(input.isSkipping());
    EXPECT_TRUE(input.isNormalMode()) << "holding Ctrl returns the mode to normal";
    input.handle(platform::keyEvent(EventType::KeyUp, Key::ControlLeft));
    EXPECT_FALSE(input.isSkipping()) << "releasing it ends skipping";

    input.handle(platform::keyEvent(EventType::KeyDown, Key::ControlRight, kModCtrl));
    EXPECT_TRUE(input.isSkipping());
    // The release goes to another window.
    input.handle(Event{EventType::Deactivate});
    EXPECT_FALSE(input.isSkipping());
    // Ctrl with Enter is neither Enter nor anything else.
    EXPECT_FALSE(input.translateAccelerators(
        kGame, platform::keyEvent(EventType::KeyDown, Key::Return, kModCtrl)));
}

// Two 4 x 4 opaque buttons: the message box's config button (22) and choice 3.
struct WithButtons {
    UserPreferences preferences;
    ButtonSets sets;
    InputState input{preferences};

    static Image square() {
        Image image;
        EXPECT_TRUE(image.create(PixelFormat::Bgr24, 4, 4));
        return image;
    }
    WithButtons() {
        EXPECT_TRUE(sets.box.add(square(), 1, kActionConfig, 548, 572));
        EXPECT_TRUE(sets.choice.add(square(), 1, 3, 100, 100));
        input.setButtonSets(&sets);
    }
    bool press(int32_t x, int32_t y) {
        return input.handle(platform::mouseEvent(EventType::MouseDown, x, y));
    }
    bool release(int32_t x, int32_t y) {
        return input.handle(platform::mouseEvent(EventType::MouseUp, x, y));
    }
};

TEST(InputState, LeftButtonGoesToTheArmedButtonsFirst) {
    WithButtons f;
    InputState& input = f.input;
    f.sets.arm(ButtonArming::ChoiceMenu);

    // On the box's config button: the press is no click, the release is its action.
    EXPECT_TRUE(f.press(549, 573));
    EXPECT_EQ(input.pendingAction(), 0);
    EXPECT_TRUE(f.release(549, 573));
    EXPECT_EQ(input.pendingAction(), kActionConfig);
    EXPECT_EQ(input.pendingIndex(), -1);
    input.clearPendingAction();

    // On a choice: its index and OK.
    EXPECT_TRUE(f.press(101, 101));
    EXPECT_TRUE(f.release(102, 102));
    EXPECT_EQ(input.pendingAction(), kActionOk);
    EXPECT_EQ(input.pendingIndex(), 3);
    input.clearPendingAction();

    // Pressed on one button, released on the other: nothing.
    EXPECT_TRUE(f.press(101, 101));
    EXPECT_FALSE(f.release(549, 573));
    EXPECT_EQ(input.pendingAction(), 0);

    // Beside every button the press is a click; its release answers nothing.
    EXPECT_TRUE(f.press(300, 300));
    EXPECT_EQ(input.pendingAction(), kActionClick);
    input.clearPendingAction();
    EXPECT_FALSE(f.release(300, 300));
    EXPECT_EQ(input.pendingAction(), 0);

    // In auto mode a press on a button is a click (which ends the mode), and its release
    // chooses nothing.
    input.setPendingAction(kActionAutoMode);
    input.poll(kGame, true, nullptr);
    input.clearPendingAction();
    EXPECT_TRUE(f.press(101, 101));
    EXPECT_EQ(input.pendingAction(), kActionClick);
    input.clearPendingAction();
    EXPECT_FALSE(f.release(101, 101));

    // Buttons of a set that is not armed are not there.
    f.sets.arm(ButtonArming::None);
    input.setNormalMode();
    EXPECT_TRUE(f.press(549, 573));
    EXPECT_EQ(input.pendingAction(), kActionClick);
}

TEST(InputState, OtherButtonsAndTheWheelGiveRawCodes) {
    const UserPreferences preferences;
    InputState input(preferences);
    struct Case {
        Event event;
        bool consumed;
        int32_t code;
    };
    const Case cases[] = {
        {platform::mouseEvent(EventType::MouseUp, 1, 1, MouseButton::Right), true, 30},
        {platform::mouseEvent(EventType::MouseUp, 1, 1, MouseButton::Middle), true, 31},
        {platform::mouseEvent(EventType::MouseDown, 1, 1, MouseButton::Right), false, 0},
        {platform::wheelEvent(2, 1, 1), true, 32},
        {platform::wheelEvent(-1, 1, 1), true, 33},
        {platform::mouseEvent(EventType::MouseDown, 1, 1), true, 1}, // no button sets
        {platform::mouseEvent(EventType::MouseUp, 1, 1), false, 0},
        {platform::mouseEvent(EventType::MouseMove, 1, 1), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.event.type));
        input.clearPendingAction();
        EXPECT_EQ(input.handle(c.event), c.consumed);
        EXPECT_EQ(input.pendingAction(), c.code);
    }
}

TEST(InputState, MouseIsSampledOnlyWhileActive) {
    const UserPreferences preferences;
    InputState input(preferences);
    input.handle(platform::mouseEvent(EventType::MouseMove, 30, 40));
    input.handle(platform::mouseEvent(EventType::MouseDown, 31, 41));
    EXPECT_EQ(input.mouse(), (Point{0, 0})) << "not sampled yet";
    input.poll(kGame, false, nullptr);
    EXPECT_EQ(input.mouse(), (Point{0, 0})) << "inactive: kept";
    EXPECT_FALSE(input.leftDown());
    input.poll(kGame, true, nullptr);
    EXPECT_EQ(input.mouse(), (Point{31, 41}));
    EXPECT_TRUE(input.leftDown());
    input.handle(platform::mouseEvent(EventType::MouseUp, 32, 42));
    input.poll(kGame, true, nullptr);
    EXPECT_FALSE(input.leftDown());
}

TEST(InputState, ActionNamesAndTheShortcutListReadAsThePlayerSeesThem) {
    const auto utf8 = [](std::string_view sjis) { return platform::sjisToUtf8(sjis); };
    EXPECT_EQ(utf8(actionName(0)), "（なし）");
    EXPECT_EQ(utf8(actionName(2)), "ＯＫ・文章送り");
    EXPECT_EQ(utf8(actionName(24)), "ボス来た！！");
    EXPECT_EQ(utf8(actionName(28)), "フルスクリーン化");
    EXPECT_EQ(actionName(29), "");
    EXPECT_EQ(actionName(-1), "");
    EXPECT_EQ(
        utf8(shortcutListText()),
        "Enter\t文章送り\nEsc\tコンフィグ\nTab\t窓消し\nCtrl\t強制スキップ\n\n"
        "Insert\tＱセーブ\nDelete\tＱロード\nHome\tセーブ\nEnd\tロード\n\n"
        "Page Up\t履歴表示\nBack Space\t履歴表示\n\n"
        "テンキー +\tオート\nテンキー -\tスキップ\nテンキー *\t履歴表示\nテンキー /\t窓消し\n");
}

} // namespace
} // namespace velmira
