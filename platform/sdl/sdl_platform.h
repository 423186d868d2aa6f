// The real-window backend: SDL2 for the window, events, timers and clock, GTK 3 for
// message boxes, a lock file and a Unix-domain socket for the single-instance identity.
// This header names no SDL or GTK type, so the program's entry can include it.
//
// A machine without a display still gets a working clock, event queue and timers;
// only Window::create fails (and the program then ends, as it does when its window
// cannot be made).
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace velmira::platform {

struct SdlPlatformOptions {
    // Let presenting wait for the display's vertical retrace.
    bool vsync = true;
    // Folder for the single-instance lock and socket; empty: $XDG_RUNTIME_DIR, else
    // /tmp/velmira-<uid>.
    std::string runtimeDir;
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
    // productId is the setting's Shift-JIS bytes. A raise request of a later claimant
    // arrives as an EventType::Raise event (wait() wakes for it).
    InstanceClaim claimInstance(const std::string& productId) override;

    // False when SDL's video could not start (no display): no window can be created.
    bool videoAvailable() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velmira::platform
