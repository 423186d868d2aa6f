// The subcommands of velmira-tool. Each lives in its own file and is listed once in the
// table of velmira_tool.cpp. A command gets the arguments after its name and returns the
// process exit status.
#pragma once

#include <string>
#include <vector>

namespace velmira::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // the work could not be done
inline constexpr int kExitUsage = 2;   // the command line was wrong

using Args = std::vector<std::string>;

int runPack(const Args& args);
int runList(const Args& args);
int runUnpack(const Args& args);
int runLint(const Args& args);

} // namespace velmira::tool
