#include "platform/sdl/gtk_popup_menu.h"

#include <SDL.h>
#include <gtk/gtk.h>

#include "platform/sdl/gtk_runtime.h"
#include "platform/sdl/sdl_window.h"

namespace velmira::platform {
namespace {

// What the loop of one popup learns from GTK's signals.
struct Tracking {
    GMainLoop* loop = nullptr;
    int32_t chosen = 0;
};

void onItemActivate(GtkMenuItem* item, gpointer data) {
    auto* tracking = static_cast<Tracking*>(data);
    tracking->chosen = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "velmira-id"));
}

// The menu closes both when an item was chosen (its "activate" follows at once, in the
// same dispatch) and when it was dismissed.
void onMenuDeactivate(GtkMenuShell*, gpointer data) {
    g_main_loop_quit(static_cast<Tracking*>(data)->loop);
}

GtkWidget* makeItem(const PopupMenuItem& item, Tracking& tracking) {
    if (item.id == 0) return gtk_separator_menu_item_new();
    const GtkMenuLabel text = gtkMenuLabel(item.text);
    GtkWidget* menuItem = nullptr;
    if (item.checked) {
        menuItem = gtk_check_menu_item_new();
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(menuItem), TRUE);
    } else {
        menuItem = gtk_menu_item_new();
    }
    // The label on the left, the key that does the same at the right in the theme's
    // accelerator style.
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 24);
    GtkWidget* label = gtk_label_new_with_mnemonic(text.label.c_str());
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), menuItem);
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
    if (!text.accelerator.empty()) {
        GtkWidget* accelerator = gtk_label_new(text.accelerator.c_str());
        gtk_style_context_add_class(gtk_widget_get_style_context(accelerator), "accelerator");
        gtk_box_pack_end(GTK_BOX(box), accelerator, FALSE, FALSE, 0);
    }
    gtk_container_add(GTK_CONTAINER(menuItem), box);
    g_object_set_data(G_OBJECT(menuItem), "velmira-id", GINT_TO_POINTER(item.id));
    g_signal_connect(menuItem, "activate", G_CALLBACK(onItemActivate), &tracking);
    return menuItem;
}

} // namespace

GtkMenuLabel gtkMenuLabel(std::string_view text) {
    GtkMenuLabel out;
    const size_t tab = text.find('\t');
    if (tab != std::string_view::npos) {
        out.accelerator = std::string(text.substr(tab + 1));
        text = text.substr(0, tab);
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out.label += '&';
                ++i;
            } else if (i + 1 < text.size()) {
                out.label += '_';
            }
        } else if (c == '_') {
            out.label += "__";
        } else {
            out.label += c;
        }
    }
    return out;
}

int32_t GtkPopupMenu::track(const std::vector<PopupMenuItem>& items, int32_t x, int32_t y) {
#ifdef GDK_WINDOWING_X11
    if (items.empty() || !gtk_.ready()) return 0;
    GdkWindow* owner = GtkRuntime::foreignWindow(owner_.handle());
    if (!owner) return 0;

    Tracking tracking;
    GtkWidget* menu = gtk_menu_new();
    for (const PopupMenuItem& item : items)
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), makeItem(item, tracking));
    gtk_widget_show_all(menu);

    owner_.fromFrame(x, y);
    const GdkRectangle at{x, y, 1, 1};
    // GTK grabs the pointer for the menu with the device of the event that opened it. The
    // right click came through SDL, so GTK has none: one is made up, a press of the right
    // button in the game window.
    GdkEvent* trigger = gdk_event_new(GDK_BUTTON_PRESS);
    trigger->button.window = GDK_WINDOW(g_object_ref(owner)); // gdk_event_free releases it
    trigger->button.send_event = TRUE;
    trigger->button.button = GDK_BUTTON_SECONDARY;
    trigger->button.time = GDK_CURRENT_TIME;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(owner));
    if (seat) gdk_event_set_device(trigger, gdk_seat_get_pointer(seat));

    tracking.loop = g_main_loop_new(nullptr, FALSE);
    g_signal_connect(menu, "deactivate", G_CALLBACK(onMenuDeactivate), &tracking);
    gtk_.runModal([&] {
        gtk_menu_popup_at_rect(GTK_MENU(menu), owner, &at, GDK_GRAVITY_NORTH_WEST,
                               GDK_GRAVITY_NORTH_WEST, trigger);
        // A menu that could not grab the pointer closes at once (deactivate has run).
        if (gtk_widget_get_visible(menu)) g_main_loop_run(tracking.loop);
        gtk_widget_destroy(menu);
        return 0;
    });
    gdk_event_free(trigger);
    g_main_loop_unref(tracking.loop);
    g_object_unref(owner);
    return tracking.chosen;
#else
    (void)items;
    (void)x;
    (void)y;
    return 0;
#endif
}

} // namespace velmira::platform
