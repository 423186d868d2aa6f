// A file written piece by piece replaces its target only when committed.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "resource/temp_dir.h"

namespace velmira::platform {
namespace {

size_t entries(const std::string& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

TEST(FileReplacement, TheTargetChangesOnlyAtCommit) {
    test::TempDir dir;
    const std::string path = dir.path() + "take.wav";
    dir.write("take.wav", std::string("old"));
    {
        FileReplacement file;
        ASSERT_TRUE(file.open(path));
        ASSERT_TRUE(file.append(test::bytesOf("..llo")));
        ASSERT_TRUE(file.append(test::bytesOf(" world")));
        ASSERT_TRUE(file.overwrite(0, test::bytesOf("he")));
        EXPECT_FALSE(file.overwrite(10, test::bytesOf("xy"))) << "past the end";
        EXPECT_TRUE(file.isOpen()) << "a refused rewrite changes nothing";
        EXPECT_EQ(dir.read("take.wav"), test::bytesOf("old"));
        EXPECT_EQ(entries(dir.path()), 2u); // the target and the temporary file beside it
    }
    // Not committed: the temporary file is gone, the target untouched.
    EXPECT_EQ(dir.read("take.wav"), test::bytesOf("old"));
    EXPECT_EQ(entries(dir.path()), 1u);

    FileReplacement file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(file.append(test::bytesOf("..llo")));
    ASSERT_TRUE(file.overwrite(0, test::bytesOf("he")));
    EXPECT_EQ(file.size(), 5u);
    EXPECT_EQ(dir.read("take.wav"), test::bytesOf("old"));
    std::string error;
    ASSERT_TRUE(file.commit(&error)) << error;
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(dir.read("take.wav"), test::bytesOf("hello"));
    EXPECT_EQ(entries(dir.path()), 1u);

    EXPECT_FALSE(file.open(dir.path() + "missing/take.wav", &error));
    EXPECT_FALSE(file.open(dir.path(), &error)) << "a folder is no file name";
    EXPECT_FALSE(file.commit(&error));
}

} // namespace
} // namespace velmira::platform
