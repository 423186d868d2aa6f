#include "script/script_context.h"

namespace velmira {
namespace {

const TextLines kNoLines;

} // namespace

const TextLines& ScriptContext::lines() const {
    return file ? file->lines : kNoLines;
}

bool ScriptContext::load(ScriptLibrary& library, std::string_view fileName) {
    reset();
    file = library.load(fileName);
    if (!file) return false;
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

int64_t ScriptContext::findLabel(std::string_view label) const {
    if (!file) return -1;
    const auto it = file->labels.find(label);
    return it == file->labels.end() ? -1 : static_cast<int64_t>(it->second);
}

uint32_t ScriptContext::chainLength() const {
    uint32_t length = 1;
    for (const ScriptContext* c = child.get(); c != nullptr; c = c->child.get())
        ++length;
    return length;
}

} // namespace velmira
