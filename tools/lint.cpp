// velmira-tool lint GAME_DIR: reads every script reachable from "start.txt" (through
// CALL and LOAD, choice branches included) the way the engine does — the archives and
// loose files of GAME_DIR/data/, the same line splitting, script structure, statement
// splitting and expression evaluator — and reports what would misbehave at run time, one
// line each:
//
//   start.txt:12: GOTO to missing label 'ending'
//
// File names and messages are UTF-8. Exit status 1 when anything was reported, 0 when
// nothing was, 2 for a wrong command line. Nothing is written.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "graphics/named_colours.h"
#include "platform/encoding.h"
#include "resource/archive.h"
#include "resource/config.h"
#include "resource/save_folder.h"
#include "resource/sjis.h"
#include "resource/text_lines.h"
#include "resource/trace.h"
#include "script/command_table.h"
#include "script/expression.h"
#include "script/flag_store.h"
#include "script/script_library.h"
#include "script/script_structure.h"
#include "script/statement.h"
#include "tools/commands.h"

namespace velmira::tool {
namespace {

std::string utf8(std::string_view sjis) {
    return platform::sjisToUtf8(sjis);
}

bool isTextLine(std::string_view line) {
    return lineKind(line) == LineKind::Text;
}

// Variables for a static evaluation: every name gets its own non-zero value, and the
// names that no flag defines are collected.
class LintVariables final : public VariableSource {
  public:
    explicit LintVariables(const FlagStore& flags) : flags_(flags) {}
    int32_t lookupVariable(std::string_view name) override {
        sawVariable = true;
        if (!flags_.isDefined(name) &&
            std::find(undefined.begin(), undefined.end(), name) == undefined.end()) {
            undefined.emplace_back(name);
        }
        return 1000003 * static_cast<int32_t>(++count_);
    }
    bool sawVariable = false;
    std::vector<std::string> undefined;

  private:
    const FlagStore& flags_;
    int count_ = 0;
};

class Linter {
  public:
    explicit Linter(const std::string& gameDir)
        : dataFolder_(gameDir + (gameDir.empty() || gameDir.back() == '/' ? "" : "/") + "data/"),
          archives_(dataFolder_, silent_), saveFolder_(gameDir + "/save/"),
          flags_(silent_, saveFolder_) {}

    int run() {
        archives_.mountAll();
        ConfigStore config;
        config.load(archives_);
        flags_.load(config);

        queue_.push_back("start.txt");
        visited_.insert("start.txt");
        while (!queue_.empty()) {
            const std::string name = queue_.front();
            queue_.pop_front();
            lintScript(name);
        }
        return reported_ ? kExitFailure : kExitOk;
    }

  private:
    struct Report {
        uint32_t line;
        std::string message; // UTF-8
    };

    void lintScript(const std::string& name) {
        ScriptFile script;
        if (!script.load(archives_, name)) {
            // Only the start script gets here unread; the others were checked when named.
            std::printf("%s:0: the start script is missing\n", utf8(name).c_str());
            reported_ = true;
            return;
        }
        script_ = &script;
        const TextLines& lines = script.lines;
        reports_.clear();
        // The voice folder is the engine's, not a script's: it carries over into the
        // scripts checked after the one that set it, in the order the scripts are followed.

        std::vector<uint32_t> openBlocks;
        int openSelects = 0;
        for (int i = 0; i < lines.count(); ++i) {
            const std::string_view text = lines.view(i);
            const uint32_t number = static_cast<uint32_t>(i) + 1;
            switch (lineKind(text)) {
            case LineKind::BlockOpen:
                openBlocks.push_back(number);
                break;
            case LineKind::BlockClose:
                if (openBlocks.empty())
                    report(number, "unbalanced '}'");
                else
                    openBlocks.pop_back();
                break;
            case LineKind::Assignment:
                lintAssignment(number, text.substr(1));
                break;
            case LineKind::Statement:
                lintStatement(i, text.substr(1), openSelects);
                break;
            default:
                break;
            }
        }
        for (uint32_t line : openBlocks)
            report(line, "unbalanced '{'");

        // A run of text lines at the very end is never shown: nothing ends the message.
        int last = lines.count() - 1;
        if (last >= 0 && isTextLine(lines.view(last))) {
            while (last > 0 && isTextLine(lines.view(last - 1)))
                --last;
            report(static_cast<uint32_t>(last) + 1,
                   "message text at the end of the file is never shown");
        }

        std::stable_sort(reports_.begin(), reports_.end(),
                         [](const Report& a, const Report& b) { return a.line < b.line; });
        const std::string file = utf8(name);
        for (const Report& r : reports_) {
            std::printf("%s:%u: %s\n", file.c_str(), r.line, r.message.c_str());
        }
        script_ = nullptr;
    }

