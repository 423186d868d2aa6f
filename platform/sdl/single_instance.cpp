#include "platform/sdl/single_instance.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmira::platform {
namespace {

constexpr std::string_view kPrefix = "/velmira-";
constexpr std::string_view kSocketSuffix = ".sock";
constexpr std::string_view kLockSuffix = ".lock";
constexpr std::string_view kRaiseMessage = "raise\n";
constexpr size_t kHashDigits = 16;
constexpr size_t kMinStem = kHashDigits + 1;
// Longest path a socket can bind to (sun_path holds a terminating zero).
constexpr size_t kMaxSocketPath = sizeof(sockaddr_un{}.sun_path) - 1;
// Longest runtime folder that still leaves room for the shortest stem.
constexpr size_t kMaxDirLength = kMaxSocketPath - kPrefix.size() - kSocketSuffix.size() - kMinStem;
// How long a second claimant keeps trying to reach the holder of the lock (it may be
// between taking the lock and listening, or just exiting).
constexpr auto kContactTimeout = std::chrono::milliseconds(2000);
constexpr auto kRetryDelay = std::chrono::milliseconds(10);
// How long the listener waits for a connected claimant to send its request.
constexpr int kRequestTimeoutMs = 500;

uint64_t fnv1a64(std::string_view bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (char c : bytes) {
        h ^= static_cast<uint8_t>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

constexpr char kHex[] = "0123456789ABCDEF";

bool keptAsIs(char c, char previous) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    if (c == '_' || c == '-') return true;
    return c == '.' && previous != '.';
}

// A directory this user owns that nobody else may enter.
bool privateDirectory(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

bool fillAddress(const std::string& path, sockaddr_un& addr) {
    if (path.size() > kMaxSocketPath) return false;
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

// Asks the listener at path to raise its window; true when the request was delivered.
bool sendRaise(const std::string& path) {
    sockaddr_un addr{};
    if (!fillAddress(path, addr)) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool sent = false;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
        ssize_t n = send(fd, kRaiseMessage.data(), kRaiseMessage.size(), MSG_NOSIGNAL);
        sent = n == static_cast<ssize_t>(kRaiseMessage.size());
    }
    close(fd);
    return sent;
}

// Reads one request from a connected claimant; true when it asks for a raise.
bool readRaiseRequest(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != getuid())
        return false;
    char buf[16];
    size_t got = 0;
    while (got < kRaiseMessage.size()) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kRequestTimeoutMs) <= 0) return false;
        ssize_t n = recv(fd, buf + got, sizeof buf - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return std::string_view(buf, kRaiseMessage.size()) == kRaiseMessage;
}

} // namespace

std::string instanceStem(std::string_view productId, size_t maxLength) {
    if (maxLength < kMinStem) maxLength = kMinStem;
    std::string stem;
    stem.reserve(productId.size());
    char previous = 0;
    for (char c : productId) {
        if (keptAsIs(c, previous)) {
            stem += c;
        } else {
            const auto b = static_cast<uint8_t>(c);
            stem += '%';
            stem += kHex[b >> 4];
            stem += kHex[b & 15];
        }
        previous = c;
    }
    if (stem.size() <= maxLength) return stem;

    size_t keep = maxLength - kMinStem;
    // Do not end inside a "%XX" escape: the cut part stays readable.
    if (keep >= 1 && stem[keep - 1] == '%')
        keep -= 1;
    else if (keep >= 2 && stem[keep - 2] == '%')
        keep -= 2;
    stem.resize(keep);
    stem += '~';
    const uint64_t h = fnv1a64(productId);
    for (int shift = 60; shift >= 0; shift -= 4)
        stem += kHex[(h >> shift) & 15];
    return stem;
}

std::string defaultRuntimeDirectory(const std::string& fallbackParent) {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR")) {
        std::string dir = xdg;
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        if (!dir.empty() && dir[0] == '/' && dir.size() <= kMaxDirLength && privateDirectory(dir))
            return dir;
    }
    std::string dir = fallbackParent + "/velmira-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    // An existing folder of that name may belong to someone else: use it only when it is
    // ours and private.
    return privateDirectory(dir) ? dir : std::string{};
}

SingleInstance::SingleInstance(std::string runtimeDir, RaiseHandler onRaise)
    : runtimeDir_(std::move(runtimeDir)), onRaise_(std::move(onRaise)) {}

SingleInstance::~SingleInstance() {
    release();
}

InstanceClaim SingleInstance::claim(const std::string& productId) {
    // An empty identity never collides, like an unnamed mutex.
    if (productId.empty() || lockFd_ >= 0) return InstanceClaim::Claimed;

    const std::string dir = runtimeDir_.empty() ? defaultRuntimeDirectory() : runtimeDir_;
    // Without a usable folder the identity cannot be enforced; the game runs regardless.
    if (dir.empty() || dir.size() > kMaxDirLength) return InstanceClaim::Claimed;

    const size_t maxStem = kMaxSocketPath - dir.size() - kPrefix.size() - kSocketSuffix.size();
    const std::string base = dir + std::string(kPrefix) + instanceStem(productId, maxStem);
    lockPath_ = base + std::string(kLockSuffix);
    socketPath_ = base + std::string(kSocketSuffix);

    int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceClaim::Claimed;

    const auto deadline = std::chrono::steady_clock::now() + kContactTimeout;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lockFd_ = fd;
            // A listener that cannot start only means later claimants cannot raise us.
            startListening();
            return InstanceClaim::Claimed;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            close(fd);
            return InstanceClaim::Claimed;
        }
        if (sendRaise(socketPath_)) break;
        // The holder is starting up or shutting down; a holder that never answers
        // still owns the identity.
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kRetryDelay);
    }
    close(fd);
    return InstanceClaim::AlreadyRunning;
}

bool SingleInstance::startListening() {
    sockaddr_un addr{};
    if (!fillAddress(socketPath_, addr)) return false;
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) return false;
    // We hold the lock, so a socket file left here belongs to an instance that died.
    unlink(socketPath_.c_str());
    if (bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        chmod(socketPath_.c_str(), 0600) != 0 || ::listen(listenFd_, 8) != 0 ||
        pipe2(wakeFd_, O_CLOEXEC) != 0) {
        closeFd(listenFd_);
        unlink(socketPath_.c_str());
        return false;
    }
    listener_ = std::thread([this] { listen(); });
    return true;
}

void SingleInstance::listen() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int c = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) continue;
        const bool raise = readRaiseRequest(c);
        close(c);
        if (raise && onRaise_) onRaise_();
    }
}

void SingleInstance::release() {
    if (listener_.joinable()) {
        const char stop = 1;
        while (write(wakeFd_[1], &stop, 1) < 0 && errno == EINTR) {
        }
        listener_.join();
    }
    closeFd(wakeFd_[0]);
    closeFd(wakeFd_[1]);
    if (listenFd_ >= 0) {
        closeFd(listenFd_);
        unlink(socketPath_.c_str());
    }
    // The lock file stays: removing it while another claimant has it open would let two
    // processes lock two different files of the same name.
    closeFd(lockFd_);
}

} // namespace velmira::platform
