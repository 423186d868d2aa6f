#include "app/popup_menu.h"

#include <array>
#include <cstdint>

#include "app/input_state.h"
#include "app/main_window.h"
#include "platform/encoding.h"

namespace velmira {
namespace {

struct PopupMenuEntry {
    int32_t id = 0;             // the action; 0 for a separator
    const char* text = nullptr; // Shift-JIS; "&" before the mnemonic, a tab before the key
};

// The items from top to bottom.
// clang-format off
constexpr std::array kEntries = {
    PopupMenuEntry{kActionQuickSave,
        "\x83\x4e\x83\x43\x83\x62\x83\x4e\x83\x5a\x81\x5b\x83\x75(&Q)\tINS"}, // クイックセーブ
    PopupMenuEntry{},
    PopupMenuEntry{kActionAutoMode,
        "\x8e\xa9\x93\xae\x91\x97\x82\xe8\x83\x82\x81\x5b\x83\x68(&A)\tShift + \x81\xab"}, // 自動送りモード, ↓
    PopupMenuEntry{kActionSkipMode,
        "\x83\x58\x83\x4c\x83\x62\x83\x76\x83\x82\x81\x5b\x83\x68(&J)\tShift + \x81\xa8"}, // スキップモード, →
    PopupMenuEntry{},
    PopupMenuEntry{kActionHideWindow,
        "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x8f\xc1\x8b\x8e(&H)\tTAB"}, // ウィンドウ消去
    PopupMenuEntry{kActionBacklog, "\x97\x9a\x97\xf0\x95\x5c\x8e\xa6(&L)\tBS"}, // 履歴表示
    PopupMenuEntry{},
    PopupMenuEntry{kActionSave, "\x83\x5a\x81\x5b\x83\x75(&S)\tHOME"}, // セーブ
    PopupMenuEntry{kActionLoad, "\x83\x8d\x81\x5b\x83\x68(&O)\tEND"}, // ロード
    PopupMenuEntry{kActionConfig, "\x83\x52\x83\x93\x83\x74\x83\x42\x83\x4f(&C)\tESC"}, // コンフィグ
    PopupMenuEntry{},
    PopupMenuEntry{kActionFullScreen,
        "\x83\x74\x83\x8b\x83\x58\x83\x4e\x83\x8a\x81\x5b\x83\x93\x83\x82\x81\x5b\x83\x68(&F)"}, // フルスクリーンモード
    PopupMenuEntry{kActionWindowMode,
        "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x83\x82\x81\x5b\x83\x68(&W)"}, // ウィンドウモード
    PopupMenuEntry{},
    PopupMenuEntry{kActionTitle,
        "\x83\x5e\x83\x43\x83\x67\x83\x8b\x89\xe6\x96\xca\x82\xc9\x96\xdf\x82\xe9(&T)\tShift + HOME"}, // タイトル画面に戻る
    PopupMenuEntry{kActionQuit, "\x8f\x49\x97\xb9(&X)\tAlt+F4"}, // 終了
};
// clang-format on

} // namespace

std::vector<platform::PopupMenuItem> popupMenuItems(bool fullScreen) {
    std::vector<platform::PopupMenuItem> items;
    items.reserve(kEntries.size());
    for (const PopupMenuEntry& e : kEntries) {
        platform::PopupMenuItem item;
        item.id = e.id;
        if (e.text) item.text = platform::sjisToUtf8(e.text);
        item.checked =
            (e.id == kActionWindowMode && !fullScreen) || (e.id == kActionFullScreen && fullScreen);
        items.push_back(std::move(item));
    }
    return items;
}

void showPopupMenu(platform::PopupMenu* menu, MainWindow& window, InputState& input) {
    if (!menu) return;
    const Point at = input.mouse();
    window.setEnabled(false);
    const int32_t chosen = menu->track(popupMenuItems(window.fullScreen()), at.x, at.y);
    window.setEnabled(true);
    // The menu's own loop swallowed the keys and buttons released while it was open.
    input.forgetHeldInput();
    if (chosen > 0 && chosen < kActionCount) input.setPendingAction(chosen);
}

} // namespace velmira
