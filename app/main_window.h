// The main window: its client area is the screen size; it answers close requests with
// the quit question, keeps the title up to date and posts the quit message when it is
// destroyed. This is the engine's window procedure over the platform's window.
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

    MainWindow(platform::Window& window, platform::EventQueue& events, platform::Dialogs& dialogs,
               const EngineSettings& settings, const UserPreferences& preferences);

    // Client area ScreenWidth x ScreenHeight, centred, no resizing; starts the 2 s timer.
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

    // The window procedure: every event the pumps remove reaches this.
    void handleEvent(const platform::Event& event);

    void setTitleSource(std::function<TitleInfo()> source) { titleSource_ = std::move(source); }
    // Paints the client area (presents the front buffer).
    void setPaintHandler(std::function<void()> paint) { paint_ = std::move(paint); }
    // Set by the quick-save-and-quit boss key: the next close does not ask.
    void setQuitWithoutAsking(bool on) { quitWithoutAsking_ = on; }

    // The title as it would be set now (Shift-JIS).
    std::string composeTitle() const;

  private:
    void onClose();
    void destroy();
    void onTimer();

    platform::Window& window_;
    platform::EventQueue& events_;
    platform::Dialogs& dialogs_;
    const EngineSettings& settings_;
    const UserPreferences& preferences_;
    std::function<TitleInfo()> titleSource_;
    std::function<void()> paint_;
    bool active_ = true;
    bool quitWithoutAsking_ = false;
    int32_t titleRefreshCounter_ = 0;
    std::string shownTitle_; // the title last set (Shift-JIS)
};

} // namespace velmira
