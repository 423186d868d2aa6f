// velmira-tool: works on the engine's files from the command line.
#include <cstdio>
#include <cstring>

#include "tools/commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const velmira::tool::Args& args);
    const char* usage;
};

// One line per subcommand.
constexpr Command kCommands[] = {
    {"pack", velmira::tool::runPack, "pack OUT.dat --revision N [--key K] DIR"},
    {"list", velmira::tool::runList, "list ARCHIVE"},
    {"unpack", velmira::tool::runUnpack, "unpack ARCHIVE DIR"},
    {"lint", velmira::tool::runLint, "lint GAME_DIR"},
};

void printUsage() {
    std::fputs("usage:\n", stderr);
    for (const Command& c : kCommands)
        std::fprintf(stderr, "  velmira-tool %s\n", c.usage);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage();
        return velmira::tool::kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
        printUsage();
        return velmira::tool::kExitOk;
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        const int status = c.run(velmira::tool::Args(argv + 2, argv + argc));
        if (status == velmira::tool::kExitUsage)
            std::fprintf(stderr, "usage: velmira-tool %s\n", c.usage);
        return status;
    }
    std::fprintf(stderr, "velmira-tool: unknown command '%s'\n", argv[1]);
    printUsage();
    return velmira::tool::kExitUsage;
}
