#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "resource/archive_writer.h"
#include "resource/temp_dir.h"
#include "support/run_command.h"

namespace velmira::test {
namespace {

CommandRun runTool(const std::string& arguments) {
    return runCommand(std::string(VELMIRA_TOOL_PATH) + " " + arguments);
}

// Game files are written from UTF-8 text as the engine reads them: Shift-JIS, CR LF.
void writeGameText(const TempDir& dir, const std::string& path, const std::string& utf8Text) {
    std::string text;
    for (char c : platform::utf8ToSjis(utf8Text)) {
        if (c == '\n')
            text += "\r\n";
        else
            text += c;
    }
    dir.write(path, text);
}

TEST(LintTest, ReportsOneLinePerProblem) {
    TempDir game;
    writeGameText(game, "data/config/config.txt", "flags.txt\n");
    writeGameText(game, "data/config/flags.txt", "[Define.Flag]\nL000=a\nG000=所持金\nF000=seen\n");
    game.write("data/img/bg.png", std::string("loose picture"));
    game.write("data/bgm/theme.ogg", std::string("loose music"));
    game.write("data/voice/keeper/hello.ogg", std::string("loose voice"));
    ASSERT_TRUE(writeArchiveFile(game.path() + "data/pictures.dat", 1,
                                 {{"img\\inarchive.png", {1, 2, 3}, 5}}));
    writeGameText(game, "data/script/start.txt",
                  "; every problem the lint knows, once\n"
                  ".GOTO 終章\n"
                  ".CALL sub.txt\n"
                  ".CALL gone.txt\n"
                  ".Wait 100\n"
                  ".SELECT\n"
                  "Yes  a>0\n"
                  "No   unknown\n"
                  ".CASE 1\n"
                  ".ENDSEL\n"
                  ".CASE 2\n"
                  ".IF 所持金\n"
                  ".test 1 2 3 4 5 6 7 8\n"
                  ".ELSE ;\n"
                  ".test 1 2 3 4 5 6 7 8\n"
                  "?a = 1+\n"
                  "?a = (1))\n"
                  "?nobody = 1\n"
                  "?seen = 1\n"
                  ".img 1 bg.png inarchive.png missing.png 100 black\n"
                  ".bgm theme.ogg\n"
                  ".bgm lost.ogg\n"
                  ".se no-se-folder.ogg\n"
                  ".voice \\keeper\n"
                  ".voice hello.ogg\n"
                  ".voice bye.ogg\n"
                  "{\n"
                  "A message that a brace ends\n"
                  "}\n"
                  "}\n"
                  ".IF 1/0\n"
                  ".LOAD other.txt\n"
                  "誰にも読まれない\n"
                  "最後の行\n");
    writeGameText(game, "data/script/sub.txt", ".SELECT\n唯一の道\n{\n");
    writeGameText(game, "data/script/other.txt", ".CALL sub.txt\n");

    const CommandRun run = runTool("lint " + game.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "start.txt:2: GOTO to missing label '終章'\n"
              "start.txt:4: CALL of missing script 'gone.txt'\n"
              "start.txt:5: unknown command 'Wait' (command names are case-sensitive: 'wait')\n"
              "start.txt:8: undefined variable 'unknown'\n"
              "start.txt:11: CASE outside a choice\n"
              "start.txt:14: '.ELSE ;' is not the ELSE of the IF on line 12: only '.ELSE' alone "
              "is; this line skips the statement after it instead\n"
              "start.txt:17: expression '(1))' fails to evaluate (malformed)\n"
              "start.txt:18: assignment to undefined variable 'nobody'\n"
              "start.txt:19: assignment to record flag 'seen' changes nothing\n"
              "start.txt:20: missing picture 'img\\missing.png'\n"
              "start.txt:22: missing music 'bgm\\lost.ogg'\n"
              "start.txt:26: missing voice 'voice\\keeper\\bye.ogg'\n"
              "start.txt:30: unbalanced '}'\n"
              "start.txt:31: expression '1/0' fails to evaluate (division by zero)\n"
              "start.txt:33: message text at the end of the file is never shown\n"
              "sub.txt:1: SELECT without a .CASE line\n"
              "sub.txt:3: unbalanced '{'\n");
}

TEST(LintTest, MissingStartScriptAndCleanGame) {
    TempDir empty;
    const CommandRun missing = runTool("lint " + empty.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "start.txt:0: the start script is missing\n");

    TempDir clean;
    writeGameText(clean, "data/script/start.txt", "Hello\n.wait 0\n.GOTO #top\n#top\n");
    const CommandRun ok = runTool("lint " + clean.path());
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "");
}

} // namespace
} // namespace velmira::test
