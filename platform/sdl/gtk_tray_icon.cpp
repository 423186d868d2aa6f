#include "platform/sdl/gtk_tray_icon.h"

#include <string>

#include <gtk/gtk.h>

#include "platform/sdl/gtk_runtime.h"
#include "platform/sdl/sdl_events.h"

// GtkStatusIcon is the toolkit's only notification-area icon; it is deprecated in favour
// of desktop-specific ones, which X11 trays do not all have.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace velmira::platform {
namespace {

// How long a tray may take to embed a new icon. Without a tray manager (the X11 owner of
// the system-tray selection) GTK never embeds it, and the icon counts as absent.
constexpr gint64 kEmbedWaitUs = 500 * 1000;

void turnGtkLoop() {
    while (gtk_events_pending())
        gtk_main_iteration();
}

void onActivate(GtkStatusIcon*, gpointer events) {
    static_cast<SdlEventQueue*>(events)->postTrayClick();
}

} // namespace

bool GtkTrayIcon::add(const IconImage& icon, std::string_view tipUtf8) {
    if (icon_) return true;
    if (!gtk_.ready()) return false;
    if (icon.width <= 0 || icon.height <= 0 ||
        icon.rgba.size() != static_cast<size_t>(icon.width) * icon.height * 4)
        return false;
    GBytes* bytes = g_bytes_new(icon.rgba.data(), icon.rgba.size());
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_bytes(bytes, GDK_COLORSPACE_RGB, TRUE, 8, icon.width,
                                                  icon.height, icon.width * 4);
    g_bytes_unref(bytes);
    icon_ = gtk_status_icon_new_from_pixbuf(pixbuf);
    g_object_unref(pixbuf);
    const std::string tip(tipUtf8);
    gtk_status_icon_set_tooltip_text(icon_, tip.c_str());
    gtk_status_icon_set_title(icon_, tip.c_str());
    // "activate" is the left click.
    g_signal_connect(icon_, "activate", G_CALLBACK(onActivate), &events_);
    gtk_status_icon_set_visible(icon_, TRUE);

    const gint64 deadline = g_get_monotonic_time() + kEmbedWaitUs;
    while (!gtk_status_icon_is_embedded(icon_) && g_get_monotonic_time() < deadline) {
        turnGtkLoop();
        g_usleep(10 * 1000);
    }
    if (!gtk_status_icon_is_embedded(icon_)) {
        remove();
        return false;
    }
    events_.setSideLoop(turnGtkLoop);
    return true;
}

void GtkTrayIcon::remove() {
    if (!icon_) return;
    events_.setSideLoop({});
    gtk_status_icon_set_visible(icon_, FALSE);
    g_object_unref(icon_);
    icon_ = nullptr;
    turnGtkLoop();
}

} // namespace velmira::platform

G_GNUC_END_IGNORE_DEPRECATIONS
