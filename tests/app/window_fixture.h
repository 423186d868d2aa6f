// A main window over the headless platform, for the tests of the window and the pumps.
#pragma once

#include "app/main_window.h"
#include "app/message_pump.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"
#include "resource/preferences.h"
#include "resource/settings.h"

namespace velmira::test {

struct WindowFixture {
    platform::HeadlessPlatform platform;
    EngineSettings settings;
    UserPreferences preferences;
    MainWindow window{platform.window(),   platform.events(), platform.dialogs(),
                      platform.trayIcon(), settings,          preferences};
    // The boss key waits through it, as the engine's own pump.
    MessagePump oneMessagePump{platform.events(), platform.clock(), window, preferences};

    explicit WindowFixture(platform::HeadlessOptions options = {}) : platform(std::move(options)) {
        window.setMessagePump([this] { return oneMessagePump.pumpOneMessage(); });
        settings.title = platform::utf8ToSjis("灯台");
        settings.screenWidth = 64;
        settings.screenHeight = 48;
    }
};

} // namespace velmira::test
