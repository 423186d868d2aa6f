// Script files as the step loop reads them: the lines of "script\<name>" and the index of
// their labels, shared by every context that runs the file. The library keeps the files
// it read: a file whose stamp (archive entry, or a loose file's size and time) has not
// changed is not read again, so the root script restarting every turn costs no reading.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "resource/archive.h"
#include "resource/text_lines.h"

namespace velmira {

struct ScriptFile {
    TextLines lines;
    // Label name (the text after "#", a view into lines) -> index of the line after the
    // first line carrying it.
    std::unordered_map<std::string_view, uint32_t> labels;

    ScriptFile() = default;
    // Not copied or moved: the label names point into the lines.
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;

    bool load(const ArchiveIndex& index, std::string_view name);
};

class ScriptLibrary {
  public:
    explicit ScriptLibrary(const ArchiveIndex& archives) : archives_(archives) {}

    // The file "script\<name>", or null when it cannot be read (its reader traced why).
    std::shared_ptr<const ScriptFile> load(std::string_view name);

  private:
    // Files kept; beyond this the library starts afresh (games have a few dozen scripts).
    static constexpr size_t kMaxFiles = 64;

    struct Kept {
        MemberStamp stamp;
        std::shared_ptr<const ScriptFile> file;
    };

    const ArchiveIndex& archives_;
    std::unordered_map<std::string, Kept> files_;
};

} // namespace velmira
