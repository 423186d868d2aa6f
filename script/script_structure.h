// How a script is laid out in lines: what a line is by its first character, where a
// statement ends (its line, or the whole "{ ... }" block it opens), which line a false IF
// takes as its else line, which lines a SELECT offers, and where a CASE that does not
// match goes on. The step loop runs scripts by these rules and the lint checks them by
// the same ones.
//
// The walks move an index over a TextLines in place, the way the step loop advances its
// next line; none of them allocates. A walk that runs off the end returns false and
// leaves the index at the line count (or where it was, when it started past the end).
#pragma once

#include <cstdint>
#include <string_view>

#include "resource/text_lines.h"

namespace velmira {

enum class LineKind : uint8_t {
    Empty,      // nothing (or a NUL first, which loaded lines never have)
    Comment,    // ";"
    Label,      // "#name", a GOTO target
    BlockOpen,  // "{" opens a block, which a skip passes over whole
    BlockClose, // "}"
    Statement,  // "." keyword and arguments
    Assignment, // "?" name = expression
    Text,       // anything else: message text
};

// Only the first byte counts: "{x" opens a block and ";" after text is still text.
constexpr LineKind lineKind(std::string_view line) {
    switch (line.empty() ? '\0' : line[0]) {
    case '\0':
        return LineKind::Empty;
    case ';':
        return LineKind::Comment;
    case '#':
        return LineKind::Label;
    case '{':
        return LineKind::BlockOpen;
    case '}':
        return LineKind::BlockClose;
    case '.':
        return LineKind::Statement;
    case '?':
        return LineKind::Assignment;
    default:
        return LineKind::Text;
    }
}

// Moves index past the statement on line index: to the next line, or, when that line
// opens a block, past the "}" that closes it (blocks nest). A "}" without its "{" is one
// line like any other.
bool skipStatement(const TextLines& lines, uint32_t& index);

// The else line of a false IF is a line that is exactly ".ELSE" in any ASCII case:
// ".ELSE ;" is not, and in normal flow skips the statement after it like any ELSE.
bool isElseLine(std::string_view line);

// A false IF: index is the line after the IF. Skips the statement there, and the else
// line right after it when there is one. False when the file ends first, also when the
// skipped statement was the last thing in the file.
bool skipFalseIf(const TextLines& lines, uint32_t& index);

// The first line starting with ".CASE" (any ASCII case) ends the choice lines of a SELECT.
bool isCaseLine(std::string_view line);
// ".ENDSEL" exactly (any ASCII case).
bool isEndSelLine(std::string_view line);

// Every line of a SELECT's choice list but empty lines and comments is a choice; a "{" or
// ".ENDSEL" there is one too.
constexpr bool isChoiceLine(std::string_view line) {
    return !line.empty() && line[0] != ';';
}

// The choice lines of a SELECT: index is the line after the SELECT. Calls
// onChoice(number, index, line) for each choice, numbered from 1, and stops at the case
// line. False (the SELECT fails) when no case line follows; the choices before the end
// have been seen then.
template <typename OnChoice>
bool scanChoices(const TextLines& lines, uint32_t& index, OnChoice&& onChoice) {
    const uint32_t count = static_cast<uint32_t>(lines.count());
    int number = 0;
    for (; index < count; ++index) {
        const std::string_view line = lines.view(static_cast<int>(index));
        if (isCaseLine(line)) return true;
        if (isChoiceLine(line)) onChoice(++number, index, line);
    }
    return false;
}

// A CASE that does not match: index is the line after it. Moves index to the next case
// line or ".ENDSEL" line, stepping over blocks whole so that the lines of a choice inside
// a branch are not taken for this one's. False when the file ends first.
bool skipToNextCase(const TextLines& lines, uint32_t& index);

} // namespace velmira
