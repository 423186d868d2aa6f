#include "resource/archive.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/encoding.h"

namespace velmira {
namespace {

// "アーカイブを開けない"
constexpr char kOpenFailed[] =
    "\x83\x41\x81\x5b\x83\x4a\x83\x43\x83\x75\x82\xf0\x8a\x4a\x82\xaf\x82\xc8\x82\xa2";
// "読みこみ失敗"
constexpr char kReadFailed[] = "\x93\xc7\x82\xdd\x82\xb1\x82\xdd\x8e\xb8\x94\x73";
// "？？？"
constexpr char kNoMessage[] = "\x81\x48\x81\x48\x81\x48";
// "ファイル:\n\t　　エラー内容:%s\n\t　　ファイル名:%s\n\tファイルサイズ:%d\n\t　暗号化コード:%04X\n"
constexpr char kReportFormat[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8b:\n"
    "\t\x81\x40\x81\x40\x83\x47\x83\x89\x81\x5b\x93\xe0\x97\x65:%s\n"
    "\t\x81\x40\x81\x40\x83\x74\x83\x40\x83\x43\x83\x8b\x96\xbc:%s\n"
    "\t\x83\x74\x83\x40\x83\x43\x83\x8b\x83\x54\x83\x43\x83\x59:%d\n"
    "\t\x81\x40\x88\xc3\x8d\x86\x89\xbb\x83\x52\x81\x5b\x83\x68:%04X\n";

bool isSjisLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool readU8(std::FILE* file, uint8_t& value) {
    return std::fread(&value, 1, 1, file) == 1;
}

bool readU32(std::FILE* file, uint32_t& value) {
    uint8_t b[4];
    if (std::fread(b, 1, 4, file) != 4) return false;
    value = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    return true;
}

bool endsWithDatIgnoringCase(const char* name) {
    const size_t n = std::strlen(name);
    return n >= 4 && name[n - 4] == '.' && lowerAscii(std::string_view(name + n - 3, 3)) == "dat";
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const std::string la = lowerAscii(a), lb = lowerAscii(b);
    return la != lb ? la < lb : a < b;
}

} // namespace

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<uint8_t>(out[i]);
        if (isSjisLeadByte(b)) {
            ++i; // the trail byte stays as it is
        } else if (b >= 'A' && b <= 'Z') {
            out[i] = static_cast<char>(b - 'A' + 'a');
        }
    }
    return out;
}

std::string hostPathOf(std::string_view sjisName) {
    std::string path(sjisName);
    bool ascii = true;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<uint8_t>(path[i]);
        if (b >= 0x80) ascii = false;
        if (isSjisLeadByte(b)) {
            ++i;
        } else if (b == '\\') {
            path[i] = '/';
        }
    }
    // File names on this system are UTF-8; the packing tool converts them the same way.
    return ascii ? path : platform::sjisToUtf8(path);
}

bool readArchiveDirectory(const std::string& path, ArchiveDirectory& out) {
    out = ArchiveDirectory{};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char magic[sizeof kArchiveMagic];
    uint32_t version = 0, count = 0;
    if (std::fread(magic, 1, sizeof magic, file) != sizeof magic ||
        std::memcmp(magic, kArchiveMagic, sizeof magic) != 0 || !readU32(file, version) ||
        version != kArchiveVersion || !readU32(file, out.revision) || !readU32(file, count)) {
        std::fclose(file);
        out = ArchiveDirectory{};
        return false;
    }
    Keystream names(Keystream::kArchiveSeed);
    bool complete = true;
    for (uint32_t i = 0; i < count; ++i) {
        ArchiveDirectoryEntry entry;
        uint8_t length = 0;
        char name[255];
        if (!readU8(file, entry.key) || !readU8(file, length) || length == 0 ||
            std::fread(name, 1, length, file) != length) {
            complete = false;
            break;
        }
        names.apply(reinterpret_cast<uint8_t*>(name), length);
        if (!readU32(file, entry.offset) || !readU32(file, entry.size)) {
            complete = false;
            break;
        }
        entry.name = lowerAscii(std::string_view(name, length));
        out.entries.push_back(std::move(entry));
    }
    std::fclose(file);
    out.complete = complete;
    return true;
}

ArchiveIndex::ArchiveIndex(std::string dataFolder, const Trace& trace)
    : dataFolder_(std::move(dataFolder)), trace_(trace) {}

void ArchiveIndex::setDataFolder(std::string dataFolder) {
    dataFolder_ = std::move(dataFolder);
}

bool ArchiveIndex::mountSystem() {
    clear();
    mount(dataFolder_ + "system.dat", "system.dat");
    return true;
}

