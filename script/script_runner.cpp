#include "script/script_runner.h"

#include <algorithm>

#include "resource/archive.h"
#include "resource/preferences.h"
#include "resource/sjis.h"
#include "resource/trace.h"
#include "script/script_messages.h"
#include "script/script_structure.h"
#include "script/statement.h"

namespace velmira {
namespace {

using sjis::isBlank;

constexpr char kStartScript[] = "start.txt";

} // namespace

ScriptRunner::ScriptRunner(ScriptHost& host, const ArchiveIndex& archives, const Trace& trace,
                           const SaveFolder& saveFolder, const UserPreferences& preferences)
    : host_(host), library_(archives), trace_(trace), preferences_(preferences),
      flags_(trace, saveFolder) {
    bindOwnCommands();
}

void ScriptRunner::bindOwnCommands() {
    commands_.bind("reset", [this](const TokenList&) {
        flags_.resetLocals();
        return true;
    });
    commands_.bind("date", [this](const TokenList& args) {
        chapterDate_.assign(args.token(0));
        host_.refreshTitle();
        return true;
    });
    commands_.bind("chapter", [this](const TokenList& args) {
        chapterName_.assign(args.token(0));
        host_.refreshTitle();
        return true;
    });
    commands_.bind("mode", [this](const TokenList& args) {
        static constexpr std::string_view kModes[] = {"adv", "novel", "novel2", "system", "demo"};
        const std::string_view word = args.token(0);
        for (size_t i = 0; i < std::size(kModes); ++i) {
            if (sjis::equalsIgnoringCase(word, kModes[i])) {
                setScriptMode(static_cast<ScriptMode>(i));
                break;
            }
        }
        return true; // another word does nothing
    });
}

void ScriptRunner::setScriptMode(ScriptMode mode) {
    scriptMode_ = mode;
    sink_->setDisplayMode(mode);
}

void ScriptRunner::requestRestart() {
    restoreRecords_.clear();
    restartRequested_ = true;
}

bool ScriptRunner::run() {
    restartRequested_ = false;
    if (!prepare()) return false;
    runContext(root_, 0);
    // The root ran to its end and starts again at the next turn: that turn idles like a
    // pump turn, so a script that never waits lets time pass instead of spinning.
    if (!restartRequested_ && !host_.quitSeen()) host_.idle();
    return true;
}

bool ScriptRunner::prepare() {
    host_.refreshTitle();
    if (restoreRecords_.empty()) {
        chapterDate_.clear();
        chapterName_.clear();
        if (!root_.load(library_, kStartScript)) return false;
        sink_->clearPage();
        return true;
    }
    // Every restored context gets an empty child that the next record fills, so the
    // chain is one longer than the records; records beyond the deepest chain are dropped.
    root_.reset();
    const size_t count = std::min<size_t>(restoreRecords_.size(), kMaxScriptContexts - 1);
    ScriptContext* context = &root_;
    for (size_t i = 0; i < count; ++i) {
        const RestoreRecord& record = restoreRecords_[i];
        context->load(library_, record.name); // a missing file gives an empty context
        context->line = record.line;
        context->caseId = record.caseId;
        context->caseEnable = record.caseEnable;
        context->child = std::make_unique<ScriptContext>();
        context = context->child.get();
    }
    sink_->setDisplayMode(scriptMode_);
    sink_->clearPage();
    restoreRecords_.clear();
    return true;
}

bool ScriptRunner::runContext(ScriptContext& context, uint32_t depth) {
    readMarks_->selectScript(context.name);
    while (host_.pumpMessages()) {
        // Only after a restore: the chain below this context resumes first.
        if (context.child) runChild(context, depth, {});
        if (restartRequested_) {
            readMarks_->commit();
            return true; // the context keeps its state
        }
        const uint32_t index = context.line;
        std::string_view text;
        if (!context.readLine(index, text)) break;
        context.line = index + 1;
        if (executeLine(context, depth, text)) continue;
        if (!host_.pumpAndPollInput(InputContext::Game, IdleSleep::Yes)) {
            failedLoadName_.clear();
            break;
        }
        traceFailure(context, index);
    }
    readMarks_->commit();
    context.reset();
    return true;
}

void ScriptRunner::traceFailure(const ScriptContext& context, uint32_t lineIndex) {
    // The number is the failing line's own, also when a skip ran on to the end of the
    // file; a LOAD that failed left the context empty, so its old name is reported.
    const std::string& name = failedLoadName_.empty() ? context.name : failedLoadName_;
    if (trace_.enabled()) {
        trace_.format(kTraceLineFailed, name.c_str(), static_cast<int>(lineIndex + 1));
    }
    failedLoadName_.clear();
}

bool ScriptRunner::executeLine(ScriptContext& context, uint32_t depth, std::string_view text) {
    switch (lineKind(text)) {
    case LineKind::Empty:
    case LineKind::Comment:
    case LineKind::Label:
    case LineKind::BlockOpen:
    case LineKind::BlockClose:
        showPendingMessage(context);
        return true;
    case LineKind::Statement:
        showPendingMessage(context);
        if (restartRequested_) return true;
        return executeStatement(context, depth, text.substr(1));
    case LineKind::Assignment:
        showPendingMessage(context);
        if (restartRequested_) return true;
        return executeAssignment(text.substr(1));
    case LineKind::Text:
        if (!context.pending.empty()) context.pending.push_back('/');
        context.pending.append(text);
        return true;
    }
    return false;
}

void ScriptRunner::showPendingMessage(ScriptContext& context) {
    if (context.pending.empty()) return;
    const bool alreadyRead = readMarks_->checkAndMark(static_cast<int32_t>(context.line));
    if (!alreadyRead && !preferences_.skipAll && sink_->skipping()) sink_->stopSkipping();
    sink_->showMessage(context.pending, alreadyRead);
    context.pending.clear();
    if (!isNovelMode(scriptMode_)) {
        context.savePoint = context.line - 1;
        sink_->markBacklogSavePoint();
    }
}

bool ScriptRunner::executeAssignment(std::string_view text) {
    Assignment assignment;
    if (!parseAssignment(text, assignment)) return false;
    const int32_t value = flags_.evaluate(assignment.expression);
    flags_.assign(assignment.name, value); // an undefined name is traced, not a failure
    return true;
}

bool ScriptRunner::executeStatement(ScriptContext& context, uint32_t depth, std::string_view text) {
    const Statement statement = splitStatement(text);
    switch (statement.kind) {
    case StatementKind::PageBreak:
        context.savePoint = context.line;
        sink_->markBacklogSavePoint();
        sink_->clearPage();
        return true;
    case StatementKind::PageBreakHere:
        sink_->clearPage();
        context.savePoint = context.line - 1;
        sink_->markBacklogSavePoint();
        return true;
    case StatementKind::If:
        return statementIf(context, statement.arguments);
    case StatementKind::Else:
        // Reached in normal flow: the IF branch ran, so the ELSE branch is skipped.
        readMarks_->commit();
        return skipStatement(context.lines(), context.line);
    case StatementKind::Goto:
        return statementGoto(context, statement.arguments);
    case StatementKind::Call:
        if (depth + 1 >= kMaxScriptContexts) {
            trace_.format(kTraceCallTooDeep, static_cast<int>(kMaxScriptContexts));
            return false;
        }
        return runChild(context, depth, statement.arguments);
    case StatementKind::Load:
        return statementLoad(context, statement.arguments);
    case StatementKind::Select:
        return statementSelect(context, statement.arguments);
    case StatementKind::Case:
        return statementCase(context, statement.arguments);
    case StatementKind::EndSel:
        return true;
    case StatementKind::Exit:
        context.freeLines();
        return true;
    case StatementKind::Quit:
        // Fails on purpose: the failure path's pumpAndPollInput lets the window run
        // its quit question.
        host_.requestClose();
        return false;
    case StatementKind::Command:
        return commands_.dispatch(statement.keyword, statement.arguments);
    case StatementKind::Invalid:
        return false;
    }
    return false;
}

bool ScriptRunner::runChild(ScriptContext& context, uint32_t depth, std::string_view fileName) {
    if (!context.child) context.child = std::make_unique<ScriptContext>();
    context.savePoint = context.line;
    // A file that cannot be read leaves an empty child, which ends at once.
    if (!fileName.empty()) context.child->load(library_, fileName);
    const bool result = runContext(*context.child, depth + 1);
    context.child->reset();
    context.child.reset();
    readMarks_->selectScript(context.name);
    return result;
}

bool ScriptRunner::statementIf(ScriptContext& context, std::string_view expression) {
    if (flags_.evaluate(expression) != 0) return true;
    readMarks_->commit();
    return skipFalseIf(context.lines(), context.line);
}

bool ScriptRunner::statementGoto(ScriptContext& context, std::string_view label) {
    readMarks_->commit();
    if (!label.empty() && label[0] == '#') label.remove_prefix(1);
    const int64_t target = context.findLabel(label);
    if (target < 0) return false;
    context.line = static_cast<uint32_t>(target);
    context.savePoint = context.line;
    return true;
}

bool ScriptRunner::statementLoad(ScriptContext& context, std::string_view fileName) {
    // The name lives in the lines the load is about to free.
    const std::string name(fileName);
    std::string previous = context.name;
    if (!context.load(library_, name)) {
        failedLoadName_ = std::move(previous);
        return false;
    }
    // The read marks of the new file are kept under its own name.
    readMarks_->selectScript(context.name);
    return true;
}

bool ScriptRunner::statementSelect(ScriptContext& context, std::string_view layout) {
    readMarks_->commit();
    if (isNovelMode(scriptMode_)) setScriptMode(ScriptMode::Adv);
    chooser_->begin(layout);
    const bool listed = scanChoices(
        context.lines(), context.line,
        [this](int number, uint32_t, std::string_view text) { chooser_->add(number, text); });
    if (!listed) return false;
    context.caseId = chooser_->run();
    context.caseEnable = true;
    return true;
}

bool ScriptRunner::statementCase(ScriptContext& context, std::string_view numbers) {
    readMarks_->commit();
    if (context.caseEnable) {
        size_t i = 0;
        while (i < numbers.size() && isBlank(numbers[i]))
            ++i;
        while (i < numbers.size() && isDigit(numbers[i])) {
            const size_t start = i;
            while (i < numbers.size() && isDigit(numbers[i]))
                ++i;
            if (leadingNumber(numbers.substr(start)) == context.caseId) {
                context.caseEnable = false;
                return true;
            }
            while (i < numbers.size() && !isBlank(numbers[i]))
                ++i;
            while (i < numbers.size() && isBlank(numbers[i]))
                ++i;
        }
    }
    // Not this branch: on to the next ".CASE" or ".ENDSEL".
    return skipToNextCase(context.lines(), context.line);
}

} // namespace velmira
