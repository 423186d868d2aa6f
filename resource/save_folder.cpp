#include "resource/save_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "resource/keystream.h"

namespace velmira {
namespace {

namespace fs = std::filesystem;

} // namespace

bool SaveFolder::read(std::string_view name, std::vector<uint8_t>& out, size_t maxBytes) const {
    out.clear();
    const std::string path = path_ + std::string(name);
    std::error_code ec;
    // A folder, device or pipe of that name is not a save file (and a pipe would block).
    if (!fs::is_regular_file(path, ec)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    char chunk[16384];
    while (out.size() < maxBytes && file) {
        const size_t want = std::min(sizeof chunk, maxBytes - out.size());
        file.read(chunk, static_cast<std::streamsize>(want));
        out.insert(out.end(), chunk, chunk + file.gcount());
    }
    if (file.bad()) {
        out.clear();
        return false;
    }
    Keystream stream(Keystream::kSaveFolderSeed);
    stream.apply(out.data(), out.size());
    return true;
}

bool SaveFolder::write(std::string_view name, const std::vector<uint8_t>& bytes) const {
    if (name.empty() || !createFolder()) return false;
    std::vector<uint8_t> scrambled(bytes);
    Keystream stream(Keystream::kSaveFolderSeed);
    stream.apply(scrambled.data(), scrambled.size());
    return platform::replaceFile(path_ + std::string(name), scrambled);
}

bool SaveFolder::overwriteStart(std::string_view name, const std::vector<uint8_t>& bytes) const {
    std::vector<uint8_t> content;
    if (!exists(name) || !read(name, content)) return false;
    if (content.size() < bytes.size()) content.resize(bytes.size());
    std::copy(bytes.begin(), bytes.end(), content.begin());
    return write(name, content);
}

bool SaveFolder::exists(std::string_view name) const {
    std::error_code ec;
    return fs::is_regular_file(path_ + std::string(name), ec);
}

bool SaveFolder::remove(std::string_view name) const {
    std::error_code ec;
    const std::string path = path_ + std::string(name);
    // Only a file: remove() would also take an empty folder of that name.
    return !fs::is_directory(fs::symlink_status(path, ec)) && fs::remove(path, ec);
}

bool SaveFolder::createFolder() const {
    std::error_code ec;
    const fs::path folder = path_.empty() ? fs::path(".") : fs::path(path_);
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

} // namespace velmira
