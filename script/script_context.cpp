#include "script/script_context.h"

#include "resource/archive.h"

namespace velmira {

bool ScriptContext::load(const ArchiveIndex& index, std::string_view fileName) {
    reset();
    if (!lines.load(index, "script", fileName)) {
        lines.clear();
        return false;
    }
    name.assign(fileName);
    return true;
}

void ScriptContext::reset() {
    name.clear();
    pending.clear();
    line = 0;
    savePoint = 0;
    caseId = 0;
    caseEnable = false;
    // Unlink the chain first so destroying a long one never recurses.
    std::unique_ptr<ScriptContext> next = std::move(child);
    while (next) {
        std::unique_ptr<ScriptContext> after = std::move(next->child);
        next.reset();
        next = std::move(after);
    }
    freeLines();
}

void ScriptContext::freeLines() {
    lines.clear();
    labels_.clear();
    labelsBuilt_ = false;
}

int64_t ScriptContext::findLabel(std::string_view label) {
    if (!labelsBuilt_) {
        labelsBuilt_ = true;
        const uint32_t count = lineCount();
        for (uint32_t i = 0; i < count; ++i) {
            const std::string_view text = lines.view(static_cast<int>(i));
            if (!text.empty() && text[0] == '#') labels_.emplace(text.substr(1), i + 1);
        }
    }
    const auto it = labels_.find(label);
    return it == labels_.end() ? -1 : static_cast<int64_t>(it->second);
}

uint32_t ScriptContext::chainLength() const {
    uint32_t length = 1;
    for (const ScriptContext* c = child.get(); c != nullptr; c = c->child.get())
        ++length;
    return length;
}

} // namespace velmira
