#include "app/options.h"

#include <charconv>
#include <string_view>

namespace velmira {

bool parseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    options = Options{};
    bool sawMaxMs = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--timeline") {
            if (!value(options.timelinePath)) return false;
        } else if (arg == "--audio-out") {
            if (!value(options.audioOutPath)) return false;
        } else if (arg == "--save-dir") {
            if (!value(options.saveDir)) return false;
        } else if (arg == "--max-ms") {
            std::string text;
            if (!value(text)) return false;
            const auto [end, ec] =
                std::from_chars(text.data(), text.data() + text.size(), options.maxMs);
            if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
                error = "--max-ms needs a number of milliseconds";
                return false;
            }
            sawMaxMs = true;
        } else if (arg == "--scale") {
            std::string text;
            if (!value(text)) return false;
            const auto [end, ec] =
                std::from_chars(text.data(), text.data() + text.size(), options.scale);
            if (ec != std::errc() || end != text.data() + text.size() || text.empty() ||
                options.scale < 1 || options.scale > kMaxScale) {
                error = "--scale needs a whole number from 1 to " + std::to_string(kMaxScale);
                return false;
            }
        } else if (arg.starts_with("-") && arg != "-") {
            error = "unknown option " + std::string(arg);
            return false;
        } else if (options.gameDir.empty()) {
            options.gameDir = arg;
        } else {
            error = "more than one game folder";
            return false;
        }
    }
    if (!options.headless && (!options.timelinePath.empty() || sawMaxMs)) {
        error = "--timeline and --max-ms need --headless";
        return false;
    }
    return true;
}

} // namespace velmira
