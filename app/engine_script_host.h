// The engine's side of the script engine: runs the root script for the main loop.
#pragma once

#include "app/main_window.h"

namespace velmira {

class Engine;

class EngineScriptHost {
public:
    explicit EngineScriptHost(Engine& engine) : engine_(engine) {}
    void initialise() {}
    void requestRestart() {}
    // FIXME: the script runner is being wired in; until then no script runs.
    bool prepare() { return false; }
    bool run() { return false; }
    TitleInfo titleInfo() const { return {}; }

private:
    Engine& engine_;
};

} // namespace velmira
