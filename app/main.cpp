// Process entry: reads the command line, picks the backend and runs the engine.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "app/engine.h"
#include "app/options.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"
#include "platform/system_facts.h"
#if defined(VELMIRA_HAVE_SDL) && __has_include("platform/sdl/sdl_platform.h")
#include "platform/sdl/sdl_platform.h"
#define VELMIRA_WINDOW_BACKEND 1
#endif

namespace {

// A headless run that could not do what its timeline asked (a shot, the --audio-out
// recording) ends with this status.
constexpr int kExitTimelineFailed = 3;

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

const char* endingName(velmira::Engine::Ending ending) {
    using Ending = velmira::Engine::Ending;
    switch (ending) {
    case Ending::NotRun:
        return "not run";
    case Ending::SecondInstance:
        return "another copy runs";
    case Ending::NoWindow:
        return "no window";
    case Ending::InitialiseFailed:
        return "start-up failed";
    case Ending::StartScriptMissing:
        return "no start script";
    case Ending::Quit:
        return "quit";
    }
    return "?";
}

// A page as the headless report tells it: `message "text" (name)` when it is shown, the
// text as the backlog keeps it with its line breaks as "/"; then how it ended.
std::string describePage(const velmira::PageEvent& page) {
    using Kind = velmira::PageEvent::Kind;
    switch (page.kind) {
    case Kind::Shown: {
        std::string text = velmira::platform::sjisToUtf8(page.text);
        for (char& c : text)
            if (c == '\n') c = '/';
        std::string line = "message \"" + text + "\"";
        if (!page.name.empty()) line += " (" + velmira::platform::sjisToUtf8(page.name) + ")";
        return line;
    }
    case Kind::Revealed:
        return "message revealed";
    case Kind::Advanced:
        return "message advanced";
    case Kind::AutoAdvanced:
        return "message advanced automatically";
    case Kind::Skipped:
        return "message skipped";
    case Kind::Left:
        return "message left";
    }
    return "message";
}

int runHeadless(const velmira::Options& options, velmira::EnginePaths paths,
                velmira::Trace& trace) {
    using namespace velmira;
    platform::HeadlessOptions headless;
    headless.maxMs = options.maxMs;
    headless.audioOutPath = options.audioOutPath;
    std::string error;
    if (!options.timelinePath.empty() &&
        !platform::Timeline::load(options.timelinePath, headless.timeline, error)) {
        std::cerr << "velmira: " << error << "\n";
        return 2;
    }
    platform::HeadlessPlatform platform(std::move(headless));
    if (options.trace)
        platform.log().setSink(
            [](std::string_view line) { std::cerr << "headless " << line << "\n"; });
    Engine::Ending ending;
    bool shutdownRan;
    {
        // The engine (and with it whatever it plays) is gone before the recording ends.
        Engine engine(platform, std::move(paths), trace);
        engine.setPageObserver(
            [&platform](const PageEvent& page) { platform.log().write(describePage(page)); });
        ending = engine.run();
        shutdownRan = engine.shutdownRan();
    }
    std::string audioError;
    const bool audioWritten = platform.finishAudioOut(audioError);
    if (options.trace)
        platform.log().write(std::string("run ended: ") + endingName(ending) +
                             (shutdownRan ? ", shutdown ran" : ""));
    int status = 0;
    for (const auto& shot : platform.failedShots()) {
        std::cerr << "velmira: timeline:" << shot.line << ": cannot write the shot " << shot.path
                  << "\n";
        status = kExitTimelineFailed;
    }
    if (!audioWritten) {
        std::cerr << "velmira: cannot write the sound file " << options.audioOutPath << ": "
                  << audioError << "\n";
        status = kExitTimelineFailed;
    }
    return status;
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

    const std::string gameDir =
        options.gameDir.empty() ? platform::executableFolder() : withSlash(options.gameDir);
    EnginePaths paths{gameDir + "data/",
                      options.saveDir.empty() ? gameDir + "save/" : withSlash(options.saveDir)};

    Trace trace;
    if (options.trace)
        trace.setSink([](std::string_view text) {
            std::string utf8 = platform::sjisToUtf8(text);
            if (utf8.empty() || utf8.back() != '\n') utf8 += '\n';
            std::fputs(utf8.c_str(), stderr);
        });

    if (options.headless) return runHeadless(options, std::move(paths), trace);
#ifdef VELMIRA_WINDOW_BACKEND
    platform::SdlPlatformOptions sdl;
    sdl.scale = options.scale;
    sdl.note = [&trace](std::string_view text) { trace.write(text); };
    platform::SdlPlatform platform(std::move(sdl));
    Engine engine(platform, std::move(paths), trace);
    engine.run();
    return 0;
#else
    std::cerr << "velmira: built without a window backend; use --headless\n";
    return 2;
#endif
}
