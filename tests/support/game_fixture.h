// Small games built by tests: a temporary folder with data/*.dat archives and loose
// files, removed again when the fixture goes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/encoding.h"
#include "resource/archive_writer.h"

namespace velmira::test {

// Shift-JIS bytes of a UTF-8 text, with every "\n" turned into CR LF (game text files).
inline std::string gameText(std::string_view utf8) {
    std::string out;
    for (char c : platform::utf8ToSjis(utf8)) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

inline std::vector<uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

class TempGame {
  public:
    TempGame() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmira-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        dir_ = pattern + '/';
        std::filesystem::create_directories(dir_ + "data");
    }
    ~TempGame() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TempGame(const TempGame&) = delete;
    TempGame& operator=(const TempGame&) = delete;

    const std::string& dir() const { return dir_; }
    std::string dataFolder() const { return dir_ + "data/"; }
    std::string saveFolder() const { return dir_ + "save/"; }

    bool addArchive(const std::string& fileName, uint32_t revision,
                    const std::vector<ArchiveMember>& members) const {
        return writeArchiveFile(dataFolder() + fileName, revision, members);
    }
    // A file under the game folder, e.g. "data/script/start.txt" or "timeline.txt".
    void writeFile(const std::string& relative, std::string_view content) const {
        const std::filesystem::path path = dir_ + relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    }

    // The members of a minimal configuration: config\config.txt naming system.txt.
    static std::vector<ArchiveMember> config(std::string_view systemTxtUtf8) {
        return {
            {"config\\config.txt", bytes(gameText("system.txt\n")), 1},
            {"config\\system.txt", bytes(gameText(systemTxtUtf8)), 1},
        };
    }

  private:
    std::string dir_;
};

} // namespace velmira::test
