// The read-mark calls of the script step. The read-mark store implements them; the
// default does nothing and reports every message as unread.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmira {

class ReadMarks {
  public:
    virtual ~ReadMarks() = default;
    // Makes name the current script (closing the previous one).
    virtual void selectScript(std::string_view name) {}
    // line: the 1-based number of the line that ended the message. True when already
    // read; the line counts as read from now on.
    virtual bool checkAndMark(int32_t line) { return false; }
    // Folds the lines marked since the last commit into one range; called before every
    // jump or skip so a range only covers lines executed one after another.
    virtual void commit() {}
};

} // namespace velmira
