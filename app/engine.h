// The Engine is the composition root: it owns one instance of every process-wide object
// (archive index, configuration, settings, preferences, screen, main window, pumps,
// script runner), hands each subsystem the few references it uses, builds them in the
// start-up order and tears them down in reverse.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/engine_script_host.h"
#include "app/main_window.h"
#include "app/message_display.h"
#include "app/message_pump.h"
#include "app/scene_commands.h"
#include "app/screen.h"
#include "app/sound_commands.h"
#include "app/system_actions.h"
#include "audio/sound_channels.h"
#include "audio/sound_device.h"
#include "graphics/surface.h"
#include "platform/platform.h"
#include "resource/archive.h"
#include "resource/config.h"
#include "resource/preferences.h"
#include "resource/save_folder.h"
#include "resource/settings.h"
#include "resource/trace.h"
#include "text/backlog.h"
#include "text/glyph_renderer.h"
#include "text/message_window.h"
#include "ui/button_set.h"

namespace velmira {

struct EnginePaths {
    std::string dataFolder; // ends with "/"
    std::string saveFolder; // ends with "/"
};

class Engine {
  public:
    Engine(platform::Platform& platform, EnginePaths paths, Trace& trace);
    ~Engine();

    // How a run ended. The process exits with 0 in every case.
    enum class Ending {
        NotRun,
        SecondInstance,     // another copy of the game runs; it was brought to the front
        NoWindow,           // the main window could not be made
        InitialiseFailed,   // start-up failed after the window: no script ran
        StartScriptMissing, // "start.txt" could not be read: the loop ended at once
        Quit,               // the window was closed (the quit message ended the loop)
    };
    // Start-up, main loop and shutdown.
    Ending run();

    // Told of every message page: shown, and how it ended (the headless report, tests).
    // Set before run().
    void setPageObserver(MessageDisplay::PageObserver observer) {
        pageObserver_ = std::move(observer);
    }

    // What tests observe.
    Ending ending() const { return ending_; }
    bool shutdownRan() const { return shutdownRan_; }
    const EngineSettings& settings() const { return settings_; }
    const MessagePump& pump() const { return pump_; }
    // Null before start-up made the screen.
    const Screen* screen() const { return screen_.get(); }
    // Null before start-up made the message window.
    const MessageWindow* messageWindow() const { return messageWindow_.get(); }
    const Backlog& backlog() const { return backlog_; }
    const SoundChannels& sound() const { return soundChannels_; }

  private:
    void loadSettings();
    bool initialiseEngine();
    // Runs the main loop; false when it ended because the start script could not be read.
    bool mainLoop();
    void shutdownEngine();
    void paint();
    void bindSceneCommands();
    // A game may bring its own fonts: group "Define", section "Font", one line
    // FACE=FILE per face the engine names, FILE in the archives' folder "font".
    void loadGameFonts();
    // The message window, the system actions and the message display, wired to the
    // script runner.
    void createMessageDisplay();

    platform::Platform& platform_;
    ArchiveIndex archives_;
    ConfigStore config_;
    EngineSettings settings_;
    UserPreferences preferences_;
    SaveFolder saveFolder_;
    MainWindow window_;
    // The message box's, the choice menu's and the system screens' buttons; the input
    // state offers them the left button.
    ButtonSets buttons_;
    MessagePump pump_;
    EngineScriptHost script_;

    // The mixer over the platform's sound output (none: silent) and the four channels
    // that play into it; the channels go first.
    SoundDevice soundDevice_;
    SoundChannels soundChannels_;
    std::unique_ptr<SoundCommands> soundCommands_;

    // The frame buffers, layers and transitions, at the screen size of the first
    // settings reading (as the window); made at start-up.
    std::unique_ptr<Screen> screen_;
    std::unique_ptr<SceneCommands> sceneCommands_;

    // The last 60 messages; the message window with its own glyph renderer; the
    // dispatcher of the system actions and the page display over them.
    Backlog backlog_;
    GlyphRenderer messageGlyphs_;
    std::unique_ptr<MessageWindow> messageWindow_;
    std::unique_ptr<SystemActions> systemActions_;
    std::unique_ptr<MessageDisplay> messageDisplay_;
    MessageDisplay::PageObserver pageObserver_;

    Ending ending_ = Ending::NotRun;
    bool shutdownRan_ = false;
};

} // namespace velmira
