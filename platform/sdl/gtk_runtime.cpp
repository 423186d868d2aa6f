#include "platform/sdl/gtk_runtime.h"

#include <clocale>

#include <SDL_syswm.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace velmira::platform {
namespace {

constexpr guint kPumpIntervalMs = 50;

// While a modal loop runs, what arrives for the game window waits in SDL's queue.
gboolean pumpGameWindow(gpointer) {
    SDL_PumpEvents();
    return G_SOURCE_CONTINUE;
}

int SDLCALL keepAfterModal(void*, SDL_Event* event) {
    if (event->type >= SDL_KEYDOWN && event->type <= SDL_MOUSEWHEEL) return 0;
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_CLOSE) return 0;
    return 1;
}

} // namespace

bool GtkRuntime::ready() {
    if (state_ == State::Untried) {
        gtk_disable_setlocale();
        std::setlocale(LC_MESSAGES, "");
        state_ = gtk_init_check(nullptr, nullptr) ? State::Ready : State::Unavailable;
    }
    return state_ == State::Ready;
}

void GtkRuntime::setOwner(GtkWidget* widget, SDL_Window* owner) {
    if (!widget) return;
    GdkWindow* parent = foreignWindow(owner);
    if (!parent) return;
    gdk_window_set_transient_for(gtk_widget_get_window(widget), parent);
    g_object_unref(parent);
}

GdkWindow* GtkRuntime::foreignWindow(SDL_Window* window) {
#ifdef GDK_WINDOWING_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return nullptr;
    return gdk_x11_window_foreign_new_for_display(display, info.info.x11.window);
#else
    (void)window;
    return nullptr;
#endif
}

unsigned GtkRuntime::beginModal() {
    return g_timeout_add(kPumpIntervalMs, pumpGameWindow, nullptr);
}

void GtkRuntime::endModal(unsigned pump) {
    g_source_remove(pump);
    // Let GTK unmap what the modal showed now rather than at its next use.
    while (gtk_events_pending())
        gtk_main_iteration();
    dropInputSinceModal();
}

void GtkRuntime::dropInputSinceModal() {
    SDL_PumpEvents();
    SDL_FilterEvents(keepAfterModal, nullptr);
}

} // namespace velmira::platform
