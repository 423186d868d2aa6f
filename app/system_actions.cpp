#include "app/system_actions.h"

#include "app/main_window.h"
#include "app/screen.h"
#include "script/script_runner.h"
#include "ui/button_set.h"

namespace velmira {

SystemActions::SystemActions(MessagePump& pump, MainWindow& window, Screen& screen,
                             ScriptRunner& runner, ButtonSets& buttons)
    : pump_(pump), window_(window), screen_(screen), runner_(runner), buttons_(buttons) {}

bool SystemActions::serve(InputContext context) {
    if (runner_.scriptMode() == ScriptMode::System) return false;
    buttons_.arm(ButtonArming::None);
    InputState& input = pump_.input();
    while (input.pendingAction() != 0) {
        const int32_t action = input.pendingAction();
        input.clearPendingAction();
        switch (action) {
        case kActionMenu:
            // The chosen item arrives as the next pending action.
            if (showPopupMenu_) showPopupMenu_();
            pump_.pumpAndPollInput(context, IdleSleep::No);
            continue;
        case kActionBossKey:
            window_.bossKey();
            pump_.pumpAndPollInput(context, IdleSleep::No);
            continue;
        case kActionHideWindow:
            hideWindow();
            return false;
        case kActionTitle:
            runner_.requestRestart();
            return true;
        case kActionQuit:
            window_.requestClose();
            return true;
        default:
            if (window_.serveScreenModeAction(action)) return false;
            // FIXME: quick save and load (17, 18), the backlog (14), the save/load screen
            // (20, 21) and the configuration dialog (22) arrive with their screens; until
            // then they are taken and do nothing, like every other code.
            return false;
        }
    }
    return false;
}

void SystemActions::hideWindow() {
    InputState& input = pump_.input();
    while (pump_.pumpAndPollInput(InputContext::SystemScreen, IdleSleep::Yes)) {
        if (input.pendingAction() != 0) break;
        screen_.showFrame();
    }
    input.clearPendingAction();
}

} // namespace velmira
