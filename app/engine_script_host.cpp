#include "app/engine_script_host.h"

#include "app/engine.h"

namespace velmira {

EngineScriptHost::EngineScriptHost(Engine& engine)
    : engine_(engine),
      runner_(*this, engine.archives(), engine.trace(), engine.saveFolder(),
              engine.preferences()) {}

void EngineScriptHost::initialise() {
    runner_.setScriptMode(ScriptMode::Adv);
    runner_.setScreenSize(engine_.settings().screenWidth, engine_.settings().screenHeight);
    runner_.flags().load(engine_.config());
    playStart_ = clock().now();
}

TitleInfo EngineScriptHost::titleInfo() const {
    const uint32_t now = engine_.platform().clock().now();
    return TitleInfo{runner_.chapterName(), runner_.scriptMode() == ScriptMode::System,
                     playMinutesBefore_ + (now - playStart_) / 60000};
}

bool EngineScriptHost::pumpMessages() { return engine_.pump().pumpMessages(); }

bool EngineScriptHost::pumpAndPollInput(int inputContext, bool idleSleep) {
    return engine_.pump().pumpAndPollInput(inputContext, idleSleep);
}

bool EngineScriptHost::quitSeen() const { return engine_.pump().quitSeen(); }
void EngineScriptHost::requestClose() { engine_.mainWindow().requestClose(); }
void EngineScriptHost::refreshTitle() { engine_.mainWindow().refreshTitle(); }
platform::Clock& EngineScriptHost::clock() { return engine_.platform().clock(); }

} // namespace velmira
