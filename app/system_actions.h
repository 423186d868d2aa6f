// The system actions: while a message is shown or the player is asked to choose, every
// input action other than advancing the text is a request of the system - the popup menu,
// hiding the message window, going back to the title, the screen modes, the boss key,
// quitting. This one dispatcher serves them and tells the waiting code whether the script
// position changed, in which case the waiting code abandons what it was doing.
//
// Saving, loading, the backlog and the configuration dialog join here with their screens;
// until then their actions are taken and do nothing.
#pragma once

#include <cstdint>
#include <functional>

#include "app/message_pump.h"

namespace velmira {

class ButtonSets;
class MainWindow;
class Screen;
class ScriptRunner;

class SystemActions {
  public:
    SystemActions(MessagePump& pump, MainWindow& window, Screen& screen, ScriptRunner& runner,
                  ButtonSets& buttons);

    // Shows the right-click popup menu; the chosen item becomes the pending action.
    void setPopupMenu(std::function<void()> showPopupMenu) {
        showPopupMenu_ = std::move(showPopupMenu);
    }

    // Serves the pending actions; true when the script position changed (back to the
    // title, a quit request). In the "system" display mode nothing is served.
    bool serve(InputContext context);

  private:
    // The message window stays hidden until any input arrives.
    void hideWindow();

    MessagePump& pump_;
    MainWindow& window_;
    Screen& screen_;
    ScriptRunner& runner_;
    ButtonSets& buttons_;
    std::function<void()> showPopupMenu_;
};

} // namespace velmira
