#include "script/script_structure.h"

#include "resource/sjis.h"

namespace velmira {
namespace {

uint32_t lineCount(const TextLines& lines) {
    return static_cast<uint32_t>(lines.count());
}

std::string_view lineAt(const TextLines& lines, uint32_t index) {
    return lines.view(static_cast<int>(index));
}

} // namespace

bool skipStatement(const TextLines& lines, uint32_t& index) {
    const uint32_t count = lineCount(lines);
    int64_t depth = 0;
    do {
        if (index >= count) return false;
        const LineKind kind = lineKind(lineAt(lines, index));
        ++index;
        if (kind == LineKind::BlockOpen)
            ++depth;
        else if (kind == LineKind::BlockClose)
            --depth;
    } while (depth > 0);
    return true;
}

bool isElseLine(std::string_view line) {
    return sjis::equalsIgnoringCase(line, ".ELSE");
}

bool skipFalseIf(const TextLines& lines, uint32_t& index) {
    if (!skipStatement(lines, index)) return false;
    if (index >= lineCount(lines)) return false;
    if (isElseLine(lineAt(lines, index))) ++index;
    return true;
}

bool isCaseLine(std::string_view line) {
    return sjis::startsWithIgnoringCase(line, ".CASE");
}

bool isEndSelLine(std::string_view line) {
    return sjis::equalsIgnoringCase(line, ".ENDSEL");
}

bool skipToNextCase(const TextLines& lines, uint32_t& index) {
    const uint32_t count = lineCount(lines);
    while (index < count) {
        const std::string_view line = lineAt(lines, index);
        if (lineKind(line) == LineKind::BlockOpen) {
            if (!skipStatement(lines, index)) return false;
            continue;
        }
        if (isCaseLine(line) || isEndSelLine(line)) return true;
        ++index;
    }
    return false;
}

} // namespace velmira
