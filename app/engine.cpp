#include "app/engine.h"

#include <algorithm>

#include "app/popup_menu.h"
#include "graphics/blitter.h"
#include "resource/sjis.h"

namespace velmira {

Engine::Engine(platform::Platform& platform, EnginePaths paths, Trace& trace)
    : platform_(platform), archives_(std::move(paths.dataFolder), trace),
      saveFolder_(std::move(paths.saveFolder)),
      window_(platform.window(), platform.events(), platform.dialogs(), platform.trayIcon(),
              settings_, preferences_),
      pump_(platform.events(), platform.clock(), window_, preferences_, platform.pad()),
      script_(pump_, window_, platform.clock(), archives_, trace, saveFolder_, preferences_),
      soundDevice_(platform.audioOutput()),
      soundChannels_(&soundDevice_, archives_, preferences_, platform.clock(), platform.threads()) {
    window_.setPaintHandler([this] { paint(); });
    window_.setTitleSource([this] { return script_.titleInfo(); });
    window_.setMessagePump([this] { return pump_.pumpOneMessage(); });
    pump_.input().setButtonSets(&buttons_);
    // Value files that changed reach the disk before the player acts again or time passes.
    pump_.setTurnHandler([this] { script_.runner().flags().flush(); });
}

Engine::~Engine() = default;

void Engine::loadSettings() {
    config_.load(archives_);
    settings_.read(config_, platform_.systemFacts().hasMmx);
}

Engine::Ending Engine::run() {
    // 1-3. Only "system.dat" is mounted while the settings that shape the window are read.
    archives_.mountSystem();
    loadSettings();

    // 4. One running copy per ProductID.
    if (platform_.instanceLock().claim(settings_.productId) ==
        platform::InstanceClaim::AlreadyRunning)
        return ending_ = Ending::SecondInstance;

    // 5. The main window; without it the process simply ends.
    if (!window_.create()) return ending_ = Ending::NoWindow;

    // 6-8.
    if (initialiseEngine()) {
        script_.requestRestart();
        ending_ = mainLoop() ? Ending::Quit : Ending::StartScriptMissing;
    } else {
        ending_ = Ending::InitialiseFailed;
    }

    // 9-10.
    shutdownEngine();
    return ending_;
}

bool Engine::initialiseEngine() {
    // 1. Screen buffers. They keep the screen size of the first settings reading, as the
    //    window does; a failure only leaves the screen unpainted.
    screen_ = std::make_unique<Screen>(platform_.window(), platform_.clock(), pump_, archives_,
                                       preferences_,
                                       ScreenSize{settings_.screenWidth, settings_.screenHeight});
    screen_->createBuffers();
    // 2. Splash on a black screen (the buffers start black). Only "system.dat" and loose
    //    files are visible yet.
    OwnedSurface& front = screen_->frames().front;
    if (!settings_.splashImage.empty()) {
        Image splash;
        if (splash.load(archives_, settings_.splashImage)) copy(front, splash, 0, 0);
    }
    screen_->frames().frontChanged();
    // 3. Show the window, which paints the front buffer and sets the title.
    window_.show();
    // 4-5. Every archive now, and the settings again so that later archives override.
    archives_.mountAll();
    loadSettings();
    // 6. The player's preferences.
    preferences_.load(saveFolder_);
    // 7. The shortcut tables are constant data (app/accelerators.h): nothing to build.
    // 8. The backlog starts empty.
    backlog_.clear();
    // 9-10. Display services arrive with their subsystem, in this order.
    // 11. The full-screen preference.
    window_.setFullScreen(preferences_.fullScreen);
    // 12. Sound: the channels take the preferences, then the device starts (without one,
    //     or with the device busy, every sound stays silent; the platform says so).
    soundChannels_.applyPreferences();
    soundDevice_.open();
    // 13. The message box's one button: the configuration dialog.
    buttons_.box.add(archives_, 3, kActionConfig, "sys_box_config.png", 548, 572);
    // The cross-fade variant is fixed once, from the settings as they now stand.
    screen_->transitions().setMmx(settings_.enableMmx);
    // 14. The whole scene is composed by the first update.
    screen_->layers().markForRecomposition();
    // 15-16. Script display mode (which lays out the message window) and the flag
    //     definitions and files.
    loadGameFonts();
    createMessageDisplay();
    script_.initialise(settings_, config_);
    bindSceneCommands();
    // 17. The save folder is known from the command line. 18. Global records arrive
    //     with the read-mark store.
    return true;
}

bool Engine::mainLoop() {
    for (;;) {
        if (!pump_.pumpMessages()) return true;
        // Finished effects and voices give their buffers back every turn.
        soundChannels_.releaseEffectsAndVoice();
        if (!script_.runFrame()) return false;
    }
}

void Engine::shutdownEngine() {
    // The flag files hold every value the script assigned.
    script_.runner().flags().flush();
    // 1. Global records and 2. a playing movie arrive with their subsystems; 3. the
    //    shortcut tables are constant data.
    // 4. Sound: every channel stops (the music's thread is joined), then the device.
    soundChannels_.shutdown();
    soundDevice_.close();
    // 5. Display services arrive with their subsystem.
    // 6. A window still open (preparing the script failed) is asked to close; no pump
    //    runs after this point, so the process simply ends with it.
    window_.requestClose();
    shutdownRan_ = true;
}

void Engine::paint() {
    if (screen_) screen_->paint();
}

void Engine::loadGameFonts() {
    SectionView fonts;
    if (!config_.select(fonts, "Define", "Font")) return;
    for (const auto& [face, file] : fonts.keys()) {
        // Only members of the game's font folder: never a path of the player's machine.
        if (file.empty() || file.find(':') != std::string::npos || file.front() == '/' ||
            file.front() == '\\')
            continue;
        ArchiveReader reader(archives_);
        std::vector<uint8_t> data;
        if (reader.open("font", file) && reader.readAll(data))
            platform_.fonts().setFaceData(face, std::move(data));
    }
}

void Engine::createMessageDisplay() {
    ScriptRunner& runner = script_.runner();
    messageWindow_ =
        std::make_unique<MessageWindow>(platform_.fonts(), messageGlyphs_, archives_, preferences_);
    messageWindow_->speakerColours().load(config_);
    // The clock box's variables are the game's to define; a game without a clock does not
    // get a trace line for every change of display mode.
    messageWindow_->setVariableLookup([&runner](std::string_view name) {
        return runner.flags().isDefined(name) ? runner.flags().lookup(name) : 0;
    });
    systemActions_ = std::make_unique<SystemActions>(pump_, window_, *screen_, runner, buttons_);
    systemActions_->setPopupMenu(
        [this] { showPopupMenu(platform_.popupMenu(), window_, pump_.input()); });
    messageDisplay_ =
        std::make_unique<MessageDisplay>(pump_, *screen_, platform_.clock(), *messageWindow_,
                                         backlog_, buttons_, *systemActions_, preferences_);
    if (pageObserver_) messageDisplay_->setPageObserver(pageObserver_);
    runner.setMessageSink(*messageDisplay_);

    soundCommands_ = std::make_unique<SoundCommands>(soundChannels_, pump_, backlog_,
                                                     runner.flags(), preferences_);
    soundCommands_->loadVoiceCodes(config_);
    soundCommands_->bind(runner.commands());
    messageDisplay_->setVoiceChannel(soundCommands_.get());
}

void Engine::bindSceneCommands() {
    ScriptRunner& runner = script_.runner();
    sceneCommands_ = std::make_unique<SceneCommands>(*screen_, pump_, platform_.clock(), runner);
    sceneCommands_->bind(runner.commands());
    sceneCommands_->setScreenModeActions(
        [this](int32_t action) { return window_.serveScreenModeAction(action); });
}

} // namespace velmira
