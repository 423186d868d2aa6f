// The script runner: the chain of script contexts, the step loop with its control
// statements, the command table, the flags, and the engine-wide script state (restart
// request, restore records, chapter texts, display mode).
//
// How the main loop drives it:
//   start-up   runner.flags().load(config) (flag definitions and value files), then
//              runner.requestRestart()
//   each turn  pumpMessages(); ...; if (!runner.run()) leave the loop
// run() clears the restart request, prepares the root context (restore records from a
// loaded save, else "start.txt"; false when "start.txt" cannot be read) and steps it
// until the root script ends (the next run() starts "start.txt" again, after one idle
// turn of the host), a restart is requested, or the host reports quitting. Waiting
// statements wait inside the run. Script files come from a ScriptLibrary, which reads a
// file again only when it changed.
//
// Everything runs on the main thread; the restart request may be set from handlers
// that run inside the script's own waits and is read between lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/chooser.h"
#include "script/command_table.h"
#include "script/flag_store.h"
#include "script/message_sink.h"
#include "script/read_marks.h"
#include "script/script_context.h"
#include "script/script_host.h"

namespace velmira {

class ArchiveIndex;
class SaveFolder;
class Trace;
struct UserPreferences;

// The deepest call chain the runner builds (root included). A CALL beyond it fails and
// is traced, so a script that calls itself cannot exhaust the machine stack.
inline constexpr uint32_t kMaxScriptContexts = 256;

// Where one context of a loaded save resumes.
struct RestoreRecord {
    std::string name;
    uint32_t line = 0;
    int32_t caseId = 0;
    bool caseEnable = false;
};

class ScriptRunner {
  public:
    ScriptRunner(ScriptHost& host, const ArchiveIndex& archives, const Trace& trace,
                 const SaveFolder& saveFolder, const UserPreferences& preferences);
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // The collaborators default to silent ones; the references must outlive the runner.
    void setMessageSink(MessageSink& sink) { sink_ = &sink; }
    void setChooser(Chooser& chooser) { chooser_ = &chooser; }
    void setReadMarks(ReadMarks& marks) { readMarks_ = &marks; }

    // Clears the pending restore records and sets the restart request: the running
    // contexts return at their next line and the next run() starts afresh.
    void requestRestart();
    bool restartRequested() const { return restartRequested_; }
    // Run script: see the header comment. False only when preparing failed.
    bool run();
    // Refreshes the title, then builds the chain from the restore records or loads
    // "start.txt" into the root (false when it cannot be read).
    bool prepare();
    // The step loop of the root context (returns when it ends, on restart or quit).
    bool runRoot() { return runContext(root_, 0); }

    // Filled by a loaded save (after requestRestart()), root first; consumed by prepare().
    std::vector<RestoreRecord>& restoreRecords() { return restoreRecords_; }

    FlagStore& flags() { return flags_; }
    CommandTable& commands() { return commands_; }
    const ScriptContext& root() const { return root_; }
    ScriptContext& root() { return root_; }

    const std::string& chapterDate() const { return chapterDate_; }
    const std::string& chapterName() const { return chapterName_; }
    void setChapterDate(std::string text) { chapterDate_ = std::move(text); }
    void setChapterName(std::string text) { chapterName_ = std::move(text); }

    ScriptMode scriptMode() const { return scriptMode_; }
    // Stores the mode and applies it to the message display at once.
    void setScriptMode(ScriptMode mode);
    // Stores the mode of a loaded save; the next prepare() applies it.
    void restoreScriptMode(ScriptMode mode) { scriptMode_ = mode; }

    // The screen size `img` positions are computed from (640 x 480 unless set).
    void setScreenSize(int32_t width, int32_t height) {
        screenWidth_ = width;
        screenHeight_ = height;
    }
    int32_t screenWidth() const { return screenWidth_; }
    int32_t screenHeight() const { return screenHeight_; }

    // Shows the pending message of a context, if any (the step does this at every line
    // that is not message text).
    void showPendingMessage(ScriptContext& context);

  private:
    bool runContext(ScriptContext& context, uint32_t depth);
    bool executeLine(ScriptContext& context, uint32_t depth, std::string_view text);
    bool executeStatement(ScriptContext& context, uint32_t depth, std::string_view text);
    bool executeAssignment(std::string_view text);
    // CALL: runs the child (loading fileName first when not empty) to its end.
    bool runChild(ScriptContext& context, uint32_t depth, std::string_view fileName);
    bool statementIf(ScriptContext& context, std::string_view expression);
    bool statementGoto(ScriptContext& context, std::string_view label);
    bool statementLoad(ScriptContext& context, std::string_view fileName);
    bool statementSelect(ScriptContext& context, std::string_view layout);
    bool statementCase(ScriptContext& context, std::string_view numbers);
    void traceFailure(const ScriptContext& context, uint32_t lineIndex);
    void bindOwnCommands();

    ScriptHost& host_;
    ScriptLibrary library_;
    const Trace& trace_;
    const UserPreferences& preferences_;

    MessageSink defaultSink_;
    FirstChoiceChooser defaultChooser_;
    ReadMarks defaultReadMarks_;
    MessageSink* sink_ = &defaultSink_;
    Chooser* chooser_ = &defaultChooser_;
    ReadMarks* readMarks_ = &defaultReadMarks_;

    FlagStore flags_;
    CommandTable commands_;
    ScriptContext root_;

    bool restartRequested_ = false;
    std::vector<RestoreRecord> restoreRecords_;
    std::string chapterDate_;
    std::string chapterName_;
    ScriptMode scriptMode_ = ScriptMode::Adv;
    int32_t screenWidth_ = 640;
    int32_t screenHeight_ = 480;
    std::string failedLoadName_; // the script a failed LOAD replaced, for the trace
};

} // namespace velmira
