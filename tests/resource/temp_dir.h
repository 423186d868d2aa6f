// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmira::test {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmira-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern + "/";
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Ends with "/".
    const std::string& path() const { return path_; }

    void write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path p = path_ + relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    void write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
        write(relative, std::string(bytes.begin(), bytes.end()));
    }
    std::vector<uint8_t> read(const std::string& relative) const {
        std::ifstream in(path_ + relative, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    std::string path_;
};

inline std::vector<uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace velmira::test
