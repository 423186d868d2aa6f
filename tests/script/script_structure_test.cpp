#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "resource/text_lines.h"
#include "script/script_structure.h"

namespace velmira {
namespace {

// Lines as a loaded script holds them (CR LF between them).
TextLines scriptLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    TextLines out;
    out.assign(text);
    return out;
}

TEST(ScriptStructureTest, LineKindIsDecidedByTheFirstByte) {
    struct Row {
        std::string_view line;
        LineKind kind;
    };
    const Row rows[] = {
        {"", LineKind::Empty},
        {std::string_view("\0.wait 1", 8), LineKind::Empty},
        {"; note", LineKind::Comment},
        {";", LineKind::Comment},
        {"#top", LineKind::Label},
        {"{", LineKind::BlockOpen},
        {"{ ; opens all the same", LineKind::BlockOpen},
        {"}", LineKind::BlockClose},
        {"}x", LineKind::BlockClose},
        {".", LineKind::Statement},
        {".wait 100", LineKind::Statement},
        {"?a = 1", LineKind::Assignment},
        {"Hello ; not a comment", LineKind::Text},
        {" .wait 1", LineKind::Text}, // loaded lines lose their leading blanks
        {"\x82\xa0", LineKind::Text}, // Shift-JIS text
    };
    for (const Row& row : rows) {
        EXPECT_EQ(lineKind(row.line), row.kind) << '"' << row.line << '"';
    }
}

TEST(ScriptStructureTest, SkipStatementPassesNestedBlocksWhole) {
    const TextLines lines = scriptLines({
        ".wait 1", // 0
        "{",       // 1
        "{x",      // 2
        "text",    // 3
        "}",       // 4
        "}y",      // 5
        "}",       // 6: no "{" of its own
        "{",       // 7: never closed
        "text",    // 8
    });
    struct Row {
        uint32_t from;
        bool ok;
        uint32_t to;
    };
    const Row rows[] = {
        {0, true, 1}, {1, true, 6},  {2, true, 5}, {3, true, 4},
        {6, true, 7}, {7, false, 9}, {8, true, 9}, {9, false, 9},
    };
    for (const Row& row : rows) {
        uint32_t index = row.from;
        EXPECT_EQ(skipStatement(lines, index), row.ok) << "from " << row.from;
        EXPECT_EQ(index, row.to) << "from " << row.from;
    }
}

TEST(ScriptStructureTest, FalseIfTakesOnlyAnExactElseLine) {
    struct Row {
        std::vector<std::string> lines; // what follows the IF
        bool ok;
        uint32_t to;
    };
    const Row rows[] = {
        {{".wait 1", ".ELSE", ".wait 2"}, true, 2},
        {{".wait 1", ".else", ".wait 2"}, true, 2},
        {{"{", ".ELSE", "}", ".Else"}, true, 4},
        {{".wait 1", ".ELSE ;", ".wait 2"}, true, 1},
        {{".wait 1", ".ELSEWHERE"}, true, 1},
        {{".wait 1", "; .ELSE", ".ELSE"}, true, 1},
        {{".wait 1", ".ELSE"}, true, 2},
        {{".wait 1"}, false, 1}, // nothing after the skipped statement
        {{"{", ".ELSE"}, false, 2},
    };
    for (const Row& row : rows) {
        const TextLines lines = scriptLines(row.lines);
        uint32_t index = 0;
        EXPECT_EQ(skipFalseIf(lines, index), row.ok) << row.lines[0] << " / " << row.lines.size();
        EXPECT_EQ(index, row.to) << row.lines[0] << " / " << row.lines.size();
    }
}

TEST(ScriptStructureTest, ChoiceLinesRunToTheFirstCaseLine) {
    struct Seen {
        int number;
        uint32_t index;
        std::string line;
        bool operator==(const Seen&) const = default;
    };
    const auto scan = [](const TextLines& lines, uint32_t& index) {
        std::vector<Seen> seen;
        const bool ok =
            scanChoices(lines, index, [&](int number, uint32_t at, std::string_view line) {
                seen.push_back({number, at, std::string(line)});
            });
        return std::make_pair(ok, seen);
    };

    const TextLines select = scriptLines({
        ".SELECT",   // 0
        "Yes  a>0",  // 1
        "; aside",   // 2
        "",          // 3
        "{",         // 4: a choice, like any line that is not empty or a comment
        ".ENDSEL",   // 5: a choice too
        ".caseless", // 6: starts with ".CASE", so it ends the list
        ".CASE 1",   // 7
    });
    uint32_t index = 1;
    const auto [ok, seen] = scan(select, index);
    EXPECT_TRUE(ok);
    EXPECT_EQ(index, 6u);
    EXPECT_EQ(seen, (std::vector<Seen>{{1, 1, "Yes  a>0"}, {2, 4, "{"}, {3, 5, ".ENDSEL"}}));

    const TextLines noCase = scriptLines({".SELECT", "Only", ".ENDSEL"});
    index = 1;
    const auto [endOk, endSeen] = scan(noCase, index);
    EXPECT_FALSE(endOk);
    EXPECT_EQ(index, 3u);
    EXPECT_EQ(endSeen.size(), 2u);
}

TEST(ScriptStructureTest, CaseScanStepsOverBlocksToTheNextCaseOrEndSel) {
    const TextLines lines = scriptLines({
        ".CASE 1",   // 0
        "text",      // 1
        "{",         // 2
        ".CASE 9",   // 3: inside a block
        ".ENDSEL",   // 4: inside a block
        "}",         // 5
        ".ENDSEL ;", // 6: not exactly ".ENDSEL"
        "}",         // 7: stepped over
        ".endsel",   // 8
        ".Case2",    // 9
        "{",         // 10: never closed
        ".ENDSEL",   // 11
    });
    struct Row {
        uint32_t from;
        bool ok;
        uint32_t to;
    };
    const Row rows[] = {
        {1, true, 8},    {3, true, 3},   {4, true, 4},    {9, true, 9},
        {10, false, 12}, {11, true, 11}, {12, false, 12},
    };
    for (const Row& row : rows) {
        uint32_t index = row.from;
        EXPECT_EQ(skipToNextCase(lines, index), row.ok) << "from " << row.from;
        EXPECT_EQ(index, row.to) << "from " << row.from;
    }
}

} // namespace
} // namespace velmira
