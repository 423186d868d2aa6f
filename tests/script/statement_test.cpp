#include <gtest/gtest.h>

#include "graphics/named_colours.h"
#include "script/command_table.h"
#include "script/statement.h"

namespace velmira {
namespace {

TEST(StatementTest, SplitsKeywordAndArguments) {
    struct Row {
        std::string text; // the line after its first "."
        StatementKind kind;
        std::string keyword;
        std::string arguments;
    };
    const Row rows[] = {
        {"", StatementKind::PageBreak, "", ""},
        {".", StatementKind::PageBreak, "", ""},
        {"..", StatementKind::PageBreakHere, ".", ""},
        {"..x", StatementKind::Command, ".x", ""},
        {"...", StatementKind::Command, "..", ""},
        {"wait100", StatementKind::Command, "wait", "100"},
        {"img 1\tbg01.png  200 ", StatementKind::Command, "img", "1\tbg01.png  200 "},
        {"IF(a)", StatementKind::If, "IF", "(a)"},
        {"if a<b", StatementKind::If, "if", "a<b"},
        {"Else ;", StatementKind::Else, "Else", ";"},
        {"goto #x", StatementKind::Goto, "goto", "#x"},
        {"Call sub.txt", StatementKind::Call, "Call", "sub.txt"},
        {"LOAD b.txt", StatementKind::Load, "LOAD", "b.txt"},
        {"select", StatementKind::Select, "select", ""},
        {"CASE 1 3", StatementKind::Case, "CASE", "1 3"},
        {"endsel", StatementKind::EndSel, "endsel", ""},
        {"exit", StatementKind::Exit, "exit", ""},
        {"Quit", StatementKind::Quit, "Quit", ""},
        {"CASES", StatementKind::Command, "CASES", ""},
        {"Wait 5", StatementKind::Command, "Wait", "5"},
        {" x", StatementKind::Command, "", "x"},
        {std::string(999, 'k') + " 1", StatementKind::Command, std::string(999, 'k'), "1"},
        {std::string(1000, 'k') + " 1", StatementKind::Invalid, "", ""},
    };
    for (const Row& row : rows) {
        const Statement s = splitStatement(row.text);
        EXPECT_EQ(s.kind, row.kind) << row.text;
        EXPECT_EQ(s.keyword, row.keyword) << row.text;
        EXPECT_EQ(s.arguments, row.arguments) << row.text;
    }
}

TEST(CommandTableTest, DispatchesByExactNameWithFreshArguments) {
    CommandTable table;
    std::vector<std::string> seen;
    EXPECT_TRUE(table.bind("wait", [&](const TokenList& args) {
        seen.push_back(std::string(args.token(0)) + "|" + std::string(args.token(1)));
        return true;
    }));
    EXPECT_FALSE(table.bind("Wait", [](const TokenList&) { return true; }));

    EXPECT_TRUE(table.dispatch("wait", "100 x"));
    EXPECT_TRUE(table.dispatch("wait", "5"));
    EXPECT_FALSE(table.dispatch("Wait", "5"));
    EXPECT_FALSE(table.dispatch("img", "1 bg")); // in the table, no handler yet
    EXPECT_FALSE(table.dispatch("", ""));
    EXPECT_EQ(seen, (std::vector<std::string>{"100|x", "5|"}));
    EXPECT_EQ(CommandTable::find("test"), 19);
}

TEST(CommandTableTest, NumbersAndColours) {
    EXPECT_EQ(argumentNumber("  -12ab"), -12);
    EXPECT_EQ(argumentNumber("+7"), 7);
    EXPECT_EQ(argumentNumber("word"), 0);
    EXPECT_EQ(argumentNumber(""), 0);
    EXPECT_TRUE(startsWithDigit("3x"));
    EXPECT_FALSE(startsWithDigit("-3"));

    const auto sky = findNamedColour("SkyBlue");
    ASSERT_TRUE(sky.has_value());
    EXPECT_EQ(*sky, (Rgb{142, 208, 255}));
    EXPECT_EQ(findNamedColour("brown")->b, 10);
    EXPECT_FALSE(findNamedColour("grey").has_value());
}

TEST(CommandTableTest, ImgItemsOnTheDefaultAndAWideScreen) {
    using Kind = ImgItem::Kind;
    struct Row {
        const char* item;
        int32_t width, height;
        Kind kind;
        int32_t x, y;
        const char* name;
        int32_t frame;
    };
    const Row rows[] = {
        {"100", 640, 480, Kind::Number, 100, 0, "", 0},
        {"pos1", 640, 480, Kind::Position, 133, 480, "", 0},
        {"POS5", 640, 480, Kind::Position, 665, 480, "", 0},
        {"left", 640, 480, Kind::Position, 160, 480, "", 0},
        {"center", 640, 480, Kind::Position, 320, 480, "", 0},
        {"right", 640, 480, Kind::Position, 480, 480, "", 0},
        {"right", 800, 600, Kind::Position, 600, 600, "", 0},
        {"pos", 640, 480, Kind::Picture, 0, 0, "pos", 0},
        {"Center", 640, 480, Kind::Picture, 0, 0, "Center", 0},
        {"girl.png#3", 640, 480, Kind::Picture, 0, 0, "girl.png", 3},
        {"door.img#2#5", 640, 480, Kind::Picture, 0, 0, "door.img", 2},
    };
    for (const Row& row : rows) {
        const ImgItem item = classifyImgItem(row.item, row.width, row.height);
        EXPECT_EQ(item.kind, row.kind) << row.item;
        if (row.kind == Kind::Number) {
            EXPECT_EQ(item.number, row.x) << row.item;
        }
        if (row.kind == Kind::Position) {
            EXPECT_EQ(item.x, row.x) << row.item;
            EXPECT_EQ(item.y, row.y) << row.item;
        }
        if (row.kind == Kind::Picture) {
            EXPECT_EQ(item.name, row.name) << row.item;
            EXPECT_EQ(item.frame, row.frame) << row.item;
        }
    }
    EXPECT_FALSE(classifyImgItem("pos6", 640, 480).hasPosition);
}

} // namespace
} // namespace velmira
