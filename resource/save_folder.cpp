#include "resource/save_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "resource/keystream.h"

namespace velmira {
namespace {

bool writeFully(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// Creates path and its parents; true when it exists as a folder afterwards.
bool makeFolders(const std::string& path) {
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            if (!partial.empty() && partial != "/") ::mkdir(partial.c_str(), 0777);
        }
        if (i < path.size()) partial.push_back(path[i]);
    }
    struct stat st {};
    const std::string folder = path.empty() ? std::string(".") : path;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string folderOf(const std::string& path) {
    return path.empty() ? std::string(".") : path;
}

} // namespace

bool SaveFolder::read(std::string_view name, std::vector<uint8_t>& out, size_t maxBytes) const {
    out.clear();
    const std::string path = path_ + std::string(name);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(file);
        return false;
    }
    uint8_t chunk[16384];
    while (out.size() < maxBytes) {
        const size_t want = std::min(sizeof chunk, maxBytes - out.size());
        const size_t got = std::fread(chunk, 1, want, file);
        out.insert(out.end(), chunk, chunk + got);
        if (got < want) break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        out.clear();
        return false;
    }
    Keystream stream(Keystream::kSaveFolderSeed);
    stream.apply(out.data(), out.size());
    return true;
}

bool SaveFolder::write(std::string_view name, const std::vector<uint8_t>& bytes) const {
    if (name.empty() || !createFolder()) return false;
    const std::string target = path_ + std::string(name);
    // The new content goes to a temporary file beside the target and replaces it only once
    // it is complete and on disk: a crash leaves either the old file or the new one.
    const std::string temporary = target + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::vector<uint8_t> scrambled(bytes);
    Keystream stream(Keystream::kSaveFolderSeed);
    stream.apply(scrambled.data(), scrambled.size());
    bool ok = writeFully(fd, scrambled.data(), scrambled.size()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool SaveFolder::overwriteStart(std::string_view name, const std::vector<uint8_t>& bytes) const {
    std::vector<uint8_t> content;
    if (!exists(name) || !read(name, content)) return false;
    if (content.size() < bytes.size()) content.resize(bytes.size());
    std::copy(bytes.begin(), bytes.end(), content.begin());
    return write(name, content);
}

bool SaveFolder::exists(std::string_view name) const {
    struct stat st {};
    const std::string path = path_ + std::string(name);
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool SaveFolder::remove(std::string_view name) const {
    const std::string path = path_ + std::string(name);
    return ::unlink(path.c_str()) == 0;
}

bool SaveFolder::createFolder() const {
    return makeFolders(path_);
}

} // namespace velmira
