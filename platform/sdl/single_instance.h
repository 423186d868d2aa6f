// Single-instance identity on POSIX systems: a lock file named after the game's
// ProductID in the user's runtime folder, and a Unix-domain socket beside it on which
// the running instance listens. A second claimant whose lock fails connects to that
// socket, asks the first instance to restore and raise its window, and reports
// AlreadyRunning.
//
// No SDL here: the raise request reaches the owner through a callback that runs on the
// listener thread, so the caller decides how to forward it to its main thread.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/instance_lock.h"

namespace velmira::platform {

// The file-name stem for productId: bytes [A-Za-z0-9_-] are kept, '.' is kept unless it
// follows another '.', every other byte (the Shift-JIS bytes of a Japanese ID, '/', '%')
// becomes "%XX" with upper-case hex. The mapping is injective, never yields '/' or "..",
// and when the result would exceed maxLength it is cut and ends in '~' plus the 16 hex
// digits of a 64-bit hash of the whole ID, so long IDs that share a prefix stay apart.
// maxLength below 17 is raised to 17 (the hash alone).
std::string instanceStem(std::string_view productId, size_t maxLength);

// The folder for lock files and sockets: $XDG_RUNTIME_DIR when it is an absolute path to
// a directory, else <fallbackParent>/velmira-<uid>, created with mode 0700. A folder that
// is not a real directory owned by this user with no access for others is refused (empty
// result).
std::string defaultRuntimeDirectory(const std::string& fallbackParent = "/tmp");

class SingleInstance final : public InstanceLock {
  public:
    using RaiseHandler = std::function<void()>;

    // runtimeDir empty: defaultRuntimeDirectory() at claim time. onRaise runs on the
    // listener thread for each raise request of a later claimant.
    explicit SingleInstance(std::string runtimeDir = {}, RaiseHandler onRaise = {});
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Claims productId (call once). Empty productId: Claimed, nothing is locked. When the
    // identity is free, this object holds the lock until destruction and listens for raise
    // requests. When it is held by another process, that process is asked to come to the
    // front and the result is AlreadyRunning. When the runtime folder cannot be used the
    // game must still run: Claimed without a lock.
    InstanceClaim claim(const std::string& productId) override;

    bool holdsLock() const { return lockFd_ >= 0; }
    // Lets go of the identity now (the destructor does it otherwise); the listener thread
    // has stopped when this returns.
    void release();
    const std::string& socketPath() const { return socketPath_; }

  private:
    bool startListening();
    void listen();

    std::string runtimeDir_;
    std::string lockPath_;
    std::string socketPath_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakeFd_[2] = {-1, -1}; // self-pipe that stops the listener thread
    RaiseHandler onRaise_;
    std::thread listener_;
};

} // namespace velmira::platform
