// The sample game's own scripts, run by the real step loop and the real scene commands
// over the game folder the build gathers (game/ and the pictures drawn for it, as loose
// files of a data folder), on the headless window and its virtual clock.
#include <algorithm>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/message_pump.h"
#include "app/scene_commands.h"
#include "app/screen.h"
#include "app/sound_commands.h"
#include "audio/sound_channels.h"
#include "audio/sound_device.h"
#include "platform/headless/headless_platform.h"
#include "resource/settings.h"
#include "script_fixture.h"
#include "text/backlog.h"

namespace velmira::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

std::string sjis(std::string_view utf8) {
    return platform::utf8ToSjis(utf8);
}

// Records the messages and, at every change to the bottom-box layout (where the message
// window builds its box picture), the three variables the clock box is drawn from.
class ClockSink final : public MessageSink {
  public:
    struct Box {
        int32_t stage, longHand, shortHand;
    };
    explicit ClockSink(FlagStore& flags) : flags_(flags) {}
    void showMessage(std::string_view text, bool) override { log.push_back(std::string(text)); }
    void setDisplayMode(ScriptMode mode) override {
        if (isNovelMode(mode)) return;
        boxes.push_back({flags_.lookup(sjis("シナリオ進行")), flags_.lookup(sjis("Ｍフラグ合計")),
                         flags_.lookup(sjis("Ｌフラグ合計"))});
    }

    std::vector<std::string> log;
    std::vector<Box> boxes;

  private:
    FlagStore& flags_;
};

// The sample game on the headless window and sound output, with the real scene and sound
// commands; chooser_.answers picks the choices.
class SampleGame : public ::testing::Test {
  protected:
    SampleGame()
        : archives_(std::string(VELMIRA_SAMPLE_GAME_DIR) + "/data/", archiveTrace_),
          saveFolder_(saves_.path()), runner_(host_, archives_, trace_, saveFolder_, preferences_),
          sink_(runner_.flags()) {
        trace_.setSink(
            [this](std::string_view text) { traces_.push_back(platform::sjisToUtf8(text)); });
        archives_.mountAll();
        config_.load(archives_);
        runner_.setMessageSink(sink_);
        runner_.setChooser(chooser_);
        runner_.flags().load(config_);
    }

    void SetUp() override {
        settings_.read(config_, false);
        window_ = std::make_unique<MainWindow>(platform_.window(), platform_.events(),
                                               platform_.dialogs(), platform_.trayIcon(), settings_,
                                               preferences_);
        ASSERT_TRUE(window_->create());
        pump_ = std::make_unique<MessagePump>(platform_.events(), platform_.clock(), *window_,
                                              preferences_);
        const ScreenSize size{settings_.screenWidth, settings_.screenHeight};
        screen_ = std::make_unique<Screen>(platform_.window(), platform_.clock(), *pump_, archives_,
                                           preferences_, size);
        ASSERT_TRUE(screen_->createBuffers());
        scene_ = std::make_unique<SceneCommands>(*screen_, *pump_, platform_.clock(), runner_);
        scene_->bind(runner_.commands());
        device_ = std::make_unique<SoundDevice>(platform_.audioOutput());
        ASSERT_TRUE(device_->open());
        channels_ = std::make_unique<SoundChannels>(device_.get(), archives_, preferences_,
                                                    platform_.clock(), platform_.threads());
        sound_ = std::make_unique<SoundCommands>(*channels_, *pump_, backlog_, runner_.flags(),
                                                 preferences_);
        sound_->loadVoiceCodes(config_);
        sound_->bind(runner_.commands());
    }

    TempDir saves_;
    Trace archiveTrace_;
    Trace trace_;
    std::vector<std::string> traces_;
    ArchiveIndex archives_;
    ConfigStore config_;
    SaveFolder saveFolder_;
    UserPreferences preferences_;
    TestHost host_;
    ScriptRunner runner_;
    ClockSink sink_;
    ScriptedChooser chooser_;
    platform::HeadlessPlatform platform_;
    EngineSettings settings_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<MessagePump> pump_;
    std::unique_ptr<Screen> screen_;
    std::unique_ptr<SceneCommands> scene_;
    Backlog backlog_;
    std::unique_ptr<SoundDevice> device_;
    std::unique_ptr<SoundChannels> channels_;
    std::unique_ptr<SoundCommands> sound_;
};

TEST_F(SampleGame, PlaysThroughBothBranchesWithoutFailingLines) {
    const std::string ending = sjis("　　　　　　　　おわり");
    const std::string again = sjis("老人:……また来てくれたんだね。");

    chooser_.answers = {2, 2}; // listen to the story, watch the sea: no light, no ending
    ASSERT_TRUE(runner_.run());
    EXPECT_THAT(sink_.log, Not(Contains(ending)));
    EXPECT_EQ(runner_.flags().lookup(sjis("訪問回数")), 1);

    sink_.log.clear();
    chooser_.answers = {1, 1}; // help, light the lamp: the ending of a second visit
    ASSERT_TRUE(runner_.run());
    EXPECT_THAT(sink_.log, Contains(ending));
    EXPECT_THAT(sink_.log, Contains(again));
    EXPECT_EQ(runner_.flags().lookup(sjis("灯りを見た")), 1);
    EXPECT_EQ(runner_.scriptMode(), ScriptMode::Adv);
    EXPECT_TRUE(traces_.empty()) << traces_.front();
    // The game ends on a fade to black, after the night scene and its waits.
    EXPECT_GT(platform_.clock().now(), 15000u);
    const std::vector<uint8_t>& frame = platform_.window().lastFrame();
    ASSERT_EQ(frame.size(), size_t(800) * 600 * 3);
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(SampleGame, TheClockBoxFollowsTheNightAndEverySpeakerHasAColour) {
    chooser_.answers = {1, 1};
    ASSERT_TRUE(runner_.run());
    ASSERT_TRUE(traces_.empty()) << traces_.front();

    // The plain box, then the clock at dusk, at night and at dawn, then the box after the
    // night; the hands only ever go forward and have moved by dawn.
    std::vector<int32_t> stages;
    for (const ClockSink::Box& box : sink_.boxes)
        if (stages.empty() || stages.back() != box.stage) stages.push_back(box.stage);
    EXPECT_THAT(stages, ElementsAre(0, 1, 2, 3, 4));
    const ClockSink::Box* last = nullptr;
    for (const ClockSink::Box& box : sink_.boxes) {
        if (box.stage < 1 || box.stage > 3) continue;
        if (last) {
            EXPECT_GE(box.longHand, last->longHand);
            EXPECT_GE(box.shortHand, last->shortHand);
        }
        last = &box;
    }
    ASSERT_NE(last, nullptr);
    EXPECT_GT(last->longHand, 0);
    EXPECT_GT(last->shortHand, 0);

    // A speaker missing from the colour table would be drawn in plain white.
    chooser_.answers = {2, 2};
    ASSERT_TRUE(runner_.run());
    SectionView speakers;
    ASSERT_TRUE(config_.select(speakers, "Define", "Speaker"));
    int named = 0;
    for (const std::string& message : sink_.log) {
        const size_t colon = message.find(':');
        if (colon == std::string::npos) continue;
        ++named;
        const std::string name = message.substr(0, colon);
        const int32_t group = speakers.getInt(name, 0);
        EXPECT_TRUE(group >= 1 && group <= 9) << platform::sjisToUtf8(name);
    }
    EXPECT_GT(named, 10);
}

} // namespace
} // namespace velmira::test
