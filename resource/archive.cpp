#include "resource/archive.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/encoding.h"
#include "resource/byte_order.h"
#include "resource/sjis.h"

namespace velmira {
namespace {

namespace fs = std::filesystem;

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

bool readExact(std::istream& in, void* buffer, size_t count) {
    in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    return static_cast<size_t>(in.gcount()) == count;
}

bool readU32(std::istream& in, uint32_t& value) {
    uint8_t b[4];
    if (!readExact(in, b, 4)) return false;
    value = readLe32(b);
    return true;
}

// A regular file (links followed) and its size; false for folders, devices and pipes,
// which must never be opened as if they held a game file.
bool regularFileSize(const std::string& path, uint64_t& size) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    size = fs::file_size(path, ec);
    return !ec;
}

} // namespace

std::string hostPathOf(std::string_view sjisName) {
    std::string path(sjisName);
    bool ascii = true;
    for (size_t i = 0; i < path.size(); i += sjis::characterLength(path, i)) {
        if (static_cast<uint8_t>(path[i]) >= 0x80) ascii = false;
        if (path[i] == '\\') path[i] = '/';
    }
    // File names on this system are UTF-8; the packing tool converts them the same way.
    return ascii ? path : platform::sjisToUtf8(path);
}

bool readArchiveDirectory(const std::string& path, ArchiveDirectory& out) {
    out = ArchiveDirectory{};
    uint64_t fileSize = 0;
    if (!regularFileSize(path, fileSize)) return false;
    std::ifstream file(path, std::ios::binary);
    char magic[sizeof kArchiveMagic];
    uint32_t version = 0, count = 0;
    if (!file || !readExact(file, magic, sizeof magic) ||
        std::memcmp(magic, kArchiveMagic, sizeof magic) != 0 || !readU32(file, version) ||
        version != kArchiveVersion || !readU32(file, out.revision) || !readU32(file, count)) {
        out = ArchiveDirectory{};
        return false;
    }
    Keystream names(Keystream::kArchiveSeed);
    bool complete = true;
    for (uint32_t i = 0; i < count; ++i) {
        ArchiveDirectoryEntry entry;
        uint8_t head[2]; // key, name length
        char name[255];
        if (!readExact(file, head, 2) || head[1] == 0 || !readExact(file, name, head[1])) {
            complete = false;
            break;
        }
        entry.key = head[0];
        names.apply(reinterpret_cast<uint8_t*>(name), head[1]);
        if (!readU32(file, entry.offset) || !readU32(file, entry.size)) {
            complete = false;
            break;
        }
        entry.name = sjis::lowerAscii(std::string_view(name, head[1]));
        out.entries.push_back(std::move(entry));
    }
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
    std::error_code ec;
    fs::directory_iterator it(dataFolder_.empty() ? fs::path(".") : fs::path(dataFolder_), ec);
    if (ec) return false;
    std::vector<std::string> names;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        if (name.size() < 4 || !sjis::endsWithIgnoringCase(name, ".dat")) continue;
        if (!it->is_regular_file(ec)) continue;
        names.push_back(name);
    }
    // The directory listing has no order of its own here; sorting makes "mounted later"
    // (which wins at equal revision) the same on every run.
    std::sort(names.begin(), names.end(), sjis::lessIgnoringCase);
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

MemberLocation ArchiveIndex::locate(std::string_view folder, std::string_view name) const {
    MemberLocation where;
    if (name.empty()) return where;
    if (name.find(':') != std::string_view::npos || name.front() == '/') {
        where.kind = MemberLocation::Kind::HostFile;
        where.name = std::string(name);
        where.path = hostPathOf(name);
        return where;
    }
    where.name =
        folder.empty() ? std::string(name) : std::string(folder) + "\\" + std::string(name);
    if (const ArchiveEntry* entry = find(where.name)) {
        where.kind = MemberLocation::Kind::Member;
        where.entry = entry;
        where.path = dataFolder_ + entry->archiveName;
        return where;
    }
    where.kind = MemberLocation::Kind::HostFile;
    where.path = dataFolder_ + hostPathOf(where.name);
    return where;
}

bool ArchiveIndex::stamp(std::string_view folder, std::string_view name, MemberStamp& out) const {
    const MemberLocation where = locate(folder, name);
    out = MemberStamp{};
    out.path = where.path;
    switch (where.kind) {
    case MemberLocation::Kind::Member:
        out.offset = where.entry->offset;
        out.size = where.entry->size;
        out.key = where.entry->key;
        return true;
    case MemberLocation::Kind::HostFile: {
        std::error_code ec;
        if (!regularFileSize(where.path, out.size)) return false;
        out.modified = fs::last_write_time(where.path, ec).time_since_epoch().count();
        return !ec;
    }
    case MemberLocation::Kind::None:
        break;
    }
    return false;
}

void ArchiveReader::close() {
    if (file_.is_open()) file_.close();
    file_.clear();
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
    const MemberLocation where = index_.locate(folder, name);
    switch (where.kind) {
    case MemberLocation::Kind::Member: {
        const ArchiveEntry& e = *where.entry;
        return openArchiveMember(where.path, where.name, e.offset, e.size, e.key);
    }
    case MemberLocation::Kind::HostFile:
        name_ = where.name;
        return openHostFile(where.path);
    case MemberLocation::Kind::None:
        break;
    }
    return false;
}

bool ArchiveReader::openHostFile(const std::string& path) {
    uint64_t fileSize = 0;
    if (!regularFileSize(path, fileSize) || fileSize > UINT32_MAX ||
        (file_.open(path, std::ios::binary), !file_.is_open())) {
        file_.clear();
        report(kOpenFailed);
        return false;
    }
    size_ = static_cast<uint32_t>(fileSize);
    key_ = 0;
    position_ = 0;
    end_ = size_;
    return true;
}

bool ArchiveReader::openArchiveMember(const std::string& archivePath, std::string_view name,
                                      uint32_t offset, uint32_t size, uint8_t key) {
    close();
    name_ = std::string(name);
    uint64_t fileSize = 0;
    if (!regularFileSize(archivePath, fileSize) ||
        (file_.open(archivePath, std::ios::binary), !file_.is_open())) {
        file_.clear();
        report(kOpenFailed);
        return false;
    }
    size_ = size;
    key_ = key;
    if (key_ != 0) stream_.seed(Keystream::kArchiveSeed + key_);
    // A member that runs past the end of its archive cannot be read beyond that end.
    position_ = std::min<uint64_t>(offset, fileSize);
    end_ = std::min<uint64_t>(uint64_t{offset} + size, fileSize);
    if (!file_.seekg(static_cast<std::streamoff>(position_))) end_ = position_;
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
    file_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    const auto got = static_cast<size_t>(file_.gcount());
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
template <typename Buffer> bool readWholeMember(ArchiveReader& reader, Buffer& out) {
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

bool ArchiveReader::readAll(std::vector<uint8_t>& out) {
    return readWholeMember(*this, out);
}
bool ArchiveReader::readAll(std::string& out) {
    return readWholeMember(*this, out);
}

} // namespace velmira
