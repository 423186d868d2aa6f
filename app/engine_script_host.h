// The engine's side of the script engine: gives the step loop the pumps, the clock and
// the window, and owns the script runner that the main loop drives.
#pragma once

#include <cstdint>

#include "app/main_window.h"
#include "script/script_host.h"
#include "script/script_runner.h"

namespace velmira {

class Engine;

class EngineScriptHost final : public ScriptHost {
public:
    explicit EngineScriptHost(Engine& engine);

    // Start-up: the initial display mode "adv", the screen size for positions, the flag
    // definitions and value files; the play time starts counting.
    void initialise();
    void requestRestart() { runner_.requestRestart(); }
    // One turn of the main loop; false only when preparing the root script failed.
    bool runFrame() { return runner_.run(); }
    TitleInfo titleInfo() const;

    ScriptRunner& runner() { return runner_; }

    // ScriptHost
    bool pumpMessages() override;
    bool pumpAndPollInput(int inputContext, bool idleSleep) override;
    bool quitSeen() const override;
    void requestClose() override;
    void refreshTitle() override;
    platform::Clock& clock() override;

private:
    Engine& engine_;
    ScriptRunner runner_;
    uint32_t playStart_ = 0; // clock value when the current play time started counting
    uint32_t playMinutesBefore_ = 0;
};

} // namespace velmira
