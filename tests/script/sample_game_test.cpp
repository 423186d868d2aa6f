// The sample game's own scripts, run by the real step loop and the real scene commands
// over the game folder the build gathers (game/ and the pictures drawn for it, as loose
// files of a data folder), on the headless window and its virtual clock.
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/message_pump.h"
#include "app/scene_commands.h"
#include "app/screen.h"
#include "platform/headless/headless_platform.h"
#include "resource/settings.h"
#include "script_fixture.h"

namespace velmira::test {
namespace {

using ::testing::Contains;
using ::testing::Not;

TEST(SampleGameTest, PlaysThroughBothBranchesWithoutFailingLines) {
    TempDir saves;
    Trace archiveTrace;
    Trace trace;
    std::vector<std::string> traces;
    trace.setSink([&](std::string_view sjis) { traces.push_back(platform::sjisToUtf8(sjis)); });
    ArchiveIndex archives(std::string(VELMIRA_SAMPLE_GAME_DIR) + "/data/", archiveTrace);
    archives.mountAll();
    ConfigStore config;
    config.load(archives);
    SaveFolder saveFolder(saves.path());
    UserPreferences preferences;
    TestHost host;
    RecordingSink sink;
    ScriptedChooser chooser;
    ScriptRunner runner(host, archives, trace, saveFolder, preferences);
    runner.setMessageSink(sink);
    runner.setChooser(chooser);
    runner.flags().load(config);

    platform::HeadlessPlatform platform;
    EngineSettings settings;
    settings.read(config, false);
    MainWindow window(platform.window(), platform.events(), platform.dialogs(), platform.trayIcon(),
                      settings, preferences);
    ASSERT_TRUE(window.create());
    MessagePump pump(platform.events(), platform.clock(), window, preferences);
    const ScreenSize size{settings.screenWidth, settings.screenHeight};
    Screen screen(platform.window(), platform.clock(), pump, archives, preferences, size);
    ASSERT_TRUE(screen.createBuffers());
    SceneCommands scene(screen, pump, platform.clock(), runner);
    scene.bind(runner.commands());

    const std::string ending = platform::utf8ToSjis("　　　　　　　　おわり");
    const std::string again = platform::utf8ToSjis("老人:……また来てくれたんだね。");

    chooser.answers = {2, 2}; // listen to the story, watch the sea: no light, no ending
    ASSERT_TRUE(runner.run());
    EXPECT_THAT(sink.log, Not(Contains(ending)));
    EXPECT_EQ(runner.flags().lookup(platform::utf8ToSjis("訪問回数")), 1);

    sink.log.clear();
    chooser.answers = {1, 1}; // help, light the lamp: the ending of a second visit
    ASSERT_TRUE(runner.run());
    EXPECT_THAT(sink.log, Contains(ending));
    EXPECT_THAT(sink.log, Contains(again));
    EXPECT_EQ(runner.flags().lookup(platform::utf8ToSjis("灯りを見た")), 1);
    EXPECT_EQ(runner.scriptMode(), ScriptMode::Adv);
    EXPECT_TRUE(traces.empty()) << traces.front();
    // The game ends on a fade to black, after the night scene and its waits.
    EXPECT_GT(platform.clock().now(), 15000u);
    const std::vector<uint8_t>& frame = platform.window().lastFrame();
    ASSERT_EQ(frame.size(), size_t(800) * 600 * 3);
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; }));
}

} // namespace
} // namespace velmira::test
