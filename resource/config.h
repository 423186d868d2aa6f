// The configuration store: "config\config.txt" lists configuration files of the folder
// "config"; each holds [Group.Section] headers and key=value lines. The first definition
// of a key wins, across files in list order and within a file from top to bottom.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace velmira {

class ArchiveIndex;

using ConfigSection = std::map<std::string, std::string, std::less<>>;

class SectionView {
  public:
    std::string getString(std::string_view key, std::string_view fallback) const;
    int32_t getInt(std::string_view key, int32_t fallback) const;
    bool getBool(std::string_view key, bool fallback) const;
    bool has(std::string_view key) const { return keys_.find(key) != keys_.end(); }
    void clear() { keys_.clear(); }
    const ConfigSection& keys() const { return keys_; }

  private:
    friend class ConfigStore;
    ConfigSection keys_;
};

class ConfigStore {
  public:
    // Clears the store and reads the list file and every file it names. Always true once
    // the list is exhausted (also when the list file is missing).
    bool load(const ArchiveIndex& index);
    // Parses one configuration file's text into the store (first definition wins).
    void parse(std::string_view text);
    // Clears view and copies group/section into it; false when either does not exist.
    bool select(SectionView& view, std::string_view group, std::string_view section) const;
    void clear() { groups_.clear(); }

    using Sections = std::map<std::string, ConfigSection, std::less<>>;
    const std::map<std::string, Sections, std::less<>>& groups() const { return groups_; }

  private:
    std::map<std::string, Sections, std::less<>> groups_;
};

// The decimal reading of getInt: leading white space, one optional sign, digits; the
// first other character ends the number; no digits gives 0. Saturates at the int32 range.
int32_t parseDecimal(std::string_view text);

} // namespace velmira
