#include "platform/sdl/sdl_platform.h"

#include <string_view>

#include <SDL.h>

#include "platform/fonts/freetype_fonts.h"
#include "platform/sdl/gtk_dialogs.h"
#include "platform/sdl/gtk_popup_menu.h"
#include "platform/sdl/gtk_runtime.h"
#include "platform/sdl/gtk_tray_icon.h"
#include "platform/sdl/sdl_audio_output.h"
#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_pad.h"
#include "platform/sdl/sdl_window.h"
#include "platform/sdl/single_instance.h"
#include "platform/sdl/system_threads.h"

namespace velmira::platform {
namespace {

// Starts one SDL subsystem and stops it again on destruction; a failure is remembered,
// never fatal.
class Subsystem {
  public:
    explicit Subsystem(Uint32 flags) : flags_(flags), ok_(SDL_InitSubSystem(flags) == 0) {}
    ~Subsystem() { stop(); }
    Subsystem(const Subsystem&) = delete;
    Subsystem& operator=(const Subsystem&) = delete;
    bool ok() const { return ok_; }
    void stop() {
        if (ok_) SDL_QuitSubSystem(flags_);
        ok_ = false;
    }

  private:
    Uint32 flags_;
    bool ok_;
};

bool prepareHints() {
    // Closing the window is a question the engine asks, not a second quit request.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The engine hides the cursor itself; a mouse click that activates the window is
    // also a click in the game, as on the system the engine comes from.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    return true;
}

// Whether the game window is an X11 window, which the GTK pieces drawn beside it need.
bool onX11() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::string_view(driver) == "x11";
}

} // namespace

struct SdlPlatform::Impl {
    explicit Impl(SdlPlatformOptions options)
        : hints(prepareHints()), timerSystem(SDL_INIT_TIMER), eventSystem(SDL_INIT_EVENTS),
          videoSystem(SDL_INIT_VIDEO), padSystem(SDL_INIT_JOYSTICK),
          controllerSystem(SDL_INIT_GAMECONTROLLER), audioSystem(SDL_INIT_AUDIO),
          audioFailure(audioSystem.ok() ? "" : SDL_GetError()), audio(options.note),
          window(videoSystem.ok(), options.vsync ? VSync::On : VSync::Off, options.scale),
          events(timerSystem.ok() && eventSystem.ok(), window), dialogs(gtk, window),
          tray(gtk, events), popupMenu(gtk, window),
          instance(std::move(options.runtimeDir), [this] { events.postRaise(); }) {
        if (padSystem.ok()) events.setPad(&pad);
        if (!audioSystem.ok() && options.note)
            options.note("sound: no audio driver (" + audioFailure + "); the game runs silent");
    }

    ~Impl() {
        // The lock goes first (its listener posts into the queue), then the window. The
        // timer thread is stopped before the queue goes.
        instance.release();
        tray.remove();
        window.destroy();
        events.setPad(nullptr);
        pad.close();
        controllerSystem.stop();
        padSystem.stop();
        events.stopAllTimers();
        timerSystem.stop();
        audio.stop();
        audioSystem.stop();
    }

    bool hints;
    Subsystem timerSystem;
    Subsystem eventSystem;
    Subsystem videoSystem;
    Subsystem padSystem;
    // Controller mappings: pads of every make in one button layout (without them, raw).
    Subsystem controllerSystem;
    Subsystem audioSystem;
    std::string audioFailure; // SDL's reason when audioSystem failed
    SdlAudioOutput audio;
    SystemThreads threads;
    SystemFacts facts = hostSystemFacts();
    SdlClock clock;
    SdlWindow window;
    SdlEventQueue events;
    SdlPad pad;
    GtkRuntime gtk;
    GtkDialogs dialogs;
    GtkTrayIcon tray;
    GtkPopupMenu popupMenu;
    SingleInstance instance;
    FreeTypeFontEngine fonts; // the face table first, fontconfig where its files are missing
};

SdlPlatform::SdlPlatform() : SdlPlatform(SdlPlatformOptions{}) {}

SdlPlatform::SdlPlatform(SdlPlatformOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

SdlPlatform::~SdlPlatform() = default;

Clock& SdlPlatform::clock() {
    return impl_->clock;
}
EventQueue& SdlPlatform::events() {
    return impl_->events;
}
Window& SdlPlatform::window() {
    return impl_->window;
}
Dialogs& SdlPlatform::dialogs() {
    return impl_->dialogs;
}
InstanceLock& SdlPlatform::instanceLock() {
    return impl_->instance;
}
const SystemFacts& SdlPlatform::systemFacts() const {
    return impl_->facts;
}
FontEngine& SdlPlatform::fonts() {
    return impl_->fonts;
}
Pad* SdlPlatform::pad() {
    return impl_->padSystem.ok() ? &impl_->pad : nullptr;
}
TrayIcon* SdlPlatform::trayIcon() {
    // GTK's status icon lives in an X11 tray.
    return onX11() ? &impl_->tray : nullptr;
}
PopupMenu* SdlPlatform::popupMenu() {
    // The GTK menu is placed over the game window through X11.
    return onX11() ? &impl_->popupMenu : nullptr;
}
AudioOutput* SdlPlatform::audioOutput() {
    return impl_->audioSystem.ok() ? &impl_->audio : nullptr;
}
Threads& SdlPlatform::threads() {
    return impl_->threads;
}
bool SdlPlatform::videoAvailable() const {
    return impl_->videoSystem.ok();
}

} // namespace velmira::platform
