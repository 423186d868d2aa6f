#include "resource/save_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "resource/keystream.h"
#include "temp_dir.h"

namespace velmira {
namespace {

std::vector<uint8_t> scrambled(std::vector<uint8_t> bytes) {
    Keystream stream(0x3E5B);
    stream.apply(bytes.data(), bytes.size());
    return bytes;
}

std::vector<uint8_t> sample(size_t size, uint8_t salt) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + salt);
    return bytes;
}

TEST(SaveFolder, WritesScrambledFromTheFirstByteAndReadsBack) {
    test::TempDir dir;
    const SaveFolder folder(dir.path() + "game/save/"); // created with its parents
    const std::vector<uint8_t> data = sample(1500, 3);  // longer than one keystream refill
    ASSERT_TRUE(folder.write("flagdata.000", data));
    EXPECT_EQ(dir.read("game/save/flagdata.000"), scrambled(data));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "game/save/flagdata.000.tmp"));
    EXPECT_TRUE(folder.exists("flagdata.000"));

    std::vector<uint8_t> back;
    ASSERT_TRUE(folder.read("flagdata.000", back));
    EXPECT_EQ(back, data);
    ASSERT_TRUE(folder.read("flagdata.000", back, 10));
    EXPECT_EQ(back, std::vector<uint8_t>(data.begin(), data.begin() + 10));

    ASSERT_TRUE(folder.write("flagdata.000", {}));
    ASSERT_TRUE(folder.read("flagdata.000", back));
    EXPECT_TRUE(back.empty());

    EXPECT_TRUE(folder.remove("flagdata.000"));
    EXPECT_FALSE(folder.exists("flagdata.000"));
    EXPECT_FALSE(folder.remove("flagdata.000"));
    EXPECT_FALSE(folder.read("flagdata.000", back));
}

TEST(SaveFolder, OverwriteStartKeepsTheRestAndNeedsTheFile) {
    test::TempDir dir;
    const SaveFolder folder(dir.path() + "save/");
    EXPECT_FALSE(folder.overwriteStart("savedata.001", {1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "save/savedata.001"));

    const std::vector<uint8_t> original = sample(900, 7);
    ASSERT_TRUE(folder.write("savedata.001", original));
    const std::vector<uint8_t> head = sample(640, 99);
    ASSERT_TRUE(folder.overwriteStart("savedata.001", head));
    std::vector<uint8_t> expected = head;
    expected.insert(expected.end(), original.begin() + 640, original.end());
    EXPECT_EQ(dir.read("save/savedata.001"), scrambled(expected));

    const std::vector<uint8_t> longer = sample(1000, 5); // grows the file
    ASSERT_TRUE(folder.overwriteStart("savedata.001", longer));
    std::vector<uint8_t> back;
    ASSERT_TRUE(folder.read("savedata.001", back));
    EXPECT_EQ(back, longer);
}

TEST(SaveFolder, AFailedWriteLeavesTheOldFileWhole) {
    test::TempDir dir;
    const SaveFolder folder(dir.path());
    const std::vector<uint8_t> original = sample(300, 1);
    ASSERT_TRUE(folder.write("savedata.002", original));
    // The replacement cannot be prepared (its temporary name is taken by a folder).
    std::filesystem::create_directory(dir.path() + "savedata.002.tmp");
    EXPECT_FALSE(folder.write("savedata.002", sample(500, 2)));
    EXPECT_FALSE(folder.overwriteStart("savedata.002", sample(10, 2)));
    EXPECT_EQ(dir.read("savedata.002"), scrambled(original));

    // A folder that cannot be created fails the write.
    dir.write("file", "x");
    EXPECT_FALSE(SaveFolder(dir.path() + "file/save/").write("a", {1}));
}

} // namespace
} // namespace velmira
