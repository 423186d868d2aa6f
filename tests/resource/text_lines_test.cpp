#include "resource/text_lines.h"

#include <gtest/gtest.h>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "temp_dir.h"

namespace velmira {
namespace {

std::vector<std::string> linesOf(const TextLines& lines) {
    std::vector<std::string> out;
    for (int i = 0; i < lines.count(); ++i)
        out.emplace_back(lines.view(i));
    return out;
}

TEST(TextLines, SplitsAtCarriageReturns) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\nb", {"a\nb"}},                   // a lone line feed stays in its line
        {"a\rb\r\r\nc", {"a", "b", "", "c"}}, // a bare CR ends a line too
        {"a\r\n\nb", {"a", "\nb"}},           // only one line feed is skipped
        {"  \tx y \r\n\t z", {"x y ", "z"}},  // leading blanks go, inner and trailing stay
        {"a\r\n", {"a"}},                     // no empty last line after a final break
        {"a\r\n \t", {"a", ""}},              // blanks after the last break: one empty line
        {"\r\n", {""}},
        {"   ", {""}},
        {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}}, // the text ends at a NUL byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.text));
        TextLines lines;
        ASSERT_TRUE(lines.assign(c.text));
        EXPECT_EQ(linesOf(lines), c.lines);
    }
}

TEST(TextLines, LineAccessOutOfRangeAndEmptyText) {
    TextLines lines;
    EXPECT_FALSE(lines.assign(""));
    EXPECT_EQ(lines.count(), 0);
    ASSERT_TRUE(lines.assign("one\r\ntwo"));
    std::string out = "unchanged";
    EXPECT_FALSE(lines.line(2, out));
    EXPECT_FALSE(lines.line(-1, out));
    EXPECT_EQ(out, "unchanged");
    EXPECT_TRUE(lines.line(1, out));
    EXPECT_EQ(out, "two");
    EXPECT_EQ(lines.view(5), "");

    TextLines copy = lines; // copies do not point into the original
    lines.assign("other");
    EXPECT_EQ(copy.view(0), "one");
}

TEST(TextLines, LoadReadsThroughTheArchive) {
    test::TempDir dir;
    ASSERT_TRUE(writeArchiveFile(
        dir.path() + "a.dat", 1,
        {{"script\\start.txt", test::bytesOf("  a\r\nb"), 3}, {"script\\empty.txt", {}, 3}}));
    Trace trace;
    ArchiveIndex index(dir.path(), trace);
    ASSERT_TRUE(index.mountAll());
    TextLines lines;
    ASSERT_TRUE(lines.load(index, "script", "start.txt"));
    EXPECT_EQ(linesOf(lines), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(lines.load(index, "script", "empty.txt"));
    EXPECT_EQ(lines.count(), 0);
    ASSERT_TRUE(lines.load(index, "script", "start.txt"));
    EXPECT_FALSE(lines.load(index, "script", "missing.txt"));
    EXPECT_EQ(lines.count(), 0);
}

TEST(TokenList, SplitsAtSpacesAndTabs) {
    struct Case {
        std::string line;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"wait 100 ", {"wait", "100", ""}},
        {"wait 100", {"wait", "100"}},
        {"  img\t\t0  bg.png", {"img", "0", "bg.png"}},
        {"a\t", {"a", ""}},
        {" ", {""}},
        {"", {}},
        {"\"quoted text\"", {"\"quoted", "text\""}}, // no quoting
        {"\x81\x40x y", {"\x81\x40x", "y"}},         // a full-width space is no separator
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.line));
        TokenList tokens;
        tokens.split("leftover from before");
        tokens.split(c.line);
        std::vector<std::string> got;
        for (int i = 0; i < tokens.count(); ++i)
            got.emplace_back(tokens.token(i));
        EXPECT_EQ(got, c.tokens);
        EXPECT_EQ(tokens.token(-1), "");
        EXPECT_EQ(tokens.token(tokens.count()), "");
    }
}

} // namespace
} // namespace velmira
