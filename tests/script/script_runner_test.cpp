#include <chrono>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script_fixture.h"

namespace velmira::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ScriptRunnerTest = ScriptFixture;

TEST_F(ScriptRunnerTest, TextLinesJoinIntoOneMessageShownBeforeTheNextStatement) {
    script("start.txt", "First line\n"
                        "second line\n"
                        "\n"
                        "Name:spoken\n"
                        ".test after\n"
                        "never shown at the end");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("First line/second line", "Name:spoken", "test after"));
    EXPECT_THAT(traces_, IsEmpty());
}

TEST_F(ScriptRunnerTest, MissingStartScriptFailsTheRun) {
    EXPECT_FALSE(runOnce());
}

TEST_F(ScriptRunnerTest, EndOfRootStartsAgainFromTheFirstLine) {
    script("start.txt", "?g = g + 1\n");
    ASSERT_TRUE(runOnce());
    ASSERT_TRUE(runOnce());
    EXPECT_EQ(globalFromFile(0), 2);
    EXPECT_EQ(runner_.root().name, ""); // the ended root is reset
    EXPECT_EQ(host_.idles, 2);          // each restart idles a turn, so time passes
}

TEST_F(ScriptRunnerTest, RestartsReadTheStartScriptAgainOnlyWhenItChanged) {
    namespace fs = std::filesystem;
    script("start.txt", ".test one\n");
    const std::string path = dir_.path() + "data/script/start.txt";
    const auto written = fs::last_write_time(path);
    ASSERT_TRUE(runOnce());
    // The same size and time: the file is taken as unchanged and not read again.
    script("start.txt", ".test two\n");
    fs::last_write_time(path, written);
    ASSERT_TRUE(runOnce());
    // A newer file is read.
    fs::last_write_time(path, written + std::chrono::seconds(1));
    ASSERT_TRUE(runOnce());
    // So is one of another size, and a file that went is missed at once.
    script("start.txt", ".test three\n");
    fs::last_write_time(path, written);
    ASSERT_TRUE(runOnce());
    fs::remove(path);
    EXPECT_FALSE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("test one", "test one", "test two", "test three"));
}

TEST_F(ScriptRunnerTest, ARestartRequestOrQuitDoesNotIdle) {
    runner_.commands().bind("wait", [this](const TokenList&) {
        runner_.requestRestart();
        return true;
    });
    script("start.txt", ".wait\n");
    ASSERT_TRUE(runOnce());
    host_.quit = true;
    ASSERT_TRUE(runOnce());
    EXPECT_EQ(host_.idles, 0);
}

TEST_F(ScriptRunnerTest, FailingLineIsTracedWithItsNumberAndSkipped) {
    script("start.txt",
           "; a comment\n"
           ".test one\n"
           ".Wait 100\n" // command names are case-sensitive
           ".unknown\n"
           ".test two\n");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("test one", "test two"));
    EXPECT_THAT(traces_, ElementsAre("エラー（start.txt:3）", "エラー（start.txt:4）"));
    EXPECT_EQ(host_.polls, 2); // the failure path pumps input once per failing line
}

TEST_F(ScriptRunnerTest, RestartRequestStopsBeforeTheNextLine) {
    runner_.commands().bind("wait", [this](const TokenList&) {
        runner_.requestRestart(); // as a "back to title" action inside a wait would
        return true;
    });
    script("start.txt", ".test before\n.wait 0\n.test after\n");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("test before"));
    EXPECT_TRUE(runner_.restartRequested());
    EXPECT_EQ(runner_.root().line, 2u); // the context keeps its place until prepared again
    ASSERT_TRUE(runOnce());             // the next turn clears the request and starts afresh
    EXPECT_THAT(sink_.log, ElementsAre("test before", "test before"));
}

TEST_F(ScriptRunnerTest, QuitSeenByThePumpEndsEveryLoop) {
    script("start.txt", ".test one\n.test two\n.test three\n");
    host_.quitAfterPumps = 3;
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("test one", "test two"));
}

