// The sample game's own scripts, run by the real step loop straight from its source
// folder (game/<folder>/<file> is the data folder layout of loose files).
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
    ArchiveIndex archives(std::string(VELMIRA_SOURCE_DIR) + "/game/", archiveTrace);
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
    runner.commands().bind("wait", [](const TokenList&) { return true; });
    runner.flags().load(config);

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
}

} // namespace
} // namespace velmira::test
