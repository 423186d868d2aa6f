// Message boxes through GTK 3, started lazily on first use; where GTK cannot start (no
// X display for it), SDL's own message box stands in.
#pragma once

#include "platform/dialogs.h"
#include "platform/sdl/sdl_window.h"

namespace velmira::platform {

class GtkDialogs final : public Dialogs {
  public:
    explicit GtkDialogs(SdlWindow& owner) : owner_(owner) {}

    // Modal, above the game window, Yes is the default button. Keys, clicks and close
    // requests that reach the game window while the question is open are dropped, as for
    // a disabled owner.
    bool askYesNo(std::string_view caption, std::string_view text) override;

  private:
    bool gtkReady();
    bool askWithGtk(const std::string& caption, const std::string& text);
    bool askWithSdl(const std::string& caption, const std::string& text);

    enum class Gtk { Untried, Ready, Unavailable };
    SdlWindow& owner_;
    Gtk gtk_ = Gtk::Untried;
};

} // namespace velmira::platform