TEST_F(ScriptRunnerTest, QuitAsksToCloseAndStopsWhenTheAnswerIsYes) {
    script("start.txt", ".QUIT\n.test after\n");
    ASSERT_TRUE(runOnce());
    EXPECT_TRUE(host_.closeRequested);
    EXPECT_THAT(sink_.log, IsEmpty());
    EXPECT_THAT(traces_, IsEmpty()); // quitting leaves before the trace

    host_.quit = false;
    host_.quitOnClose = false; // answered no: the script goes on after the failed line
    sink_.log.clear();
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("test after"));
    EXPECT_THAT(traces_, ElementsAre("エラー（start.txt:1）"));
}

// One script per row; the log shows which lines ran.
struct FlowCase {
    const char* name;
    const char* script;
    std::vector<std::string> log;
};

class ControlFlowTest : public ScriptFixture, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(ControlFlowTest, RunsTheExpectedLines) {
    chooser_.answers = {2};
    script("start.txt", GetParam().script);
    ASSERT_TRUE(runOnce());
    EXPECT_EQ(sink_.log, GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ControlFlowTest,
    ::testing::Values(
        FlowCase{"IfFalseTakesElse", ".IF 0\nA\n.ELSE\nB\n;", {"B"}},
        FlowCase{"IfTrueSkipsElse", ".IF 1\nA\n.ELSE\nB\n;", {"A"}},
        FlowCase{"IfParenthesisedKeyword", "?a=2\n.if(a-2)\n.test no\n.test yes\n", {"test yes"}},
        FlowCase{"IfFalseSkipsNestedBlock",
                 ".IF 0\n{\n.test a\n{\n.test b\n}\n}\n.test c\n",
                 {"test c"}},
        FlowCase{"IfTrueRunsBlockThenElseSkipsBlock",
                 ".IF 1\n{\n.test a\n}\n.else\n{\n.test b\n}\n.test c\n",
                 {"test a", "test c"}},
        // ".ELSE ;" is not the else line after a false IF; met in normal flow it skips
        // the statement after it.
        FlowCase{"ElseWithCommentIsNotTheElseLine",
                 ".IF 0\n.test a\n.ELSE ;\n.test b\n.test c\n",
                 {"test c"}},
        FlowCase{"GotoWithAndWithoutHash",
                 ".GOTO one\n.test skipped\n#one\n.test one\n.goto #two\n.test skipped\n#two\n"
                 ".test end\n",
                 {"test one", "test end"}},
        FlowCase{"GotoFirstLabelWins",
                 ".GOTO x\n#x\n.test first\n.EXIT\n#x\n.test second\n",
                 {"test first"}},
        FlowCase{"GotoLabelIsCaseSensitive", ".GOTO Label\n.test next\n#label\n", {"test next"}},
        FlowCase{"SelectRunsOneBranch",
                 ".SELECT\nOne\n; not a choice\n\nTwo\nThree\n.CASE 1\n.test 1\n.CASE 2 3\n"
                 ".test 2or3\n.CASE 3\n.test 3\n.ENDSEL\n.test after\n",
                 {"test 2or3", "test after"}},
        FlowCase{"CaseNumbersAreSeparatedByBlanksOnly",
                 ".SELECT\nA\nB\n.CASE 1,2\n.test listed\n.ENDSEL\n.test after\n",
                 {"test after"}},
        FlowCase{"SkippedBranchHidesItsNestedSelect",
                 ".SELECT\nA\nB\n.CASE 1\n{\n.SELECT\nC\n.CASE 1\n.test inner\n.ENDSEL\n}\n"
                 ".CASE 2\n.test outer\n.ENDSEL\n",
                 {"test outer"}},
        FlowCase{"ExitEndsTheRoot", ".test a\n.EXIT\n.test b\n", {"test a"}},
        FlowCase{"PageBreaksAndThreeDots", "A\n.\nB\n...\n.test c\n", {"A", "B", "test c"}}),
    [](const ::testing::TestParamInfo<FlowCase>& info) { return std::string(info.param.name); });

TEST_F(ScriptRunnerTest, SelectHandsTheChoiceLinesToTheChooser) {
    chooser_.answers = {3};
    script("start.txt",
           ".SELECT map.txt\nOne\n; comment\n\n  Two  x>1\nThree\n.CASE 3\n.test three\n.ENDSEL\n");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(chooser_.layouts, ElementsAre("map.txt"));
    EXPECT_THAT(chooser_.lines, ElementsAre("1:One", "2:Two  x>1", "3:Three"));
    EXPECT_THAT(sink_.log, ElementsAre("test three"));
}

TEST_F(ScriptRunnerTest, SelectWithoutCaseFailsAtItsLine) {
    script("start.txt", ".test a\n.SELECT\nOne\nTwo\n");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(traces_, ElementsAre("エラー（start.txt:2）"));
}

TEST_F(ScriptRunnerTest, SelectInNovelModeReturnsToAdv) {
    chooser_.answers = {1};
    script("start.txt", ".mode NOVEL\n.SELECT\nOne\n.CASE 1\n.ENDSEL\n");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.modes, ElementsAre(1, 0));
    EXPECT_EQ(runner_.scriptMode(), ScriptMode::Adv);
}

