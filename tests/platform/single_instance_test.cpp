#include "platform/sdl/single_instance.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmira::platform {
namespace {

namespace fs = std::filesystem;

// A private runtime folder per test, removed afterwards.
class RuntimeDir {
  public:
    RuntimeDir() {
        std::string pattern = (fs::temp_directory_path() / "velmira-si-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~RuntimeDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Counts raise requests delivered on the listener thread.
class RaiseCounter {
  public:
    SingleInstance::RaiseHandler handler() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++count_;
            changed_.notify_all();
        };
    }
    // Waits for the count to reach n; the bound only keeps a broken build from hanging.
    bool waitFor(int n) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return count_ >= n; });
    }
    int count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

TEST(InstanceStem, MapsIdsToSafeFileNames) {
    struct Case {
        std::string id;
        std::string stem;
    };
    const Case cases[] = {
        {"velmira.sample.lighthouse", "velmira.sample.lighthouse"},
        {"Game_01-b", "Game_01-b"},
        {"../../etc/passwd", ".%2E%2F.%2E%2Fetc%2Fpasswd"},
        {"..", ".%2E"},
        {"a b%", "a%20b%25"},
        // Shift-JIS "ゲーム": lead bytes are escaped; a trail byte in the ASCII range
        // follows the rule for that character.
        {"\x83\x51\x81\x5b\x83\x80", "%83Q%81%5B%83%80"},
        {std::string("a\0b", 3), "a%00b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(instanceStem(c.id, 64), c.stem) << c.id;
}

TEST(InstanceStem, StaysShortSafeAndDistinct) {
    // IDs that differ only in escaped characters, in the tail past the cut, or only as
    // an escape differs from its literal text must still map to different names.
    const std::string longPrefix(200, 'x');
    const std::vector<std::string> ids = {
        "a/b",
        "a%2Fb",
        "a.b",
        "a..b",
        "a.%2Eb",
        "A",
        "a",
        longPrefix + "1",
        longPrefix + "2",
        longPrefix,
        std::string(300, '/'),
        std::string(300, '.'),
        "\x82\xa0",
        "\x82\xa1",
    };
    for (size_t maxLength : {17u, 40u, 64u}) {
        std::set<std::string> seen;
        for (const std::string& id : ids) {
            const std::string stem = instanceStem(id, maxLength);
            EXPECT_LE(stem.size(), maxLength) << id;
            EXPECT_EQ(stem.find('/'), std::string::npos) << id;
            EXPECT_EQ(stem.find(".."), std::string::npos) << id;
            EXPECT_TRUE(seen.insert(stem).second) << "collision for " << id << " at " << maxLength;
        }
    }
    // A cut never leaves half an escape behind, wherever it falls.
    for (size_t maxLength = 27; maxLength <= 31; ++maxLength) {
        const std::string stem =
            instanceStem(std::string(10, 'a') + std::string(40, '/'), maxLength);
        const size_t tilde = stem.find('~');
        ASSERT_NE(tilde, std::string::npos);
        EXPECT_EQ((tilde - 10) % 3, 0u) << stem;
        EXPECT_EQ(stem.size(), tilde + 17);
    }
}

TEST(SingleInstance, SecondClaimantIsRefusedAndRaisesTheFirst) {
    RuntimeDir dir;
    RaiseCounter raised;
    SingleInstance first(dir.path(), raised.handler());
    ASSERT_EQ(first.claim("velmira.test"), InstanceClaim::Claimed);
    EXPECT_TRUE(first.holdsLock());

    {
        SingleInstance second(dir.path());
        EXPECT_EQ(second.claim("velmira.test"), InstanceClaim::AlreadyRunning);
        EXPECT_FALSE(second.holdsLock());
    }
    EXPECT_TRUE(raised.waitFor(1));

    // Another identity in the same folder is independent.
    SingleInstance other(dir.path());
    EXPECT_EQ(other.claim("velmira.other"), InstanceClaim::Claimed);
}

TEST(SingleInstance, EmptyIdNeverCollides) {
    RuntimeDir dir;
    SingleInstance first(dir.path()), second(dir.path());
    EXPECT_EQ(first.claim(""), InstanceClaim::Claimed);
    EXPECT_EQ(second.claim(""), InstanceClaim::Claimed);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(SingleInstance, ReleasedOnDestructionAndRemovesItsSocket) {
    RuntimeDir dir;
    std::string socket;
    {
        SingleInstance first(dir.path());
        ASSERT_EQ(first.claim("velmira.test"), InstanceClaim::Claimed);
        socket = first.socketPath();
        EXPECT_TRUE(fs::exists(socket));
        EXPECT_EQ(fs::status(socket).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_FALSE(fs::exists(socket));
    SingleInstance again(dir.path());
    EXPECT_EQ(again.claim("velmira.test"), InstanceClaim::Claimed);
}

TEST(SingleInstance, WorksAcrossProcessesAndSurvivesACrashedHolder) {
    RuntimeDir dir;
    // A holder that dies without cleaning up leaves its socket file behind; the kernel
    // drops its lock.
    pid_t crashed = fork();
    ASSERT_GE(crashed, 0);
    if (crashed == 0) {
        auto* holder = new SingleInstance(dir.path());
        _exit(holder->claim("velmira.test") == InstanceClaim::Claimed && holder->holdsLock() ? 0
                                                                                             : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(crashed, &status, 0), crashed);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    RaiseCounter raised;
    SingleInstance first(dir.path(), raised.handler());
    ASSERT_EQ(first.claim("velmira.test"), InstanceClaim::Claimed);

    // A second process is refused, and its request reaches the new holder rather than
    // the dead one's stale socket.
    pid_t second = fork();
    ASSERT_GE(second, 0);
    if (second == 0) {
        SingleInstance claimant(dir.path());
        _exit(claimant.claim("velmira.test") == InstanceClaim::AlreadyRunning ? 0 : 1);
    }
    ASSERT_EQ(waitpid(second, &status, 0), second);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(raised.waitFor(1));
}

TEST(SingleInstance, ListenerIgnoresOtherTraffic) {
    RuntimeDir dir;
    RaiseCounter raised;
    SingleInstance first(dir.path(), raised.handler());
    ASSERT_EQ(first.claim("velmira.test"), InstanceClaim::Claimed);
    // A client that connects and says something else, then one that says nothing.
    for (std::string_view message : {std::string_view("hello\n"), std::string_view()}) {
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, first.socketPath().c_str(), first.socketPath().size());
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        if (!message.empty()) {
            ASSERT_GT(write(fd, message.data(), message.size()), 0);
        }
        close(fd);
    }
    // A real request after them is still served, and is the only one counted.
    SingleInstance second(dir.path());
    EXPECT_EQ(second.claim("velmira.test"), InstanceClaim::AlreadyRunning);
    EXPECT_TRUE(raised.waitFor(1));
    EXPECT_EQ(raised.count(), 1);
}

TEST(SingleInstance, UnusableFolderLetsTheGameRun) {
    SingleInstance a("/nonexistent/velmira"), b("/nonexistent/velmira");
    EXPECT_EQ(a.claim("velmira.test"), InstanceClaim::Claimed);
    EXPECT_EQ(b.claim("velmira.test"), InstanceClaim::Claimed);
    EXPECT_FALSE(a.holdsLock());
}

TEST(RuntimeDirectory, RefusesAFolderOthersCanEnter) {
    RuntimeDir open;
    ASSERT_EQ(chmod(open.path().c_str(), 0755), 0);
    RuntimeDir privateDir;
    RuntimeDir tmp; // stands in for /tmp, so the test leaves nothing behind there
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved ? saved : "";

    setenv("XDG_RUNTIME_DIR", privateDir.path().c_str(), 1);
    EXPECT_EQ(defaultRuntimeDirectory(tmp.path()), privateDir.path());

    // The fallback is made private for this user.
    setenv("XDG_RUNTIME_DIR", open.path().c_str(), 1);
    const std::string fallback = tmp.path() + "/velmira-" + std::to_string(getuid());
    EXPECT_EQ(defaultRuntimeDirectory(tmp.path()), fallback);
    struct stat st {};
    ASSERT_EQ(lstat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A fallback folder that others can enter, or a link, is refused.
    ASSERT_EQ(chmod(fallback.c_str(), 0777), 0);
    EXPECT_EQ(defaultRuntimeDirectory(tmp.path()), "");
    fs::remove(fallback);
    fs::create_directory_symlink(privateDir.path(), fallback);
    EXPECT_EQ(defaultRuntimeDirectory(tmp.path()), "");

    if (saved)
        setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
} // namespace velmira::platform