    void report(uint32_t line, std::string message) {
        reports_.push_back({line, std::move(message)});
        reported_ = true;
    }

    void lintStatement(int index, std::string_view text, int& openSelects) {
        const uint32_t number = static_cast<uint32_t>(index) + 1;
        const Statement statement = splitStatement(text);
        switch (statement.kind) {
        case StatementKind::Invalid:
            report(number, "statement keyword longer than 999 bytes");
            break;
        case StatementKind::If:
            lintExpression(number, statement.arguments);
            lintElseAfterIf(index);
            break;
        case StatementKind::Goto: {
            std::string_view label = statement.arguments;
            if (!label.empty() && label[0] == '#') label.remove_prefix(1);
            if (script_->labels.count(label) == 0) {
                report(number, "GOTO to missing label '" + utf8(label) + "'");
            }
            break;
        }
        case StatementKind::Call:
            if (!statement.arguments.empty()) followScript(number, "CALL", statement.arguments);
            break;
        case StatementKind::Load:
            followScript(number, "LOAD", statement.arguments);
            break;
        case StatementKind::Select:
            if (lintSelect(index, statement.arguments)) ++openSelects;
            break;
        case StatementKind::Case:
            if (openSelects == 0) report(number, "CASE outside a choice");
            break;
        case StatementKind::EndSel:
            if (openSelects > 0) --openSelects;
            break;
        case StatementKind::Command:
            lintCommand(number, statement.keyword, statement.arguments);
            break;
        default:
            break;
        }
    }

    // A false IF takes only an exact ".ELSE" after its statement as its else line: an
    // ELSE statement there that is not one (".ELSE ;") is reported.
    void lintElseAfterIf(int ifIndex) {
        const TextLines& lines = script_->lines;
        uint32_t next = static_cast<uint32_t>(ifIndex) + 1;
        if (!skipStatement(lines, next) || next >= static_cast<uint32_t>(lines.count())) return;
        const std::string_view candidate = lines.view(static_cast<int>(next));
        if (lineKind(candidate) != LineKind::Statement) return;
        if (splitStatement(candidate.substr(1)).kind != StatementKind::Else) return;
        if (isElseLine(candidate)) return;
        report(next + 1,
               "'" + utf8(candidate) + "' is not the ELSE of the IF on line " +
                   std::to_string(ifIndex + 1) +
                   ": only '.ELSE' alone is; this line skips the statement after it instead");
    }

    // False when no .CASE follows (the engine fails the SELECT).
    bool lintSelect(int index, std::string_view layout) {
        const uint32_t number = static_cast<uint32_t>(index) + 1;
        if (!layout.empty()) checkMember(number, "map", layout, "map file");
        TokenList tokens;
        uint32_t next = static_cast<uint32_t>(index) + 1;
        const bool listed = scanChoices(
            script_->lines, next, [&](int, uint32_t choiceIndex, std::string_view choice) {
                // text: "text [visible]"; map: "icon place [visible [enabled]]"
                tokens.split(choice);
                const int first = layout.empty() ? 1 : 2;
                const int lastCondition = layout.empty() ? 1 : 3;
                for (int t = first; t <= lastCondition; ++t) {
                    if (!tokens.token(t).empty()) lintExpression(choiceIndex + 1, tokens.token(t));
                }
            });
        if (!listed) report(number, "SELECT without a .CASE line");
        return listed;
    }

    void lintAssignment(uint32_t number, std::string_view text) {
        Assignment assignment;
        if (!parseAssignment(text, assignment)) {
            if (text.find('=') == std::string_view::npos)
                report(number, "assignment without '='");
            else
                report(number, "assigned variable name of 251 bytes or more");
            return;
        }
        if (!flags_.isAssignable(assignment.name)) {
            if (flags_.isDefined(assignment.name)) {
                report(number,
                       "assignment to record flag '" + utf8(assignment.name) + "' changes nothing");
            } else {
                report(number, "assignment to undefined variable '" + utf8(assignment.name) + "'");
            }
        }
        lintExpression(number, assignment.expression);
    }

