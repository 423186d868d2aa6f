#include "script/statement.h"

#include "resource/sjis.h"

namespace velmira {
namespace {

using sjis::isBlank;
using sjis::skipBlanks;

bool endsKeyword(char c) {
    return isBlank(c) || c == '(' || (c >= '0' && c <= '9');
}

struct ControlWord {
    std::string_view name;
    StatementKind kind;
};

// Compared in this order; "." is the keyword of the three-dot page break.
constexpr ControlWord kControlWords[] = {
    {"IF", StatementKind::If},           {"ELSE", StatementKind::Else},
    {"GOTO", StatementKind::Goto},       {"CALL", StatementKind::Call},
    {"LOAD", StatementKind::Load},       {"SELECT", StatementKind::Select},
    {"CASE", StatementKind::Case},       {"ENDSEL", StatementKind::EndSel},
    {"EXIT", StatementKind::Exit},       {"QUIT", StatementKind::Quit},
    {".", StatementKind::PageBreakHere},
};

} // namespace

Statement splitStatement(std::string_view text) {
    Statement statement;
    if (!text.empty() && text[0] == '.') text.remove_prefix(1);
    if (text.empty()) {
        statement.kind = StatementKind::PageBreak;
        return statement;
    }
    size_t end = 0;
    while (end < text.size() && !endsKeyword(text[end]))
        ++end;
    if (end >= kKeywordBufferSize) return statement; // Invalid
    statement.keyword = text.substr(0, end);
    statement.arguments = skipBlanks(text.substr(end));
    statement.kind = StatementKind::Command;
    // Most lines are commands or IF/GOTO: a keyword longer than every control word is
    // a command without comparing.
    if (end <= 6) {
        for (const ControlWord& word : kControlWords) {
            if (sjis::equalsIgnoringCase(statement.keyword, word.name)) {
                statement.kind = word.kind;
                break;
            }
        }
    }
    return statement;
}

bool parseAssignment(std::string_view text, Assignment& out) {
    text = skipBlanks(text);
    size_t nameEnd = 0;
    while (nameEnd < text.size() && !isBlank(text[nameEnd]) && text[nameEnd] != '=')
        ++nameEnd;
    if (nameEnd >= kMaxAssignedNameSize) return false;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return false;
    size_t value = equals;
    while (value < text.size() && (isBlank(text[value]) || text[value] == '='))
        ++value;
    out.name = text.substr(0, nameEnd);
    out.expression = text.substr(value);
    return true;
}

} // namespace velmira
