#include "platform/headless/run_log.h"

#include "platform/clock.h"

namespace velmira::platform {

void RunLog::write(std::string_view text) {
    std::string line = std::to_string(clock_.now()) + " ms: ";
    line += text;
    if (sink_) sink_(line);
    lines_.push_back(std::move(line));
}

} // namespace velmira::platform