TEST_F(ScriptRunnerTest, CallRunsTheOtherFileAndReturns) {
    script("start.txt", ".test a\n.CALL sub.txt\n.test c\n.CALL missing.txt\n.test d\n");
    script("sub.txt", ".test b1\n.CALL deeper.txt\n.EXIT\n.test never\n");
    script("deeper.txt", ".test b2\n");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("test a", "test b1", "test b2", "test c", "test d"));
    EXPECT_THAT(traces_, IsEmpty());
    EXPECT_EQ(runner_.root().child, nullptr);
}

TEST_F(ScriptRunnerTest, CallDepthIsBounded) {
    // A script that calls itself forever stops at the deepest chain and unwinds.
    script("start.txt", "?a = a + 1\n.CALL start.txt\n?b = b + 1\n");
    ASSERT_TRUE(runOnce());
    EXPECT_EQ(flag("a"), static_cast<int32_t>(kMaxScriptContexts));
    EXPECT_EQ(flag("b"), static_cast<int32_t>(kMaxScriptContexts));
    EXPECT_THAT(traces_, ElementsAre("CALLの入れ子が深すぎます（256段）", "エラー（start.txt:2）"));
}

TEST_F(ScriptRunnerTest, LoadReplacesTheFileAndAMissingOneEndsTheContext) {
    script("start.txt", ".CALL sub.txt\n.test back\n");
    script("sub.txt", ".LOAD other.txt\n.test never\n");
    script("other.txt", ".test other\n.LOAD missing.txt\n.test never\n");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("test other", "test back"));
    // The trace names the file and line that held the failing LOAD.
    EXPECT_THAT(traces_, ElementsAre("エラー（other.txt:2）"));
}

TEST_F(ScriptRunnerTest, SavePointMovesAtMessagesPageBreaksJumpsAndCalls) {
    std::vector<uint32_t> seen;
    runner_.commands().bind("test", [&](const TokenList&) {
        seen.push_back(runner_.root().savePoint);
        return true;
    });
    script("start.txt",
           ".test\n"          // 0: nothing moved it yet
           "Hello\n"          // 1
           ".test\n"          // 2: message ended by this line: save point 2
           ".\n"              // 3: page break: the line after it, 4
           ".test\n"          // 4
           "...\n"            // 5: three dots: this line itself
           ".test\n"          // 6
           ".GOTO there\n"    // 7
           "#there\n"         // 8
           ".test\n"          // 9: after the label, 9
           ".CALL none.txt\n" // 10: the line after the CALL, 11
           ".test\n"          // 11
           ".mode novel\n"    // 12
           "Novel text\n"     // 13
           ".test\n");        // 14: novel mode leaves it
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(seen, ElementsAre(0u, 2u, 4u, 5u, 9u, 11u, 11u));
}

