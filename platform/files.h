// Writing files so that no crash, full disk or second writer leaves a torn file, and no
// link planted in the target's folder is ever followed. Reading needs nothing of the
// platform: the engine reads through std::filesystem and streams.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmira::platform {

// Makes bytes the content of path. They go to a temporary file created exclusively beside
// path under a name of its own (never through a link, never shared with another writer),
// are synced to the disk, and the temporary file is renamed over path; the folder is then
// synced so that the rename lasts too. A link at path itself is replaced, not followed; an
// existing file's permissions are kept. False, with a reason in error when given, if any
// step fails (a failed folder sync included); path then still holds its old content,
// except after a failed folder sync, when it may already hold the new one.
bool replaceFile(const std::string& path, std::span<const uint8_t> bytes,
                 std::string* error = nullptr);

// The same for root/parts[0]/.../parts[n-1]: the folders named by every part but the last
// are created below root when missing. A part that is empty, "." or "..", holds "/" or a
// NUL byte, or names a link or anything but a folder fails the write, so nothing is ever
// written outside root.
bool replaceFileBelow(const std::string& root, const std::vector<std::string>& parts,
                      std::span<const uint8_t> bytes, std::string* error = nullptr);

// replaceFile for content written piece by piece (a recording too large to hold in
// memory): the pieces go to the temporary file beside path, and only commit() makes them
// path's content, with the same guarantees. Until then, and when any step fails, path
// keeps its old content; a replacement not committed is removed by discard() or the
// destructor, and a failed append or overwrite discards it at once. Not for use by two
// threads at once.
class FileReplacement {
  public:
    FileReplacement() = default;
    ~FileReplacement() { discard(); }
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file; false (with a reason) when it cannot be made.
    bool open(const std::string& path, std::string* error = nullptr);
    bool isOpen() const { return file_ >= 0; }
    // Bytes appended so far.
    uint64_t size() const { return size_; }
    bool append(std::span<const uint8_t> bytes, std::string* error = nullptr);
    // Rewrites bytes already appended, from offset (a header completed at the end); a
    // range past what was appended is refused and changes nothing.
    bool overwrite(uint64_t offset, std::span<const uint8_t> bytes, std::string* error = nullptr);
    // Syncs the temporary file, renames it over path and syncs the folder. The
    // replacement is closed afterwards, whatever the result.
    bool commit(std::string* error = nullptr);
    void discard();

  private:
    // A write failed: discards the replacement and fails with the write's errno.
    bool abandon(std::string* error);

    int folder_ = -1;
    int file_ = -1;
    std::string name_;
    std::string temporary_;
    uint64_t size_ = 0;
};

} // namespace velmira::platform
