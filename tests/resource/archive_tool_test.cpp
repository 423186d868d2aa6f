// velmira-tool pack / list / unpack against the engine's own reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "support/run_command.h"
#include "temp_dir.h"

namespace velmira {
namespace {

namespace fs = std::filesystem;

test::CommandRun runTool(const std::string& arguments) {
    return test::runCommand(std::string("'") + VELMIRA_TOOL_PATH + "' " + arguments +
                            " 2>/dev/null");
}

// The same, with what the tool reported on standard error in out.
test::CommandRun runToolReporting(const std::string& arguments) {
    return test::runCommand(std::string("'") + VELMIRA_TOOL_PATH + "' " + arguments + " 2>&1");
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// Everything below folder (files, folders and links, none followed), sorted.
std::vector<std::string> treeOf(const std::string& folder) {
    std::vector<std::string> paths;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        paths.push_back(e.path().lexically_relative(folder).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(ArchiveTool, PackedArchivesReadBackThroughTheEngineAndUnpackToTheSameBytes) {
    test::TempDir dir;
    std::string big(5000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 13);
    // path below the packed folder -> member name the engine asks for
    const std::vector<std::pair<std::string, std::string>> files = {
        {"Script/Start.txt", "*start\r\nhello"},
        {"img/\xe8\x83\x8c\xe6\x99\xaf.png", big}, // 背景.png
        {"se/\xe3\x82\xbd.ogg", "so"},             // ソ: its Shift-JIS second byte is "\"
        {"config/config.txt", "system.txt"},
        {"empty.txt", ""},
    };
    for (const auto& [path, bytes] : files)
        dir.write("in/" + path, bytes);
    fs::create_directories(dir.path() + "data");

    for (int key : {0, 1, 200}) {
        SCOPED_TRACE(key);
        const std::string archive = dir.path() + "data/game.dat";
        ASSERT_EQ(runTool("pack " + quoted(archive) + " --revision 7 --key " + std::to_string(key) +
                          " " + quoted(dir.path() + "in"))
                      .status,
                  0);
        Trace trace;
        ArchiveIndex index(dir.path() + "data/", trace);
        ASSERT_TRUE(index.mountAll());
        const std::vector<std::pair<std::string, std::string>> members = {
            {"script\\start.txt", files[0].second},
            {"img\\\x94\x77\x8c\x69.png", big},
            {"se\\\x83\x5c.ogg", "so"},
            {"config\\config.txt", "system.txt"},
            {"empty.txt", ""},
        };
        ASSERT_EQ(index.entries().size(), members.size());
        for (const auto& [name, bytes] : members) {
            SCOPED_TRACE(name);
            ArchiveReader reader(index);
            std::vector<uint8_t> data;
            ASSERT_TRUE(reader.open("", name));
            EXPECT_EQ(reader.key(), key);
            ASSERT_TRUE(reader.readAll(data));
            EXPECT_EQ(std::string(data.begin(), data.end()), bytes);
        }

        const test::CommandRun list = runTool("list " + quoted(archive));
        EXPECT_EQ(list.status, 0);
        const std::string k = std::to_string(key);
        EXPECT_EQ(list.out, "config\\config.txt\t10\t" + k + "\t7\n" + "empty.txt\t0\t" + k +
                                "\t7\n" + "img\\\xe8\x83\x8c\xe6\x99\xaf.png\t5000\t" + k +
                                "\t7\n" + "script\\start.txt\t13\t" + k + "\t7\n" +
                                "se\\\xe3\x82\xbd.ogg\t2\t" + k + "\t7\n");

        const std::string out = dir.path() + "out" + k + "/";
        ASSERT_EQ(runTool("unpack " + quoted(archive) + " " + quoted(out)).status, 0);
        for (const auto& [path, bytes] : files) {
            const std::string lower = path == "Script/Start.txt" ? "script/start.txt" : path;
            EXPECT_EQ(dir.read("out" + k + "/" + lower), test::bytesOf(bytes)) << path;
        }
    }
}

TEST(ArchiveTool, UnpackRefusesNamesThatLeaveTheFolder) {
    test::TempDir dir;
    ASSERT_TRUE(writeArchiveFile(dir.path() + "evil.dat", 1,
                                 {{"..\\escape.txt", test::bytesOf("x"), 1},
                                  {"\\root.txt", test::bytesOf("x"), 1},
                                  {"a\\..\\..\\up.txt", test::bytesOf("x"), 1},
                                  {"a/../../slash.txt", test::bytesOf("x"), 1},
                                  // 83 2F is no character: it is written as U+FFFD "/", so
                                  // the part would become the two parts "<U+FFFD>" and "..".
                                  {"sub\\\x83/..\\lead.txt", test::bytesOf("x"), 1},
                                  {"\x83/", test::bytesOf("x"), 1},
                                  // A NUL as the second byte of a lead byte.
                                  {std::string("nul\\\x83\0.txt", 10), test::bytesOf("x"), 1},
                                  {"fine\\ok.txt", test::bytesOf("ok"), 1}}));
    fs::create_directories(dir.path() + "box/out");
    EXPECT_EQ(
        runTool("unpack " + quoted(dir.path() + "evil.dat") + " " + quoted(dir.path() + "box/out"))
            .status,
        1);
    const std::vector<std::string> tree = {"box", "box/out", "box/out/fine", "box/out/fine/ok.txt",
                                           "evil.dat"};
    EXPECT_EQ(treeOf(dir.path()), tree);
    EXPECT_EQ(dir.read("box/out/fine/ok.txt"), test::bytesOf("ok"));
}

TEST(ArchiveTool, UnpackNeverWritesThroughALinkBelowTheFolder) {
    test::TempDir dir;
    dir.write("outside/keep.txt", "keep");
    fs::create_directories(dir.path() + "out");
    fs::create_directory_symlink(dir.path() + "outside", dir.path() + "out/img");
    fs::create_symlink(dir.path() + "outside/keep.txt", dir.path() + "out/note.txt");
    // The folder named on the command line may itself be a link: the user chose it.
    fs::create_directory_symlink(dir.path() + "out", dir.path() + "named");
    ASSERT_TRUE(writeArchiveFile(dir.path() + "game.dat", 1,
                                 {{"img\\a.png", test::bytesOf("a"), 1},
                                  {"img\\deep\\b.png", test::bytesOf("b"), 1},
                                  {"note.txt", test::bytesOf("new"), 1},
                                  {"ok.txt", test::bytesOf("ok"), 1}}));

    const test::CommandRun run = runToolReporting("unpack " + quoted(dir.path() + "game.dat") +
                                                  " " + quoted(dir.path() + "named"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("img\\a.png"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("img\\deep\\b.png"), std::string::npos) << run.out;

    EXPECT_EQ(treeOf(dir.path() + "outside"), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(dir.read("outside/keep.txt"), test::bytesOf("keep"));
    EXPECT_TRUE(fs::is_symlink(dir.path() + "out/img"));
    // The link at the member's own name is replaced by the member.
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.path() + "out/note.txt")));
    EXPECT_EQ(dir.read("out/note.txt"), test::bytesOf("new"));
    EXPECT_EQ(dir.read("out/ok.txt"), test::bytesOf("ok"));
}

TEST(ArchiveTool, PackLeavesTheOldArchiveWholeWhenTheDiskFills) {
    test::TempDir dir;
    dir.write("in/a.txt", "old");
    fs::create_directories(dir.path() + "data");
    const std::string archive = dir.path() + "data/game.dat";
    ASSERT_EQ(
        runTool("pack " + quoted(archive) + " --revision 1 " + quoted(dir.path() + "in")).status,
        0);
    const std::vector<uint8_t> before = dir.read("data/game.dat");

    // More than the shell below lets a file grow to (8 KiB). With SIGXFSZ ignored, the write
    // past the limit fails as on a full disk instead of killing the tool.
    dir.write("in/big.bin", std::string(64 * 1024, 'b'));
    const test::CommandRun run =
        test::runCommand(std::string("bash -c \"trap '' XFSZ; ulimit -f 8; '") + VELMIRA_TOOL_PATH +
                         "' pack '" + archive + "' --revision 2 '" + dir.path() + "in' 2>&1\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("File too large"), std::string::npos) << run.out; // the reason

    EXPECT_EQ(dir.read("data/game.dat"), before);
    EXPECT_EQ(treeOf(dir.path() + "data"), std::vector<std::string>{"game.dat"});
    Trace trace;
    ArchiveIndex index(dir.path() + "data/", trace);
    ASSERT_TRUE(index.mountAll());
    ASSERT_EQ(index.entries().size(), 1u);
    EXPECT_EQ(index.entries().begin()->second.revision, 1u);
}

TEST(ArchiveTool, UsageAndFailureStatuses) {
    test::TempDir dir;
    dir.write("in/a.txt", "a");
    dir.write("in/A.TXT", "b"); // same member name as a.txt
    dir.write("junk.dat", "not an archive");
    const std::string in = quoted(dir.path() + "in");
    const std::string out = quoted(dir.path() + "o.dat");
    const std::pair<std::string, int> cases[] = {
        {"", 2},
        {"frobnicate", 2},
        {"pack " + out + " " + in, 2}, // no revision
        {"pack " + out + " --revision x " + in, 2},
        {"pack " + out + " --revision 1 --key 256 " + in, 2},
        {"pack " + out + " --revision 1", 2},
        {"list", 2},
        {"unpack " + out, 2},
        {"pack " + out + " --revision 1 " + quoted(dir.path() + "missing"), 1},
        {"pack " + out + " --revision 1 " + in, 1}, // clashing names
        {"list " + quoted(dir.path() + "junk.dat"), 1},
        {"unpack " + quoted(dir.path() + "missing.dat") + " " + quoted(dir.path() + "x"), 1},
    };
    for (const auto& [arguments, status] : cases) {
        EXPECT_EQ(runTool(arguments).status, status) << arguments;
    }
}

} // namespace
} // namespace velmira
