#include "script/script_library.h"

#include "script/script_structure.h"

namespace velmira {
namespace {

constexpr char kScriptFolder[] = "script";

} // namespace

bool ScriptFile::load(const ArchiveIndex& index, std::string_view name) {
    labels.clear();
    if (!lines.load(index, kScriptFolder, name)) return false;
    for (int i = 0; i < lines.count(); ++i) {
        const std::string_view line = lines.view(i);
        if (lineKind(line) == LineKind::Label)
            labels.emplace(line.substr(1), static_cast<uint32_t>(i) + 1);
    }
    return true;
}

std::shared_ptr<const ScriptFile> ScriptLibrary::load(std::string_view name) {
    MemberStamp stamp;
    const bool stamped = archives_.stamp(kScriptFolder, name, stamp);
    const std::string key(name);
    if (stamped) {
        const auto kept = files_.find(key);
        if (kept != files_.end() && kept->second.stamp == stamp) return kept->second.file;
    }
    auto file = std::make_shared<ScriptFile>();
    // Reading also when the stamp failed, so that the reader traces why it cannot open.
    if (!file->load(archives_, name)) {
        files_.erase(key);
        return nullptr;
    }
    if (stamped) {
        if (files_.size() >= kMaxFiles) files_.clear();
        files_[key] = Kept{std::move(stamp), file};
    }
    return file;
}

} // namespace velmira