bool ArchiveIndex::mountAll() {
    clear();
    DIR* dir = ::opendir(dataFolder_.empty() ? "." : dataFolder_.c_str());
    if (!dir) return false;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
        if (!endsWithDatIgnoringCase(e->d_name)) continue;
        struct stat st {};
        const std::string path = dataFolder_ + e->d_name;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(dir);
    // The directory listing has no order of its own here; sorting makes "mounted later"
    // (which wins at equal revision) the same on every run.
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    for (const std::string& name : names)
        mount(dataFolder_ + name, name);
    return !names.empty();
}

bool ArchiveIndex::mount(const std::string& path, const std::string& archiveName) {
    ArchiveDirectory directory;
    if (!readArchiveDirectory(path, directory)) return false;
    for (ArchiveDirectoryEntry& e : directory.entries) {
        auto it = entries_.find(e.name);
        if (it != entries_.end() && it->second.revision > directory.revision) continue;
        ArchiveEntry entry{archiveName, directory.revision, e.offset, e.size, e.key};
        if (it != entries_.end()) {
            it->second = std::move(entry);
        } else {
            entries_.emplace(std::move(e.name), std::move(entry));
        }
    }
    return directory.complete;
}

const ArchiveEntry* ArchiveIndex::find(std::string_view memberName) const {
    auto it = entries_.find(memberName);
    return it == entries_.end() ? nullptr : &it->second;
}

void ArchiveReader::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    name_.clear();
    size_ = 0;
    key_ = 0;
    end_ = 0;
    position_ = 0;
}

void ArchiveReader::report(const char* message) const {
    index_.trace().format(kReportFormat, message ? message : kNoMessage, name_.c_str(),
                          static_cast<int>(size_), static_cast<unsigned>(key_));
}

bool ArchiveReader::open(std::string_view folder, std::string_view name) {
    close();
    if (name.empty()) return false;
    if (name.find(':') != std::string_view::npos || name.front() == '/') {
        name_ = std::string(name);
        return openHostFile(hostPathOf(name_));
    }
    name_ = folder.empty() ? std::string(name) : std::string(folder) + "\\" + std::string(name);
    if (const ArchiveEntry* entry = index_.find(name_)) {
        const std::string requested = name_;
        return openArchiveMember(index_.dataFolder() + entry->archiveName, requested, entry->offset,
                                 entry->size, entry->key);
    }
    return openHostFile(index_.dataFolder() + hostPathOf(name_));
}

bool ArchiveReader::openHostFile(const std::string& path) {
    file_ = std::fopen(path.c_str(), "rb");
    struct stat st {};
    if (!file_ || ::fstat(::fileno(file_), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > UINT32_MAX) {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        report(kOpenFailed);
        return false;
    }
    size_ = static_cast<uint32_t>(st.st_size);
    key_ = 0;
    position_ = 0;
    end_ = size_;
    return true;
}

bool ArchiveReader::openArchiveMember(const std::string& archivePath, std::string_view name,
                                      uint32_t offset, uint32_t size, uint8_t key) {
    close();
    name_ = std::string(name);
    file_ = std::fopen(archivePath.c_str(), "rb");
    struct stat st {};
    if (!file_ || ::fstat(::fileno(file_), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        report(kOpenFailed);
        return false;
    }
    size_ = size;
    key_ = key;
    if (key_ != 0) stream_.seed(Keystream::kArchiveSeed + key_);
    // A member that runs past the end of its archive cannot be read beyond that end.
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
    position_ = std::min<uint64_t>(offset, fileSize);
    end_ = std::min<uint64_t>(uint64_t{offset} + size, fileSize);
    if (::fseeko(file_, static_cast<off_t>(position_), SEEK_SET) != 0) end_ = position_;
    return true;
}

bool ArchiveReader::read(void* buffer, uint32_t count) {
    if (!buffer || count == 0) return false;
    // Reads stop at the member's end and at the archive's end: bytes that are not there
    // are never handed out.
    if (!file_ || count > available()) {
        report(kReadFailed);
        return false;
    }
    const size_t got = std::fread(buffer, 1, count, file_);
    position_ += got;
    if (got != count) {
        end_ = position_; // the stream is out of step now; nothing more is read
        report(kReadFailed);
        return false;
    }
    if (key_ != 0) stream_.apply(static_cast<uint8_t*>(buffer), count);
    return true;
}

namespace {

// The whole member into a byte container, failing without allocating when the member
// runs past the end of its archive file.
template <typename Buffer>
bool readWholeMember(ArchiveReader& reader, Buffer& out) {
    out.clear();
    if (!reader.isOpen()) return false;
    if (reader.size() == 0) return true;
    if (reader.available() < reader.size()) {
        char probe = 0;
        return reader.read(&probe, reader.size()); // fails on the bound check and reports it
    }
    out.resize(reader.size());
    if (!reader.read(out.data(), reader.size())) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace

bool ArchiveReader::readAll(std::vector<uint8_t>& out) { return readWholeMember(*this, out); }
bool ArchiveReader::readAll(std::string& out) { return readWholeMember(*this, out); }

} // namespace velmira
