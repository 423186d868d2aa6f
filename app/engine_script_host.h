// The engine's side of the script engine: gives the step loop the pumps, the clock and
// the window, owns the script runner that the main loop drives and counts the play time.
#pragma once

#include <cstdint>

#include "app/main_window.h"
#include "app/message_pump.h"
#include "script/script_host.h"
#include "script/script_runner.h"

namespace velmira {

class ArchiveIndex;
class ConfigStore;
class SaveFolder;
class Trace;
struct EngineSettings;
struct UserPreferences;

class EngineScriptHost final : public ScriptHost {
  public:
    EngineScriptHost(MessagePump& pump, MainWindow& window, platform::Clock& clock,
                     const ArchiveIndex& archives, const Trace& trace, const SaveFolder& saveFolder,
                     const UserPreferences& preferences);

    // Start-up: the initial display mode "adv", the screen size for positions, the flag
    // definitions and value files; the play time starts counting.
    void initialise(const EngineSettings& settings, const ConfigStore& config);
    void requestRestart() { runner_.requestRestart(); }
    // One turn of the main loop; false only when preparing the root script failed.
    bool runFrame() { return runner_.run(); }
    TitleInfo titleInfo() const;

    ScriptRunner& runner() { return runner_; }

    // ScriptHost
    bool pumpMessages() override { return pump_.pumpMessages(); }
    bool pumpAndPollInput(InputContext context, IdleSleep idle) override {
        return pump_.pumpAndPollInput(context, idle);
    }
    void idle() override { pump_.idle(); }
    bool quitSeen() const override { return pump_.quitSeen(); }
    void requestClose() override { window_.requestClose(); }
    void refreshTitle() override { window_.refreshTitle(); }
    platform::Clock& clock() override { return clock_; }

  private:
    MessagePump& pump_;
    MainWindow& window_;
    platform::Clock& clock_;
    ScriptRunner runner_;
    uint32_t playStart_ = 0; // clock value when the current play time started counting
    uint32_t playMinutesBefore_ = 0;
};

} // namespace velmira
