// The command line of the velmira program.
#pragma once

#include <cstdint>
#include <string>

namespace velmira {

struct Options {
    bool headless = false;
    std::string timelinePath;
    std::string audioOutPath;
    bool trace = false;
    std::string saveDir;     // empty: GAME_DIR/save/
    uint32_t maxMs = 600000; // headless: a run still going then is closed
    std::string gameDir;     // empty: the executable's folder
    // The window shows every frame pixel as scale x scale pixels (the headless backend
    // keeps frames frame-sized).
    int32_t scale = 1;
};

inline constexpr int32_t kMaxScale = 8;

inline constexpr char kUsage[] =
    "usage: velmira [--headless] [--timeline FILE] [--audio-out FILE.wav] [--trace]\n"
    "               [--save-dir DIR] [--max-ms N] [--scale 1-8] [GAME_DIR]\n";

// False with a message for a bad command line (the program then exits with 2).
bool parseOptions(int argc, const char* const* argv, Options& options, std::string& error);

} // namespace velmira
