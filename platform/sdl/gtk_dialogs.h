// Message boxes through GTK 3; where GTK cannot start (no X display for it), SDL's own
// message box stands in.
#pragma once

#include <string>

#include "platform/dialogs.h"
#include "platform/sdl/gtk_runtime.h"
#include "platform/sdl/sdl_window.h"

namespace velmira::platform {

class GtkDialogs final : public Dialogs {
  public:
    GtkDialogs(GtkRuntime& gtk, SdlWindow& owner) : gtk_(gtk), owner_(owner) {}

    // Modal, above the game window, Yes is the default button. Keys, clicks and close
    // requests that reach the game window while the question is open are dropped, as for
    // a disabled owner.
    bool askYesNo(std::string_view caption, std::string_view text) override;

  private:
    bool askWithGtk(const std::string& caption, const std::string& text);
    bool askWithSdl(const std::string& caption, const std::string& text);

    GtkRuntime& gtk_;
    SdlWindow& owner_;
};

} // namespace velmira::platform
