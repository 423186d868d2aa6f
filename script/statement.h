// Cutting script lines into statements: the text after the "." of a statement line,
// and the text after the "?" of an assignment line. Both return views into the line.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmira {

enum class StatementKind : uint8_t {
    PageBreak,     // "." alone (or two dots): save point after this line
    PageBreakHere, // three dots: save point on this line itself
    If,
    Else,
    Goto,
    Call,
    Load,
    Select,
    Case,
    EndSel,
    Exit,
    Quit,
    Command, // any other keyword, for the command table
    Invalid, // the keyword does not fit the keyword buffer
};

struct Statement {
    StatementKind kind = StatementKind::Invalid;
    std::string_view keyword;   // as written (control keywords match in any case)
    std::string_view arguments; // the rest after the keyword, leading blanks skipped
};

// A keyword must fit this buffer with its terminator: 999 bytes at most.
inline constexpr size_t kKeywordBufferSize = 1000;

// text: the line after its first ".". The keyword is the longest prefix without a
// blank, "(" or a digit, so ".wait100" is `wait` with "100" and ".IF(a)" is `IF`.
Statement splitStatement(std::string_view text);

// A variable name of this many bytes or more makes the assignment fail.
inline constexpr size_t kMaxAssignedNameSize = 251;

struct Assignment {
    std::string_view name;
    std::string_view expression;
};

// text: the line after its "?". The name runs to the first blank or "="; the value is
// what follows the first "=" after the name's start, with blanks and further "=" skipped.
// False when there is no "=" or the name is too long.
bool parseAssignment(std::string_view text, Assignment& out);

} // namespace velmira