    void lintExpression(uint32_t number, std::string_view text) {
        LintVariables variables(flags_);
        const Evaluation result = evaluateExpression(text, variables);
        for (const std::string& name : variables.undefined) {
            report(number, "undefined variable '" + utf8(name) + "'");
        }
        if (result.ok) return;
        const char* reason = "malformed";
        switch (result.failure) {
        case EvaluationFailure::DivisionByZero:
            if (variables.sawVariable) return; // depends on the values at run time
            reason = "division by zero";
            break;
        case EvaluationFailure::OperandTooLong:
            reason = "an operand of 100 bytes or more";
            break;
        default:
            break;
        }
        report(number, "expression '" + utf8(text) + "' fails to evaluate (" + reason + ")");
    }

    void lintCommand(uint32_t number, std::string_view keyword, std::string_view arguments) {
        if (CommandTable::find(keyword) < 0) {
            std::string message = "unknown command '" + utf8(keyword) + "'";
            for (std::string_view name : kCommandNames) {
                if (sjis::equalsIgnoringCase(name, keyword)) {
                    message += " (command names are case-sensitive: '" + std::string(name) + "')";
                    break;
                }
            }
            report(number, message);
            return;
        }
        TokenList args;
        args.split(arguments);
        const std::string_view first = args.token(0);
        if (keyword == "img") {
            for (int i = 1; !args.token(i).empty(); ++i) {
                const ImgItem item = classifyImgItem(args.token(i), 640, 480);
                if (item.kind != ImgItem::Kind::Picture || item.name.empty()) continue;
                if (sjis::endsWithIgnoringCase(item.name, ".img")) {
                    checkMember(number, "anime", item.name, "layer definition");
                } else if (!findNamedColour(item.name)) {
                    checkMember(number, "img", item.name, "picture");
                }
            }
        } else if (keyword == "bgm") {
            if (!first.empty() && !sjis::equalsIgnoringCase(first, "fade")) {
                checkMember(number, "bgm", first, "music");
            }
        } else if (keyword == "env" || keyword == "se") {
            if (!first.empty()) checkMember(number, keyword, first, "sound");
        } else if (keyword == "voice") {
            if (!first.empty() && first[0] == '\\') {
                voiceFolder_.assign(first.substr(1));
            } else if (!first.empty()) {
                const std::string path = voiceFolder_.empty()
                                             ? std::string(first)
                                             : voiceFolder_ + "\\" + std::string(first);
                checkMember(number, "voice", path, "voice");
            }
        }
    }

    // Checks a picture or sound only in games that have that folder at all.
    void checkMember(uint32_t number, std::string_view folder, std::string_view name,
                     const char* what) {
        if (!hasFolder(folder)) return;
        ArchiveReader reader(archives_);
        if (reader.open(folder, name)) return;
        report(number,
               std::string("missing ") + what + " '" + utf8(folder) + "\\" + utf8(name) + "'");
    }

    bool hasFolder(std::string_view folder) {
        const std::string prefix = std::string(folder) + "\\";
        const auto& entries = archives_.entries();
        const auto it = entries.lower_bound(prefix);
        if (it != entries.end() && it->first.compare(0, prefix.size(), prefix) == 0) return true;
        std::error_code ec;
        return std::filesystem::is_directory(dataFolder_ + std::string(folder), ec);
    }

    void followScript(uint32_t number, const char* statement, std::string_view name) {
        const std::string file(name);
        if (visited_.count(file) != 0) return;
        TextLines probe;
        if (!probe.load(archives_, "script", file)) {
            report(number, std::string(statement) + " of missing script '" + utf8(file) + "'");
            return;
        }
        visited_.insert(file);
        queue_.push_back(file);
    }

    Trace silent_;
    std::string dataFolder_;
    ArchiveIndex archives_;
    SaveFolder saveFolder_;
    FlagStore flags_;
    std::deque<std::string> queue_;
    std::set<std::string> visited_;
    const ScriptFile* script_ = nullptr;
    std::string voiceFolder_;
    std::vector<Report> reports_;
    bool reported_ = false;
};

} // namespace

int runLint(const Args& args) {
    if (args.size() != 1) return kExitUsage;
    Linter linter(args[0]);
    return linter.run();
}

} // namespace velmira::tool
