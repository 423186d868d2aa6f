// The real-window backend: SDL2 for the window, events, timers, clock, pad and sound
// output, GTK 3 for message boxes, the tray icon and the popup menu, a lock file and a
// Unix-domain socket for the single-instance identity, std::thread for the engine's
// threads. One class per capability (sdl_window, sdl_events, sdl_pad, sdl_clock,
// sdl_audio_output, system_threads, gtk_runtime, gtk_dialogs, gtk_tray_icon,
// gtk_popup_menu, single_instance); this one only builds and wires them. This header names
// no SDL or GTK type, so the program's entry can include it.
//
// A machine without a display still gets a working clock, event queue and timers;
// only Window::create fails (and the program then ends, as it does when its window
// cannot be made). A machine without sound gets no audio output, and the game runs
// silent.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace velmira::platform {

struct SdlPlatformOptions {
    // Let presenting wait for the display's vertical retrace.
    bool vsync = true;
    // Window mode shows every frame pixel as scale x scale pixels (1 to 8); scaled full
    // screen fills the desktop with the aspect kept.
    int32_t scale = 1;
    // Folder for the single-instance lock and socket; empty: $XDG_RUNTIME_DIR, else
    // /tmp/velmira-<uid>.
    std::string runtimeDir;
    // Hears, as plain ASCII text, what the machine could not do that the game goes on
    // without (no sound); may be called from the sound output's own thread. Empty: told
    // nobody.
    std::function<void(std::string_view)> note;
};

class SdlPlatform final : public Platform {
  public:
    SdlPlatform();
    explicit SdlPlatform(SdlPlatformOptions options);
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    Clock& clock() override;
    EventQueue& events() override;
    Window& window() override;
    Dialogs& dialogs() override;
    // A raise request of a later claimant arrives as an EventType::Raise event (wait()
    // wakes for it).
    InstanceLock& instanceLock() override;
    const SystemFacts& systemFacts() const override;
    // FreeType over the face table, fontconfig where a table file is missing.
    FontEngine& fonts() override;
    // Null when SDL's joystick layer could not start.
    Pad* pad() override;
    // A GTK status icon; null where the window is not on X11. Its add() fails where the
    // desktop has no tray.
    TrayIcon* trayIcon() override;
    // A GTK menu; null where the window is not on X11.
    PopupMenu* popupMenu() override;
    // Null when SDL's audio could not start (no sound on this machine).
    AudioOutput* audioOutput() override;
    Threads& threads() override;

    // False when SDL's video could not start (no display): no window can be created.
    bool videoAvailable() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velmira::platform
