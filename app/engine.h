// The Engine owns one instance of every process-wide object (archive index,
// configuration, settings, preferences, frame buffer, main window, pumps, script
// runner), builds them in the start-up order and tears them down in reverse.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/message_pump.h"
#include "graphics/surface.h"
#include "platform/platform.h"
#include "resource/archive.h"
#include "resource/config.h"
#include "resource/preferences.h"
#include "resource/save_folder.h"
#include "resource/settings.h"
#include "resource/trace.h"

namespace velmira {

class EngineScriptHost;

struct EnginePaths {
    std::string dataFolder; // ends with "/"
    std::string saveFolder; // ends with "/"
};

class Engine {
public:
    Engine(platform::Platform& platform, EnginePaths paths, Trace& trace);
    ~Engine();

    // Start-up, main loop and shutdown. The process returns what this returns: 0 in
    // every case (a second instance, a window that cannot be created, a normal end).
    int run();

    // What tests observe.
    enum class Ending { NotRun, SecondInstance, NoWindow, InitialiseFailed, LoopEnded };
    Ending ending() const { return ending_; }
    bool shutdownRan() const { return shutdownRan_; }

    const ArchiveIndex& archives() const { return archives_; }
    const ConfigStore& config() const { return config_; }
    const EngineSettings& settings() const { return settings_; }
    UserPreferences& preferences() { return preferences_; }
    EngineScriptHost& script() { return *script_; }
    const SaveFolder& saveFolder() const { return saveFolder_; }
    MainWindow& mainWindow() { return window_; }
    const Surface& frontBuffer() const { return frontBuffer_; }
    MessagePump& pump() { return pump_; }
    const MessagePump& pump() const { return pump_; }
    Trace& trace() { return trace_; }
    platform::Platform& platform() { return platform_; }

private:
    void loadSettings();
    bool initialiseEngine();
    void mainLoop();
    bool runFrame();
    void shutdownEngine();
    void paint();

    platform::Platform& platform_;
    Trace& trace_;
    ArchiveIndex archives_;
    ConfigStore config_;
    EngineSettings settings_;
    UserPreferences preferences_;
    SaveFolder saveFolder_;
    MainWindow window_;
    MessagePump pump_;
    std::unique_ptr<EngineScriptHost> script_;

    // The shown frame, Bgr24 at the screen size of the first settings reading.
    OwnedSurface frontBuffer_;

    Ending ending_ = Ending::NotRun;
    bool shutdownRan_ = false;
};

} // namespace velmira
