// The headless question box: it answers at once with the answer the timeline queued for
// it ("answer no"), Yes when none is queued, and keeps every question for tests.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace velmira::platform {

class RunLog;

class ScriptedDialogs final : public Dialogs {
  public:
    explicit ScriptedDialogs(RunLog& log) : log_(log) {}

    bool askYesNo(std::string_view caption, std::string_view text) override;
    // The answer of the next question that is not answered yet.
    void queueAnswer(bool yes) { answers_.push_back(yes); }

    struct Question {
        std::string caption, text; // UTF-8
        bool answeredYes = true;
    };
    const std::vector<Question>& questions() const { return questions_; }

  private:
    RunLog& log_;
    std::deque<bool> answers_;
    std::vector<Question> questions_;
};

} // namespace velmira::platform
