#include "platform/sdl/gtk_dialogs.h"

#include <clocale>
#include <string>

#include <SDL_syswm.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace velmira::platform {
namespace {

// While the question is open the game window keeps answering its window manager
// (pings, exposes); what arrives for it waits in SDL's queue.
gboolean pumpGameWindow(gpointer) {
    SDL_PumpEvents();
    return G_SOURCE_CONTINUE;
}

constexpr guint kPumpIntervalMs = 50;

int SDLCALL keepAfterQuestion(void*, SDL_Event* event) {
    if (event->type >= SDL_KEYDOWN && event->type <= SDL_MOUSEWHEEL) return 0;
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_CLOSE) return 0;
    return 1;
}

// Makes the dialog a transient of the game window so window managers keep it above and
// centred on the game.
void setOwner(GtkWidget* dialog, SDL_Window* owner) {
#ifdef GDK_WINDOWING_X11
    if (!owner) return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(owner, &info) || info.subsystem != SDL_SYSWM_X11) return;
    GdkDisplay* display = gtk_widget_get_display(dialog);
    if (!GDK_IS_X11_DISPLAY(display)) return;
    GdkWindow* parent = gdk_x11_window_foreign_new_for_display(display, info.info.x11.window);
    if (!parent) return;
    gdk_window_set_transient_for(gtk_widget_get_window(dialog), parent);
    g_object_unref(parent);
#endif
}

} // namespace

bool GtkDialogs::gtkReady() {
    if (gtk_ == Gtk::Untried) {
        // The engine's own locale stays "C" (number formatting, character classes); only
        // the button labels follow the user's language.
        gtk_disable_setlocale();
        std::setlocale(LC_MESSAGES, "");
        gtk_ = gtk_init_check(nullptr, nullptr) ? Gtk::Ready : Gtk::Unavailable;
    }
    return gtk_ == Gtk::Ready;
}

bool GtkDialogs::askYesNo(std::string_view caption, std::string_view text) {
    const std::string c(caption), t(text);
    const bool yes = gtkReady() ? askWithGtk(c, t) : askWithSdl(c, t);
    // The game window was as good as disabled meanwhile: keys, clicks and close requests
    // that reached it belong to no one. Repaints, focus changes and signals stay.
    SDL_PumpEvents();
    SDL_FilterEvents(keepAfterQuestion, nullptr);
    return yes;
}

bool GtkDialogs::askWithGtk(const std::string& caption, const std::string& text) {
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                               GTK_BUTTONS_YES_NO, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
    gtk_widget_realize(dialog);
    setOwner(dialog, owner_.handle());

    const guint pump = g_timeout_add(kPumpIntervalMs, pumpGameWindow, nullptr);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    g_source_remove(pump);
    gtk_widget_destroy(dialog);
    // Let GTK unmap the dialog now rather than at its next use.
    while (gtk_events_pending())
        gtk_main_iteration();
    return response == GTK_RESPONSE_YES;
}

bool GtkDialogs::askWithSdl(const std::string& caption, const std::string& text) {
    enum : int { kNo = 0, kYes = 1 };
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kYes, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kNo, "No"},
    };
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    data.window = owner_.handle();
    data.title = caption.c_str();
    data.message = text.c_str();
    data.numbuttons = 2;
    data.buttons = buttons;
    int chosen = kNo;
    if (SDL_ShowMessageBox(&data, &chosen) != 0) return false;
    return chosen == kYes;
}

} // namespace velmira::platform
