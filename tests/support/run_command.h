// Runs a shell command line (a built program of the project) and keeps what it printed
// on standard output with its exit status. Redirect standard error in the command line
// ("2>&1", "2>/dev/null") as the test needs.
#pragma once

#include <stdio.h>
#include <sys/wait.h>

#include <string>

namespace velmira::test {

struct CommandRun {
    int status = -1; // exit status; -1 when the program did not exit normally
    std::string out;
};

inline CommandRun runCommand(const std::string& commandLine) {
    CommandRun run;
    FILE* pipe = ::popen(commandLine.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

} // namespace velmira::test
