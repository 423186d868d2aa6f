#include "app/engine_script_host.h"

#include "resource/settings.h"

namespace velmira {

EngineScriptHost::EngineScriptHost(MessagePump& pump, MainWindow& window, platform::Clock& clock,
                                   const ArchiveIndex& archives, const Trace& trace,
                                   const SaveFolder& saveFolder, const UserPreferences& preferences)
    : pump_(pump), window_(window), clock_(clock),
      runner_(*this, archives, trace, saveFolder, preferences) {}

void EngineScriptHost::initialise(const EngineSettings& settings, const ConfigStore& config) {
    runner_.setScriptMode(ScriptMode::Adv);
    runner_.setScreenSize(settings.screenWidth, settings.screenHeight);
    runner_.flags().load(config);
    playStart_ = clock_.now();
}

TitleInfo EngineScriptHost::titleInfo() const {
    const uint32_t minutes = platform::elapsed(playStart_, clock_.now()) / 60000;
    return TitleInfo{runner_.chapterName(), runner_.scriptMode() == ScriptMode::System,
                     playMinutesBefore_ + minutes};
}

} // namespace velmira
