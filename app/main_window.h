// The main window: its client area is the screen size; it answers close requests with
// the quit question, switches between window mode and full screen, keeps the title up to
// date, hides the resting mouse cursor, runs the boss key and posts the quit message when
// it is destroyed. This is the engine's window procedure over the platform's window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/platform.h"

namespace velmira {

struct EngineSettings;
struct UserPreferences;

// What the title shows besides the game's title (Shift-JIS texts).
struct TitleInfo {
    std::string chapterName;
    bool systemDisplayMode = false; // the play time is hidden on system screens
    uint32_t playMinutes = 0;
};

class MainWindow {
  public:
    static constexpr int32_t kTimerId = 0;
    static constexpr uint32_t kTimerPeriodMs = 2000;
    // Timer ticks without a mouse event after which the cursor hides (4 to 6 s of rest).
    static constexpr int32_t kCursorRestTicks = 3;
    // Ticks between two title refreshes from the timer (18 s).
    static constexpr int32_t kTitleRefreshTicks = 9;

    // trayIcon: null where the platform has none (the boss key then minimises).
    // preferences: the window keeps `fullScreen` in step with its mode.
    MainWindow(platform::Window& window, platform::EventQueue& events, platform::Dialogs& dialogs,
               platform::TrayIcon* trayIcon, const EngineSettings& settings,
               UserPreferences& preferences);

    // Client area ScreenWidth x ScreenHeight, centred, no resizing, the game's icon;
    // starts the 2 s timer.
    bool create();
    // Shows the window, paints it and refreshes the title.
    void show();
    // Sets the title composeTitle() gives now (unless the window shows it already).
    void refreshTitle();
    // Posts the close request (the quit question follows).
    void requestClose();
    bool exists() const { return window_.exists(); }
    bool active() const { return active_; }
    bool minimised() const { return window_.minimised(); }

    // False when nothing changed: the mode is already `on`, there is no window, or the
    // platform refused (the window then stays in window mode). The preference
    // `fullScreen` follows the mode the window ends up in.
    bool setFullScreen(bool on);
    bool toggleFullScreen() { return setFullScreen(!fullScreen_); }
    bool fullScreen() const { return fullScreen_; }
    // The screen-mode actions (26 toggles, 27 window mode, 28 full screen); true when the
    // action was one of them, whether or not the mode changed.
    bool serveScreenModeAction(int32_t action);

    // The boss key, as the preference `bossKeyMode` says: 0 hides the window behind a
    // notification-area icon until the icon is clicked (minimises it where there is no
    // notification area), 1 disguises it as an untitled note pad while it stays
    // minimised, 2 quick-saves and closes without the question. Modes 0 and 1 return when
    // the window is back or the quit message arrived.
    void bossKey();

    // A disabled window (a modal dialog is open over it) never hides the cursor.
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }
    bool cursorHidden() const { return cursorHidden_; }

    // The window procedure: every event the pumps remove reaches this.
    void handleEvent(const platform::Event& event);

    void setTitleSource(std::function<TitleInfo()> source) { titleSource_ = std::move(source); }
    // Paints the client area (presents the front buffer).
    void setPaintHandler(std::function<void()> paint) { paint_ = std::move(paint); }
    // Blocks for one message and dispatches it; false once the quit message was seen
    // (MessagePump::pumpOneMessage). The boss key waits through it.
    void setMessagePump(std::function<bool()> pumpOneMessage) {
        pumpOneMessage_ = std::move(pumpOneMessage);
    }
    // Writes the quick-save slot; the boss key's mode 2 calls it before closing.
    void setQuickSave(std::function<void()> quickSave) { quickSave_ = std::move(quickSave); }
    // Set by the quick-save-and-quit boss key: the next close does not ask.
    void setQuitWithoutAsking(bool on) { quitWithoutAsking_ = on; }

    // The title as it would be set now (Shift-JIS).
    std::string composeTitle() const;

  private:
    void onClose();
    void destroy();
    void onTimer();
    void showCursor();
    // Pumps one message at a time while the window exists and `away()` holds; stops when
    // the quit message came.
    template <typename Away> void pumpWhile(Away away);
    void hideInTray();
    void minimiseUntilRestored();
    void disguiseAsNotepad();
    void quickSaveAndQuit();

    platform::Window& window_;
    platform::EventQueue& events_;
    platform::Dialogs& dialogs_;
    platform::TrayIcon* trayIcon_;
    const EngineSettings& settings_;
    UserPreferences& preferences_;
    std::function<TitleInfo()> titleSource_;
    std::function<void()> paint_;
    std::function<bool()> pumpOneMessage_;
    std::function<void()> quickSave_;
    bool active_ = true;
    bool fullScreen_ = false;
    bool enabled_ = true;
    bool inBossKey_ = false;
    bool quitWithoutAsking_ = false;
    bool cursorHidden_ = false;
    int32_t cursorIdleCounter_ = 0;
    int32_t titleRefreshCounter_ = 0;
    std::string shownTitle_; // the title last set (Shift-JIS)
};

} // namespace velmira
