// Archives "*.dat" in the data folder and reading game files by folder and name.
//
// Layout of an archive (little-endian): "VELMPACK", version 203, revision, entry count,
// then per entry: key byte, name length (1-255), scrambled name, offset, size. Names are
// descrambled with one keystream seeded 0x4C1D running across all names of the archive;
// member data with a fresh stream seeded 0x4C1D + key (key 0: stored plain).
//
// Member names keep "\" between folder and file inside the engine ("script\start.txt");
// a loose file's path turns "\" into "/". The data folder always ends with "/".
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "resource/keystream.h"
#include "resource/trace.h"

namespace velmira {

inline constexpr uint32_t kArchiveVersion = 203;
inline constexpr char kArchiveMagic[8] = {'V', 'E', 'L', 'M', 'P', 'A', 'C', 'K'};

// One entry of an archive's index as stored in the file (name descrambled, lower-cased).
struct ArchiveDirectoryEntry {
    std::string name;
    uint32_t offset = 0;
    uint32_t size = 0;
    uint8_t key = 0;
};

struct ArchiveDirectory {
    uint32_t revision = 0;
    std::vector<ArchiveDirectoryEntry> entries; // in file order, duplicates kept
    bool complete = false; // false when the index broke off (entries before it are kept)
};

// Reads the header and index of the archive at path (a host path). False when the file
// cannot be opened or its magic, version or header is wrong; true otherwise, also for a
// truncated index (see complete).
bool readArchiveDirectory(const std::string& path, ArchiveDirectory& out);

struct ArchiveEntry {
    std::string archiveName; // file name of the archive inside the data folder
    uint32_t revision = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
    uint8_t key = 0;
};

// Where a name given to ArchiveReader::open is read from.
struct MemberLocation {
    enum class Kind : uint8_t { None, Member, HostFile };
    Kind kind = Kind::None;
    std::string name;                    // the engine name ("script\start.txt"), for diagnostics
    const ArchiveEntry* entry = nullptr; // Member
    std::string path;                    // host path: the archive file, or the loose file
};

// What identifies the bytes a name reads: the same stamp means the same content. Archives
// are taken as fixed while they are mounted; a loose file is known by its size and time.
struct MemberStamp {
    std::string path;
    uint64_t offset = 0;
    uint64_t size = 0;
    int64_t modified = 0; // loose files: the file system's modification time
    uint8_t key = 0;
    friend bool operator==(const MemberStamp&, const MemberStamp&) = default;
};

class ArchiveIndex {
  public:
    // dataFolder ends with "/" (it is appended to names directly).
    ArchiveIndex(std::string dataFolder, const Trace& trace);

    const std::string& dataFolder() const { return dataFolder_; }
    void setDataFolder(std::string dataFolder);
    const Trace& trace() const { return trace_; }

    // Clears the index and mounts dataFolder + "system.dat". Always true.
    bool mountSystem();
    // Clears the index and mounts every "*.dat" of the data folder, sorted by name
    // case-insensitively. False only when no archive file was found.
    bool mountAll();
    // Merges one archive's index. Higher revision wins; at equal revision the later mount.
    bool mount(const std::string& path, const std::string& archiveName);
    void clear() { entries_.clear(); }

    // Exact byte comparison, no case folding.
    const ArchiveEntry* find(std::string_view memberName) const;
    // Where ArchiveReader::open(folder, name) reads from (Kind::None for an empty name).
    MemberLocation locate(std::string_view folder, std::string_view name) const;
    // The stamp of what open(folder, name) would read; false when it cannot be read.
    bool stamp(std::string_view folder, std::string_view name, MemberStamp& out) const;
    const std::map<std::string, ArchiveEntry, std::less<>>& entries() const { return entries_; }

  private:
    std::string dataFolder_;
    const Trace& trace_;
    std::map<std::string, ArchiveEntry, std::less<>> entries_;
};

// One open member (or loose file). Reads go forward from the first byte. A read that
// would run past the end of the archive file fails; it never returns bytes not read.
class ArchiveReader {
  public:
    explicit ArchiveReader(const ArchiveIndex& index) : index_(index) {}
    ~ArchiveReader() { close(); }
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // folder may be empty. A name with ":" or a leading "/" is a full path.
    bool open(std::string_view folder, std::string_view name);
    // Opens one member of the archive at archivePath (a host path) directly, without the
    // index; name is what diagnostics show. Used by the tools.
    bool openArchiveMember(const std::string& archivePath, std::string_view name, uint32_t offset,
                           uint32_t size, uint8_t key);
    bool read(void* buffer, uint32_t count);
    // Reads the whole member (size() bytes) into out.
    // An empty member gives an empty out and true. Nothing is allocated for a member that
    // runs past the end of its archive file: that read fails at once.
    bool readAll(std::vector<uint8_t>& out);
    bool readAll(std::string& out);
    // Bytes that can still be read before the member's (or the file's) end.
    uint64_t available() const { return end_ > position_ ? end_ - position_ : 0; }
    void close();

    uint32_t size() const { return size_; }
    uint8_t key() const { return key_; }
    const std::string& name() const { return name_; }
    bool isOpen() const { return file_.is_open(); }

  private:
    void report(const char* message) const;
    bool openHostFile(const std::string& path);

    const ArchiveIndex& index_;
    std::string name_;
    std::ifstream file_;
    uint32_t size_ = 0;
    uint8_t key_ = 0;
    uint64_t end_ = 0;      // one past the member's last byte, or the file's end if earlier
    uint64_t position_ = 0; // current file offset
    Keystream stream_;
};

// The host path of an engine name: "\" between parts becomes "/" (the second byte of a
// double-byte character is never taken for a separator) and Shift-JIS becomes UTF-8.
std::string hostPathOf(std::string_view sjisName);

} // namespace velmira
