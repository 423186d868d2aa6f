#include "platform/sdl/gtk_dialogs.h"

#include <gtk/gtk.h>

namespace velmira::platform {

bool GtkDialogs::askYesNo(std::string_view caption, std::string_view text) {
    const std::string c(caption), t(text);
    if (gtk_.ready()) return askWithGtk(c, t);
    const bool yes = askWithSdl(c, t);
    GtkRuntime::dropInputSinceModal();
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
    gtk_.setOwner(dialog, owner_.handle());
    const gint response = gtk_.runModal([dialog] {
        const gint r = gtk_dialog_run(GTK_DIALOG(dialog));
        gtk_widget_destroy(dialog);
        return r;
    });
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
