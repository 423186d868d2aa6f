#include "resource/save_folder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

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

// Runs body in a child process whose files may grow to limit bytes at most, as on a disk
// that is full; SIGXFSZ is ignored, so a write beyond it fails instead of killing the
// child. The child's exit status is body's result (0 true, 1 false).
int withFileSizeLimit(rlim_t limit, const std::function<bool()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SaveFolder, AFailedWriteLeavesTheOldFileWholeAndNothingBeside) {
    test::TempDir dir;
    const SaveFolder folder(dir.path());
    const std::vector<uint8_t> original = sample(300, 1);
    ASSERT_TRUE(folder.write("savedata.002", original));
    // A full disk: the new content cannot be written.
    EXPECT_EQ(withFileSizeLimit(400, [&] { return folder.write("savedata.002", sample(500, 2)); }),
              1);
    EXPECT_EQ(withFileSizeLimit(
                  400, [&] { return folder.overwriteStart("savedata.002", sample(600, 2)); }),
              1);
    EXPECT_EQ(dir.read("savedata.002"), scrambled(original));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1u) << "a temporary file was left behind";

    // A folder that cannot be created fails the write.
    dir.write("file", "x");
    EXPECT_FALSE(SaveFolder(dir.path() + "file/save/").write("a", {1}));
}

TEST(SaveFolder, NeverWritesThroughALinkPlantedInTheFolder) {
    test::TempDir dir;
    namespace fs = std::filesystem;
    dir.write("victim", "precious");
    fs::create_directories(dir.path() + "save");
    // Where an older engine put its temporary file, and the target itself.
    fs::create_symlink(dir.path() + "victim", dir.path() + "save/flagdata.000.tmp");
    fs::create_symlink(dir.path() + "victim", dir.path() + "save/flagdata.001");
    const SaveFolder folder(dir.path() + "save/");
    ASSERT_TRUE(folder.write("flagdata.000", sample(40, 3)));
    ASSERT_TRUE(folder.write("flagdata.001", sample(40, 4)));
    EXPECT_EQ(dir.read("victim"), test::bytesOf("precious"));
    // The link at the target was replaced by the file, not followed.
    EXPECT_FALSE(fs::is_symlink(dir.path() + "save/flagdata.001"));
    EXPECT_EQ(dir.read("save/flagdata.001"), scrambled(sample(40, 4)));
}

TEST(SaveFolder, TwoWritersAtOnceNeverLeaveATornFile) {
    test::TempDir dir;
    const SaveFolder folder(dir.path());
    const std::vector<uint8_t> a = sample(4000, 1), b = sample(4000, 2);
    ASSERT_TRUE(folder.write("flagdata.000", a));
    std::atomic<bool> stop{false};
    auto writer = [&](const std::vector<uint8_t>& content) {
        while (!stop.load())
            EXPECT_TRUE(folder.write("flagdata.000", content));
    };
    std::thread first(writer, std::cref(a)), second(writer, std::cref(b));
    for (int i = 0; i < 500; ++i) {
        std::vector<uint8_t> seen;
        ASSERT_TRUE(folder.read("flagdata.000", seen));
        ASSERT_TRUE(seen == a || seen == b) << "read " << seen.size() << " bytes of neither";
    }
    stop = true;
    first.join();
    second.join();
}

} // namespace
} // namespace velmira
