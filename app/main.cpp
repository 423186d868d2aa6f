// Process entry: reads the command line, picks the backend and runs the engine.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "app/engine.h"
#include "app/options.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"
#if defined(VELMIRA_HAVE_SDL) && __has_include("platform/sdl/sdl_platform.h")
#include "platform/sdl/sdl_platform.h"
#define VELMIRA_WINDOW_BACKEND 1
#endif

namespace {

// The folder of the executable, with a trailing "/"; "./" when it cannot be found.
std::string executableFolder() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    const std::string full(path, static_cast<size_t>(n));
    const size_t slash = full.rfind('/');
    return slash == std::string::npos ? "./" : full.substr(0, slash + 1);
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

} // namespace

int main(int argc, char** argv) {
    using namespace velmira;
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::cerr << "velmira: " << error << "\n" << kUsage;
        return 2;
    }

    const std::string gameDir = options.gameDir.empty() ? executableFolder() : withSlash(options.gameDir);
    EnginePaths paths{gameDir + "data/",
                      options.saveDir.empty() ? gameDir + "save/" : withSlash(options.saveDir)};

    Trace trace;
    if (options.trace)
        trace.setSink([](std::string_view text) {
            std::string utf8 = platform::sjisToUtf8(text);
            if (utf8.empty() || utf8.back() != '\n') utf8 += '\n';
            std::fputs(utf8.c_str(), stderr);
        });

    std::unique_ptr<platform::Platform> platform;
    if (options.headless) {
        platform::Timeline timeline;
        if (!options.timelinePath.empty() &&
            !platform::Timeline::load(options.timelinePath, timeline, error)) {
            std::cerr << "velmira: " << error << "\n";
            return 2;
        }
        platform = std::make_unique<platform::HeadlessPlatform>(std::move(timeline), options.maxMs);
    } else {
#ifdef VELMIRA_WINDOW_BACKEND
        platform = std::make_unique<platform::SdlPlatform>();
#else
        std::cerr << "velmira: built without a window backend; use --headless\n";
        return 2;
#endif
    }

    Engine engine(*platform, std::move(paths), trace);
    return engine.run();
}
