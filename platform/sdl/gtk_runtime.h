// GTK 3 beside SDL: started once, on first use, by whichever GTK piece needs it first (the
// quit question now; the popup menu, tray icon and configuration dialog later), and the
// integration of GTK's modal loops with the game window's SDL queue.
#pragma once

#include <SDL.h>

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkWindow GdkWindow;

namespace velmira::platform {

class GtkRuntime {
  public:
    GtkRuntime() = default;
    GtkRuntime(const GtkRuntime&) = delete;
    GtkRuntime& operator=(const GtkRuntime&) = delete;

    // Starts GTK the first time (false for good where it cannot start, as without an X
    // display for it). The engine's own locale stays "C" (number formatting, character
    // classes); only GTK's texts, such as button labels, follow the user's language.
    bool ready();

    // Makes a realised GTK window a transient of the game window, so that window
    // managers keep it above the game and centred on it.
    void setOwner(GtkWidget* widget, SDL_Window* owner);

    // The game window as GDK knows a window of another toolkit, for GTK pieces placed
    // relative to it; null off X11 or while GTK has no display. The caller owns the
    // reference (g_object_unref).
    static GdkWindow* foreignWindow(SDL_Window* window);

    // Runs a modal loop (a dialog's run) as the game window's owner would: meanwhile the
    // game window keeps answering its window manager (pings, exposes), and afterwards the
    // keys, clicks and close requests that reached it are dropped, as for a disabled
    // window; repaints, focus changes and signals stay queued.
    template <typename Modal> auto runModal(Modal modal) {
        const unsigned pump = beginModal();
        auto result = modal();
        endModal(pump);
        return result;
    }

    // What a modal that is not GTK's (SDL's own message box) needs afterwards: the input
    // that reached the game window meanwhile is dropped.
    static void dropInputSinceModal();

  private:
    unsigned beginModal();
    void endModal(unsigned pump);

    enum class State { Untried, Ready, Unavailable };
    State state_ = State::Untried;
};

} // namespace velmira::platform
