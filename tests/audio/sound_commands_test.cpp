// The sound commands in a running engine, headless: the voice command's folder, codes,
// preferences and "ghost", the backlog's voice, auto mode waiting for the voice to end,
// and the music and ambient names the commands leave behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/engine.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"
#include "resource/preferences.h"
#include "resource/save_folder.h"
#include "support/engine_run.h"
#include "support/game_fixture.h"
#include "support/ogg_fixture.h"

namespace velmira {
namespace {

using test::bytes;
using test::gameText;
using test::TempGame;

// One-second tones for the voices and the music.
std::vector<uint8_t> tone(double seconds = 1.0) {
    test::OggTone t;
    t.frames = int64_t(44100 * seconds);
    return test::encodeOggTone(t);
}

void addGame(const TempGame& game, std::string_view startUtf8) {
    auto members = TempGame::config("[System.Info]\nTitle=声\n[System.Setting]\nScreenWidth=800\n"
                                    "ScreenHeight=600\n[Define.Voice]\nFemale=ak, mi\n");
    members.push_back({"script\\start.txt", bytes(gameText(startUtf8)), 1});
    members.push_back({"voice\\keeper\\ro_001.ogg", tone(), 1});
    members.push_back({"voice\\keeper\\ak_001.ogg", tone(), 1});
    members.push_back({"bgm\\song.ogg", tone(3.0), 1});
    members.push_back({"env\\sea.ogg", tone(2.0), 1});
    ASSERT_TRUE(game.addArchive("system.dat", 1, members));
}

struct PageTimes {
    uint32_t revealed = 0, turned = 0;
};

struct GameRun : test::HeadlessEngine {
    std::vector<PageTimes> pages;
    SoundState atFirstPage; // the sound state when the first page was shown

    GameRun(const TempGame& game, std::string_view timelineText, uint32_t maxMs)
        : HeadlessEngine(game, test::timeline(timelineText), maxMs) {
        engine.setPageObserver([this](const PageEvent& page) {
            const uint32_t now = platform.clock().now();
            if (page.kind == PageEvent::Kind::Shown) {
                if (pages.empty()) atFirstPage = engine.sound().soundState();
                pages.push_back({});
            }
            if (page.kind == PageEvent::Kind::Revealed) pages.back().revealed = now;
            if (page.kind == PageEvent::Kind::AutoAdvanced) pages.back().turned = now;
        });
        engine.run();
    }
};

TEST(SoundCommands, VoicesFollowTheirFolderCodesAndPreferences) {
    // In auto mode at its fastest a page turns on the frame after its text is out - or,
    // when a voice started with it, once the voice (one second) has ended.
    struct Case {
        const char* lines;
        bool male, female;
        const char* backlogVoice; // UTF-8
        bool waitsForTheVoice;
    };
    const Case cases[] = {
        {".voice \\keeper\n.voice ro_001.ogg\n", true, true, "keeper\\ro_001.ogg", true},
        // "ak" is a female code: female voices decide, male ones do not.
        {".voice \\keeper\n.voice ak_001.ogg\n", false, true, "keeper\\ak_001.ogg", true},
        // Codes compare in any case; with female voices off the line fails and nothing is
        // registered.
        {".voice \\keeper\n.voice AK_001.ogg\n", true, false, "", false},
        {".voice \\keeper\n.voice ro_001.ogg\n", false, true, "", false},
        // "ghost" registers the voice for the backlog and plays nothing.
        {".voice \\keeper\n.voice ro_001.ogg ghost\n", true, true, "keeper\\ro_001.ogg", false},
        // Without a folder the path starts with "\": no archive member has that name.
        {".voice ro_001.ogg\n", true, true, "\\ro_001.ogg", false},
        // "\" alone empties the folder again.
        {".voice \\keeper\n.voice \\\n.voice ro_001.ogg\n", true, true, "\\ro_001.ogg", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        TempGame game;
        addGame(game, std::string(c.lines) + "声のある頁\n.wait 100000\n");
        UserPreferences preferences;
        preferences.autoSpeed = 10;
        preferences.maleVoices = c.male;
        preferences.femaleVoices = c.female;
        ASSERT_TRUE(preferences.save(SaveFolder(game.saveFolder())));
        GameRun run(game, "300 key KP_Multiply\n", 5000);

        Backlog::Entry entry;
        ASSERT_TRUE(run.engine.backlog().get(1, entry));
        EXPECT_EQ(platform::sjisToUtf8(entry.text), "声のある頁");
        EXPECT_EQ(entry.voice, c.backlogVoice);
        ASSERT_EQ(run.pages.size(), 1u);
        const PageTimes& page = run.pages[0];
        ASSERT_GT(page.turned, 0u) << "the page did not turn";
        if (c.waitsForTheVoice) {
            // The voice started before the page and lasts a second (and the output's
            // latency, 1024 frames), with no delay of its own after it.
            EXPECT_GE(page.turned, 1000u);
            EXPECT_LE(page.turned, 1100u);
        } else {
            // Auto mode came at 300 ms, after the text: the page turned at once.
            EXPECT_LE(page.turned, 320u);
        }
    }
}

TEST(SoundCommands, TheVoiceBelongsToTheNextMessageOnly) {
    TempGame game;
    addGame(game, ".voice \\keeper\n.voice ro_001.ogg\n一\n\n二\n.wait 100000\n");
    GameRun run(game, "300 key KP_Multiply\n", 6000);
    Backlog::Entry first, second;
    ASSERT_TRUE(run.engine.backlog().get(2, first));
    ASSERT_TRUE(run.engine.backlog().get(1, second));
    EXPECT_EQ(first.voice, "keeper\\ro_001.ogg");
    EXPECT_EQ(second.voice, "");
}

TEST(SoundCommands, MusicAndAmbientNamesFollowTheirCommands) {
    struct Case {
        const char* lines;
        const char* music;
        bool loop;
        const char* ambient;
    };
    const Case cases[] = {
        {".bgm song.ogg\n.env sea.ogg\n", "song.ogg", true, "sea.ogg"},
        {".bgm song.ogg noloop\n", "song.ogg", false, ""},
        {".bgm song.ogg\n.bgm FADE\n", "", true, ""},
        {".bgm song.ogg\n.bgm\n.env sea.ogg\n.env\n", "", true, ""},
        // A missing file is still remembered, so that a save records what was asked for.
        {".bgm missing.ogg\n.env missing.ogg\n", "missing.ogg", true, "missing.ogg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        TempGame game;
        addGame(game, std::string(c.lines) + "頁\n.wait 100000\n");
        GameRun run(game, "", 2000);
        const SoundState& state = run.atFirstPage;
        EXPECT_EQ(state.nameBgm, c.music);
        EXPECT_EQ(state.loopBgm, c.loop);
        EXPECT_EQ(state.nameEnv, c.ambient);
    }
}

} // namespace
} // namespace velmira
