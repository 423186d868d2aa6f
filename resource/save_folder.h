// Files of the save folder (slots, flag files, read marks, preferences). Every byte is
// scrambled with the keystream seeded 0x3E5B from the first byte of the file.
// Writes go to a temporary file of their own that replaces the old file only once it is
// complete and on the disk (platform::replaceFile), so neither a crash, a full disk nor a
// second game writing the same folder leaves a torn file, and a link planted in the folder
// is never written through; the folder is created on writing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmira {

class SaveFolder {
  public:
    // path ends with "/".
    explicit SaveFolder(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }
    void setPath(std::string path) { path_ = std::move(path); }

    // Reads and descrambles the whole file. maxBytes bounds what is read (the rest of a
    // longer file is ignored). False when the file cannot be opened.
    bool read(std::string_view name, std::vector<uint8_t>& out, size_t maxBytes = SIZE_MAX) const;
    // Scrambles and writes the whole file (create or replace). False when the file or its
    // folder could not be written and synced.
    bool write(std::string_view name, const std::vector<uint8_t>& bytes) const;
    // Overwrites the first bytes of an existing file, keeping the rest; fails (and
    // creates nothing) when the file does not exist.
    bool overwriteStart(std::string_view name, const std::vector<uint8_t>& bytes) const;
    bool exists(std::string_view name) const;
    bool remove(std::string_view name) const;
    bool createFolder() const;

  private:
    std::string path_;
};

} // namespace velmira
