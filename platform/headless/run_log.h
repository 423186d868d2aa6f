// What a headless run did that a player would have seen or heard of: the window's
// creation, titles and destruction, questions and their answers, shots, the pad, the
// close at --max-ms. Each line starts with the virtual time. Tests read the lines; the
// program prints them as they come with --trace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmira::platform {

class Clock;

class RunLog {
  public:
    using Sink = std::function<void(std::string_view line)>;

    explicit RunLog(Clock& clock) : clock_(clock) {}

    // "<ms> ms: <text>" (UTF-8).
    void write(std::string_view text);
    const std::vector<std::string>& lines() const { return lines_; }
    void setSink(Sink sink) { sink_ = std::move(sink); }

  private:
    Clock& clock_;
    std::vector<std::string> lines_;
    Sink sink_;
};

} // namespace velmira::platform
