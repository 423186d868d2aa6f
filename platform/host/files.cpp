// POSIX: every step goes through a folder descriptor, so that a folder swapped for a link
// between two steps cannot redirect the write.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

namespace velmira::platform {
namespace {

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; false when closing reported an error (a write that did not make it).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

bool fail(std::string* error, const std::string& what, int code = errno) {
    if (error) *error = what + ": " + std::strerror(code);
    return false;
}

bool validPart(const std::string& part) {
    return !part.empty() && part != "." && part != ".." &&
           part.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

// Writes all count bytes: at offset when one is given (the file position stays where it
// is), else at the file position. False, with errno set, when a write fails.
bool writeAll(int fd, const uint8_t* bytes, size_t count,
              std::optional<uint64_t> offset = std::nullopt) {
    while (count > 0) {
        const ssize_t n = offset ? ::pwrite(fd, bytes, count, static_cast<off_t>(*offset))
                                 : ::write(fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
        if (offset) *offset += static_cast<uint64_t>(n);
    }
    return true;
}

// Gives up a temporary file after a failed step: closes and removes it, and fails with
// what + subject and the errno that the step left (read before anything can change it).
bool abandon(int dirFd, Fd& fd, const std::string& temporary, const char* what,
             const std::string& subject, std::string* error) {
    const int code = errno;
    fd.reset();
    ::unlinkat(dirFd, temporary.c_str(), 0);
    return fail(error, what + subject, code);
}

// A name for the temporary file beside name: hidden, short enough for any file system,
// and unique to this process and call, so that two writers never share one.
std::string temporaryName(const std::string& name) {
    static std::atomic<uint64_t> counter{0};
    static const uint64_t seed =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(::getpid()) << 32);
    const uint64_t serial = counter.fetch_add(1, std::memory_order_relaxed);
    uint64_t h = (seed + serial) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 31;
    char hex[17];
    for (int i = 15; i >= 0; --i, h >>= 4)
        hex[i] = "0123456789abcdef"[h & 15];
    hex[16] = '\0';
    return "." + name.substr(0, 200) + "." + std::to_string(::getpid()) + "-" + hex + ".tmp";
}

// Creates the temporary file that will replace name in dirFd, with the permissions of the
// file it replaces (a link is not looked through).
bool createTemporary(int dirFd, const std::string& name, Fd& fd, std::string& temporary,
                     std::string* error) {
    if (!validPart(name)) return fail(error, "bad file name '" + name + "'", EINVAL);
    mode_t mode = 0666;
    struct stat old {};
    const bool hasOld =
        ::fstatat(dirFd, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
        temporary = temporaryName(name);
        fd = Fd(::openat(dirFd, temporary.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!fd.valid() && errno != EEXIST) return fail(error, "cannot create " + temporary);
    }
    if (!fd.valid()) return fail(error, "cannot create a temporary file for " + name);
    if (hasOld && ::fchmod(fd.get(), old.st_mode & 07777) != 0)
        return abandon(dirFd, fd, temporary, "cannot set the permissions of ", temporary, error);
    return true;
}

// Syncs and closes the temporary file and renames it over name; on failure the temporary
// file is removed.
bool completeReplacement(int dirFd, Fd& fd, const std::string& temporary, const std::string& name,
                         std::string* error) {
    if (::fsync(fd.get()) != 0) return abandon(dirFd, fd, temporary, "cannot sync ", name, error);
    if (!fd.close()) return abandon(dirFd, fd, temporary, "cannot write ", name, error);
    if (::renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) != 0)
        return abandon(dirFd, fd, temporary, "cannot replace ", name, error);
    // Without this the rename may be lost in a crash, leaving the old file or none.
    if (::fsync(dirFd) != 0) return fail(error, "cannot sync the folder of " + name);
    return true;
}

bool replaceIn(int dirFd, const std::string& name, std::span<const uint8_t> bytes,
               std::string* error) {
    std::string temporary;
    Fd fd;
    if (!createTemporary(dirFd, name, fd, temporary, error)) return false;
    if (!writeAll(fd.get(), bytes.data(), bytes.size()))
        return abandon(dirFd, fd, temporary, "cannot write ", name, error);
    return completeReplacement(dirFd, fd, temporary, name, error);
}

Fd openFolder(int at, const char* path, int extraFlags) {
    return Fd(::openat(at, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | extraFlags));
}

// The folder of path ("." when it names none) and the file name in it.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool replaceFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error) {
    std::string folder, name;
    splitPath(path, folder, name);
    const Fd dir = openFolder(AT_FDCWD, folder.c_str(), 0);
    if (!dir.valid()) return fail(error, "cannot open the folder " + folder);
    return replaceIn(dir.get(), name, bytes, error);
}

bool replaceFileBelow(const std::string& root, const std::vector<std::string>& parts,
                      std::span<const uint8_t> bytes, std::string* error) {
    if (parts.empty()) return fail(error, "no file name", EINVAL);
    Fd dir = openFolder(AT_FDCWD, root.empty() ? "." : root.c_str(), 0);
    if (!dir.valid()) return fail(error, "cannot open the folder " + root);
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (!validPart(part)) return fail(error, "bad folder name '" + part + "'", EINVAL);
        if (::mkdirat(dir.get(), part.c_str(), 0777) != 0 && errno != EEXIST)
            return fail(error, "cannot create the folder " + part);
        // O_NOFOLLOW: a link where a folder should be is refused, whatever it points to.
        Fd next = openFolder(dir.get(), part.c_str(), O_NOFOLLOW);
        if (!next.valid()) return fail(error, part + " is not a folder of its own");
        dir = std::move(next);
    }
    return replaceIn(dir.get(), parts.back(), bytes, error);
}

bool FileReplacement::open(const std::string& path, std::string* error) {
    discard();
    std::string folder;
    splitPath(path, folder, name_);
    Fd dir = openFolder(AT_FDCWD, folder.c_str(), 0);
    if (!dir.valid()) return fail(error, "cannot open the folder " + folder);
    Fd file;
    if (!createTemporary(dir.get(), name_, file, temporary_, error)) return false;
    folder_ = dir.release();
    file_ = file.release();
    size_ = 0;
    return true;
}

bool FileReplacement::append(std::span<const uint8_t> bytes, std::string* error) {
    if (!isOpen()) return fail(error, "no file is open", EBADF);
    if (!writeAll(file_, bytes.data(), bytes.size())) return abandon(error);
    size_ += bytes.size();
    return true;
}

bool FileReplacement::overwrite(uint64_t offset, std::span<const uint8_t> bytes,
                                std::string* error) {
    if (!isOpen()) return fail(error, "no file is open", EBADF);
    if (offset > size_ || bytes.size() > size_ - offset)
        return fail(error, "rewriting past the end of " + name_, EINVAL);
    if (!writeAll(file_, bytes.data(), bytes.size(), offset)) return abandon(error);
    return true;
}

bool FileReplacement::commit(std::string* error) {
    if (!isOpen()) return fail(error, "no file is open", EBADF);
    Fd dir(folder_), file(file_);
    folder_ = file_ = -1;
    return completeReplacement(dir.get(), file, temporary_, name_, error);
}

bool FileReplacement::abandon(std::string* error) {
    const int code = errno;
    discard();
    return fail(error, "cannot write " + name_, code);
}

void FileReplacement::discard() {
    if (file_ >= 0) {
        ::close(file_);
        ::unlinkat(folder_, temporary_.c_str(), 0);
    }
    if (folder_ >= 0) ::close(folder_);
    folder_ = file_ = -1;
}

} // namespace velmira::platform
