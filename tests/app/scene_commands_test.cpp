// The picture commands and the timed wait on the headless window and its virtual clock,
// over pictures and definitions written as loose files of a small game.
#include <gtest/gtest.h>

#include "app/message_pump.h"
#include "app/scene_commands.h"
#include "app/screen.h"
#include "graphics/png_test_util.h"
#include "resource/archive.h"
#include "resource/save_folder.h"
#include "resource/temp_dir.h"
#include "resource/trace.h"
#include "script/script_fixture.h"
#include "window_fixture.h"

namespace velmira {
namespace {

std::vector<uint8_t> solidPng(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < w; ++x)
            raw.insert(raw.end(), {r, g, b});
    }
    return test::makePng(test::Header{uint32_t(w), uint32_t(h), 8, 2}, test::zlibCompress(raw));
}

struct Fixture : test::WindowFixture {
    test::TempDir game;
    Trace trace;
    ArchiveIndex archives{game.path() + "data/", trace};
    SaveFolder saves{game.path() + "save/"};
    test::TestHost host;
    ScriptRunner runner{host, archives, trace, saves, preferences};
    MessagePump pump{platform.events(), platform.clock(), window, preferences};
    Screen screen{platform.window(), platform.clock(), pump, archives, preferences, {64, 48}};
    SceneCommands commands{screen, pump, platform.clock(), runner};

    Fixture() {
        game.write("data/img/pic.png", solidPng(10, 20, 200, 100, 50));
        game.write("data/img/rule.png", solidPng(64, 48, 0, 0, 0));
        game.write("data/anime/two.img", test::crlf("Base=pic.png\n#3\nPosX=7\n"));
        archives.mountAll();
        EXPECT_TRUE(window.create());
        EXPECT_TRUE(screen.createBuffers());
        commands.bind(runner.commands());
    }
    bool run(std::string_view keyword, std::string_view arguments) {
        return runner.commands().dispatch(keyword, arguments);
    }
    const Layer& layer(int n) { return screen.layers().layer(n); }
};

TEST(SceneCommands, ImgItemsLoadPlaceAndClear) {
    struct Case {
        const char* arguments;
        bool result;
        LayerType type;
        int32_t x, y, posX, frame;
    };
    const Case cases[] = {
        {"2 pic.png", true, LayerType::Picture, 32, 48, 5, 0},
        {"2 pic.png 100", true, LayerType::Picture, 100, 48, 0, 0},
        {"2 100 pic.png", true, LayerType::Picture, 100, 48, 0, 0},
        {"2 pic.png 3 4 5", true, LayerType::Picture, 3, 4, 0, 0},
        {"2 pic.png pos2", true, LayerType::Picture, 266, 48, 5, 0},
        {"2 pic.png right", true, LayerType::Picture, 48, 48, 5, 0},
        {"2 two.img#3", true, LayerType::Empty, 0, 0, 7, 3},
        {"2 gray", true, LayerType::Colour, 0, 0, 0, 0},
        {"2 missing.png 100", false, LayerType::Empty, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        EXPECT_EQ(f.run("img", c.arguments), c.result) << c.arguments;
        const Layer& l = f.layer(2);
        EXPECT_EQ(l.type, c.type) << c.arguments;
        EXPECT_EQ(l.x, c.x) << c.arguments;
        EXPECT_EQ(l.y, c.y) << c.arguments;
        EXPECT_EQ(l.posX, c.posX) << c.arguments;
        EXPECT_EQ(l.frame, c.frame) << c.arguments;
    }

    Fixture f;
    ASSERT_TRUE(f.run("img", "1 pic.png"));
    ASSERT_TRUE(f.run("img", "2 pic.png"));
    EXPECT_TRUE(f.run("img", "2"));
    EXPECT_EQ(f.layer(2).type, LayerType::Empty);
    EXPECT_EQ(f.layer(1).type, LayerType::Picture);
    EXPECT_TRUE(f.run("img", ""));
    EXPECT_EQ(f.layer(1).type, LayerType::Empty);
}

TEST(SceneCommands, TimedWaitsLastTheirTimeUnlessEffectsAreOff) {
    {
        Fixture f;
        const uint32_t start = f.platform.clock().now();
        EXPECT_TRUE(f.run("wait", "300"));
        EXPECT_GE(f.platform.clock().now() - start, 300u);
        EXPECT_LT(f.platform.clock().now() - start, 340u);
    }
    {
        // fadeout 0: black over 500 ms.
        Fixture f;
        const uint32_t start = f.platform.clock().now();
        EXPECT_TRUE(f.run("fadeout", "0"));
        EXPECT_GE(f.platform.clock().now() - start, 500u);
        EXPECT_EQ(f.layer(0).type, LayerType::Colour);
        EXPECT_EQ(f.layer(0).colour, (Rgb{0, 0, 0}));
    }
    for (const ScriptMode mode : {ScriptMode::Adv, ScriptMode::System}) {
        Fixture f;
        f.preferences.screenEffects = false;
        f.runner.setScriptMode(mode);
        const uint32_t start = f.platform.clock().now();
        EXPECT_TRUE(f.run("wait", "300"));
        const uint32_t waited = f.platform.clock().now() - start;
        if (mode == ScriptMode::System)
            EXPECT_GE(waited, 300u);
        else
            EXPECT_LT(waited, 50u);
    }
}

TEST(SceneCommands, WaitWithoutTimeEndsAtAClickAndEffectsShowTheNewScene) {
    Fixture f;
    f.platform.events().push(platform::mouseEvent(platform::EventType::MouseDown, 5, 5));
    EXPECT_TRUE(f.run("wait", "0"));
    EXPECT_EQ(f.pump.input().pendingAction(), 0);

    ASSERT_TRUE(f.run("img", "0 pic.png"));
    EXPECT_TRUE(f.run("wipe", "rule.png fade"));
    const Surface& front = f.screen.frames().front;
    EXPECT_EQ(front.row(0)[2], 200); // the picture's red, at the top-left
    EXPECT_FALSE(f.run("wipe", "missing.png"));
}

} // namespace
} // namespace velmira
