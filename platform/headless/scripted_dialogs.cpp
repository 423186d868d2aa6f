#include "platform/headless/scripted_dialogs.h"

#include "platform/headless/run_log.h"

namespace velmira::platform {

bool ScriptedDialogs::askYesNo(std::string_view caption, std::string_view text) {
    bool yes = true;
    if (!answers_.empty()) {
        yes = answers_.front();
        answers_.pop_front();
    }
    questions_.push_back(Question{std::string(caption), std::string(text), yes});
    log_.write("question \"" + std::string(text) + "\" (" + std::string(caption) + ") answered " +
               (yes ? "yes" : "no"));
    return yes;
}

} // namespace velmira::platform
