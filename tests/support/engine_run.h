// The whole engine on the headless platform, over a game a test built (TempGame): the
// platform, the trace and the Engine, not yet run, so that a test can watch it (a page
// observer) before it calls engine.run().
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/engine.h"
#include "platform/headless/headless_platform.h"
#include "resource/trace.h"
#include "support/game_fixture.h"

namespace velmira::test {

// A timeline from its text; shots go below baseFolder.
inline platform::Timeline timeline(std::string_view text, const std::string& baseFolder = "/") {
    platform::Timeline t;
    std::string error;
    EXPECT_TRUE(platform::Timeline::parse(text, baseFolder, t, error)) << error;
    return t;
}

struct HeadlessEngine {
    platform::HeadlessPlatform platform;
    Trace trace;
    Engine engine;

    HeadlessEngine(const TempGame& game, platform::Timeline t, uint32_t maxMs)
        : platform(platform::HeadlessOptions{std::move(t), maxMs}),
          engine(platform, EnginePaths{game.dataFolder(), game.saveFolder()}, trace) {}
};

} // namespace velmira::test
