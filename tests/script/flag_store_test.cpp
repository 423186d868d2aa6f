#include <gtest/gtest.h>

#include <filesystem>

#include "platform/encoding.h"
#include "resource/config.h"
#include "resource/save_folder.h"
#include "resource/temp_dir.h"
#include "resource/trace.h"
#include "script/flag_store.h"
#include "script/statement.h"

namespace velmira {
namespace {

class FlagStoreTest : public ::testing::Test {
  protected:
    FlagStoreTest() : folder_(dir_.path() + "save/"), flags_(trace_, folder_) {
        trace_.setSink(
            [this](std::string_view sjis) { traces_.push_back(platform::sjisToUtf8(sjis)); });
        load("[Define.Flag]\r\nL005=a\r\nG002=a\r\nL003=same\r\nG003=same\r\nF003=same\r\n"
             "G010=score\r\nF001=bg01.png\r\nF004=bg01.png\r\nF009=seen\r\n");
    }
    void load(const std::string& text) {
        ConfigStore config;
        config.parse(text);
        flags_.load(config);
    }
    std::vector<uint8_t> file(const char* name) {
        std::vector<uint8_t> bytes;
        folder_.read(name, bytes);
        return bytes;
    }
    static int32_t slotOf(const std::vector<uint8_t>& bytes, int slot) {
        const uint8_t* p = bytes.data() + slot * 4;
        return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24);
    }

    test::TempDir dir_;
    Trace trace_;
    std::vector<std::string> traces_;
    SaveFolder folder_;
    FlagStore flags_;
};

TEST_F(FlagStoreTest, LowestSlotWinsThenLocalBeforeGlobalBeforeRecord) {
    ASSERT_TRUE(flags_.assign("a", 7));
    EXPECT_EQ(flags_.value(FlagKind::Global, 2), 7); // global slot 2 before local slot 5
    EXPECT_EQ(flags_.value(FlagKind::Local, 5), 0);
    EXPECT_EQ(flags_.lookup("a"), 7);

    ASSERT_TRUE(flags_.assign("same", 4));
    EXPECT_EQ(flags_.value(FlagKind::Local, 3), 4);
    EXPECT_EQ(flags_.value(FlagKind::Global, 3), 0);
    EXPECT_TRUE(traces_.empty());
}

TEST_F(FlagStoreTest, UnknownNamesAreTracedAndChangeNothing) {
    EXPECT_EQ(flags_.lookup("missing"), 0);
    EXPECT_FALSE(flags_.assign("seen", 1)); // record flags cannot be assigned
    EXPECT_FALSE(flags_.assign("", 1));     // unnamed slots never match
    EXPECT_EQ(flags_.value(FlagKind::Record, 9), 0);
    EXPECT_EQ(flags_.lookup("42x"), 42); // a number, not a name
    EXPECT_EQ(traces_, (std::vector<std::string>{"変数『missing』は定義されていません",
                                                 "変数『seen』は未定義", "変数『』は未定義"}));
}

TEST_F(FlagStoreTest, GlobalAndRecordValuesPersistInTheirFiles) {
    flags_.assign("same", 1); // local: no file
    EXPECT_FALSE(flags_.hasUnwrittenValues());
    for (int i = 0; i <= 1000; ++i)
        flags_.assign("score", -2 + 1000 - i);
    flags_.markRecord("bg01.png"); // the first record slot of that name
    flags_.markRecord("unknown.png");
    // Nothing is written per assignment; the engine's next pump turn flushes once.
    EXPECT_FALSE(folder_.exists(kGlobalFlagFile));
    EXPECT_FALSE(folder_.exists(kRecordFlagFile));
    EXPECT_TRUE(flags_.hasUnwrittenValues());
    ASSERT_TRUE(flags_.flush());
    EXPECT_FALSE(flags_.hasUnwrittenValues());

    const std::vector<uint8_t> globals = file(kGlobalFlagFile);
    const std::vector<uint8_t> records = file(kRecordFlagFile);
    ASSERT_EQ(globals.size(), kFlagFileSize);
    ASSERT_EQ(records.size(), kFlagFileSize);
    EXPECT_EQ(slotOf(globals, 10), -2);
    EXPECT_EQ(slotOf(records, 1), 1);
    EXPECT_EQ(slotOf(records, 4), 0);

    // A fresh start reads both files; local values start at 0.
    FlagStore again(trace_, folder_);
    ConfigStore config;
    config.parse("[Define.Flag]\r\nG010=score\r\nF001=bg01.png\r\nL003=same\r\n");
    again.load(config);
    EXPECT_EQ(again.lookup("score"), -2);
    EXPECT_EQ(again.lookup("bg01.png"), 1);
    EXPECT_EQ(again.lookup("same"), 0);

    // A flush with nothing changed writes nothing.
    folder_.remove(kGlobalFlagFile);
    ASSERT_TRUE(flags_.flush());
    EXPECT_FALSE(folder_.exists(kGlobalFlagFile));
}

TEST_F(FlagStoreTest, AFailedFlushKeepsTheValuesAndTriesAgainAtTheNextChange) {
    dir_.write("save", "a file where the folder should be");
    flags_.assign("score", 3);
    EXPECT_FALSE(flags_.flush());
    EXPECT_FALSE(flags_.hasUnwrittenValues()); // not retried every turn
    EXPECT_EQ(flags_.lookup("score"), 3);
    std::filesystem::remove(dir_.path() + "save");
    flags_.assign("score", 4);
    ASSERT_TRUE(flags_.flush());
    EXPECT_EQ(slotOf(file(kGlobalFlagFile), 10), 4);
}

TEST_F(FlagStoreTest, ShortValueFileFillsOnlyTheSlotsItHolds) {
    folder_.write(kGlobalFlagFile, {5, 0, 0, 0, 6, 0});
    load("[Define.Flag]\r\nG000=first\r\nG001=second\r\n");
    EXPECT_EQ(flags_.lookup("first"), 5);
    EXPECT_EQ(flags_.lookup("second"), 0);
}

TEST_F(FlagStoreTest, LocalValuesRoundTripThroughTheirBytes) {
    flags_.assign("same", 0x01020304);
    const auto bytes = flags_.localBytes();
    EXPECT_EQ(bytes[12], 0x04);
    EXPECT_EQ(bytes[15], 0x01);
    flags_.resetLocals();
    EXPECT_EQ(flags_.lookup("same"), 0);
    flags_.setLocalBytes(bytes.data(), bytes.size());
    EXPECT_EQ(flags_.lookup("same"), 0x01020304);
}

TEST(AssignmentTest, SplitsNameAndExpression) {
    struct Row {
        std::string text;
        bool ok;
        std::string name;
        std::string expression;
    };
    const Row rows[] = {
        {"a=5", true, "a", "5"},
        {" \ta = 1+2", true, "a", "1+2"},
        {"a == =\t b", true, "a", "b"},
        {"a b = 4", true, "a", "4"}, // the name ends at the blank; the "=" is found later
        {"a=", true, "a", ""},
        {"=3", true, "", "3"},
        {"a 5", false, "", ""},
        {"", false, "", ""},
        {std::string(250, 'n') + "=1", true, std::string(250, 'n'), "1"},
        {std::string(251, 'n') + "=1", false, "", ""},
    };
    for (const Row& row : rows) {
        Assignment out;
        ASSERT_EQ(parseAssignment(row.text, out), row.ok) << row.text;
        if (!row.ok) continue;
        EXPECT_EQ(out.name, row.name) << row.text;
        EXPECT_EQ(out.expression, row.expression) << row.text;
    }
}

} // namespace
} // namespace velmira
