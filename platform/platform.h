// The platform: everything the engine takes from the operating system, one capability per
// interface. A backend (sdl/, headless/) implements each capability in a class of its own
// and a Platform that only builds and wires them.
//
// Capabilities every platform has are handed out as references. Optional ones - those a
// machine or desktop may lack - are handed out as pointers that are null where there is
// none; the engine then takes its failure path (no pad: no pad input), never a stand-in
// that pretends to work. The movie player, clipboard, configuration dialog and audio
// device join the pad, the tray icon and the popup menu here as they are built.
#pragma once

#include "platform/audio_output.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/fonts.h"
#include "platform/instance_lock.h"
#include "platform/pad.h"
#include "platform/popup_menu.h"
#include "platform/system_facts.h"
#include "platform/threads.h"
#include "platform/tray_icon.h"
#include "platform/window.h"

namespace velmira::platform {

class Platform {
  public:
    virtual ~Platform() = default;
    virtual Clock& clock() = 0;
    virtual EventQueue& events() = 0;
    virtual Window& window() = 0;
    virtual Dialogs& dialogs() = 0;
    virtual InstanceLock& instanceLock() = 0;
    virtual const SystemFacts& systemFacts() const = 0;
    // Glyph outlines of the engine's faces; a face that no font serves makes no font.
    virtual FontEngine& fonts() = 0;
    // The engine's own threads (the music streaming thread).
    virtual Threads& threads() = 0;

    // Optional capabilities (null: not on this platform or machine).
    virtual Pad* pad() { return nullptr; }
    // The notification-area icon; where it is null, or add() fails, the boss key
    // minimises the window instead of hiding it.
    virtual TrayIcon* trayIcon() { return nullptr; }
    // The right-click popup menu; where it is null the menu action does nothing.
    virtual PopupMenu* popupMenu() { return nullptr; }
    // The sound output; null where the machine has no sound at all (the engine then runs
    // silent). An output that exists may still fail to start (a busy device).
    virtual AudioOutput* audioOutput() { return nullptr; }
};

} // namespace velmira::platform