TEST_F(ScriptRunnerTest, RestoreResumesEveryContextAtItsRecord) {
    script("start.txt", ".test s0\n.CALL sub.txt\n.test s2\n.test s3\n");
    script("sub.txt", ".test u0\n.test u1\n.test u2\n");
    std::vector<std::string> savePoints;
    runner_.commands().bind("test", [&](const TokenList& args) {
        sink_.log.push_back(std::string(args.token(0)));
        const ScriptContext& root = runner_.root();
        savePoints.push_back(std::to_string(root.savePoint) + "/" +
                             (root.child ? std::to_string(root.child->savePoint) : "-"));
        return true;
    });
    runner_.restoreScriptMode(ScriptMode::Novel);
    runner_.requestRestart();
    runner_.restoreRecords() = {{"start.txt", 2, 7, true}, {"sub.txt", 1, 0, false}};
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre("u1", "u2", "s2", "s3"));
    // Each restored context's save point is its restored line until something moves it.
    EXPECT_EQ(savePoints[0], "2/1");
    EXPECT_THAT(sink_.modes, ElementsAre(1)); // the saved display mode is applied again
    EXPECT_TRUE(runner_.restoreRecords().empty());
}

TEST_F(ScriptRunnerTest, OwnCommandsSetChapterTextsModeAndLocals) {
    script("start.txt", "?a = 5\n"
                        ".date 4/1\n"
                        ".chapter first words\n"
                        ".mode SysTem\n"
                        ".mode nonsense\n"
                        ".reset\n"
                        ".test end\n");
    ASSERT_TRUE(runOnce());
    EXPECT_EQ(runner_.chapterDate(), "4/1");
    EXPECT_EQ(runner_.chapterName(), "first"); // arguments end at a space
    EXPECT_EQ(runner_.scriptMode(), ScriptMode::System);
    EXPECT_THAT(sink_.modes, ElementsAre(3));
    EXPECT_EQ(flag("a"), 0);
    EXPECT_EQ(host_.titleRefreshes, 3); // prepare, date, chapter
    script("start.txt", ";\n");
    ASSERT_TRUE(runOnce()); // a fresh start clears the chapter texts
    EXPECT_EQ(runner_.chapterName(), "");
}

TEST_F(ScriptRunnerTest, UnreadMessageEndsSkippingOnlyWhenReadOnlyIsSet) {
    script("start.txt", "A\n;\n");
    sink_.skip = true;
    preferences_.skipAll = true;
    ASSERT_TRUE(runOnce());
    EXPECT_TRUE(sink_.skip);
    preferences_.skipAll = false;
    ASSERT_TRUE(runOnce());
    EXPECT_FALSE(sink_.skip);
}

TEST_F(ScriptRunnerTest, AssignmentsEvaluateAndStoreGlobals) {
    script("start.txt",
           "?a = 2\n"
           "?b=a*3+1\n"
           "?g = 5/0\n"     // fails to evaluate; takes the value so far
           "?nothing = 1\n" // undefined: traced, the line still succeeds
           "?a\n"           // no "=": the line fails
           "? h == b - 1 \n");
    ASSERT_TRUE(runOnce());
    EXPECT_EQ(flag("b"), 7);
    EXPECT_EQ(globalFromFile(0), 5);
    EXPECT_EQ(globalFromFile(1), 6);
    EXPECT_THAT(traces_, ElementsAre("計算式『5/0』の判定に失敗", "変数『nothing』は未定義",
                                     "エラー（start.txt:5）"));
}

TEST_F(ScriptRunnerTest, HostileScriptsNeverCrash) {
    const std::string deep(200000, '{');
    const std::string longLine(10 * 1024 * 1024, 'x');
    const std::string longKeyword = "." + std::string(1000, 'k') + " 1";
    const std::string okKeyword = "." + std::string(999, 'k');
    script("start.txt", ".IF 0\n" + deep + "\n.test skipped-to-end\n");
    script("long.txt", longLine + "\n" + longKeyword + "\n" + okKeyword + "\n?" +
                           std::string(300, 'n') + "=1\n\x82\n\x82");
    dir_.write("data/script/nocr.txt", ".test a\n.test b\n.test c"); // LF only: one line
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(traces_, ElementsAre("エラー（start.txt:1）"));

    traces_.clear();
    script("start.txt", ".CALL long.txt\n.CALL nocr.txt\n");
    ASSERT_TRUE(runOnce());
    EXPECT_THAT(sink_.log, ElementsAre(longLine, "test a\n.test"));
    EXPECT_THAT(traces_, ElementsAre("エラー（long.txt:2）", "エラー（long.txt:3）",
                                     "エラー（long.txt:4）"));
}

} // namespace
} // namespace velmira::test
