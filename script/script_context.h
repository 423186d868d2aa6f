// One executing script file. The root context lives as long as the runner; a called
// script gets a child context, so the contexts form a chain root -> child -> ...
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "script/script_library.h"

namespace velmira {

struct ScriptContext {
    std::string name;        // the file name as given to load; empty when nothing is loaded
    std::string pending;     // message text collected from text lines, not yet shown
    uint32_t line = 0;       // index of the next line to execute
    uint32_t savePoint = 0;  // the line a save made now resumes from
    int32_t caseId = 0;      // the number chosen at the last SELECT
    bool caseEnable = false; // from a SELECT until one of its CASE lines matched
    std::shared_ptr<const ScriptFile> file; // the lines; null when none are loaded
    std::unique_ptr<ScriptContext> child;

    ScriptContext() = default;
    ScriptContext(const ScriptContext&) = delete;
    ScriptContext& operator=(const ScriptContext&) = delete;
    ~ScriptContext() { reset(); }

    // Resets, then takes the file from the folder "script". False (context left empty)
    // when it cannot be read.
    bool load(ScriptLibrary& library, std::string_view fileName);
    // Empties everything; the child chain is destroyed deepest first.
    void reset();
    // Lets go of the lines only (EXIT): the next fetch finds nothing and the context ends.
    void freeLines() { file.reset(); }

    // The lines, or no lines when none are loaded.
    const TextLines& lines() const;
    uint32_t lineCount() const { return file ? static_cast<uint32_t>(file->lines.count()) : 0; }
    // False when index is past the last line.
    bool readLine(uint32_t index, std::string_view& out) const {
        if (index >= lineCount()) return false;
        out = file->lines.view(static_cast<int>(index));
        return true;
    }
    // The index of the line after the first label line "#label", or -1.
    int64_t findLabel(std::string_view label) const;
    // Contexts in the chain from this one down (1 for a context without a child).
    uint32_t chainLength() const;
};

} // namespace velmira
