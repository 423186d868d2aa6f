// velmira-tool list ARCHIVE: one line per index entry, in file order:
// name (UTF-8), size, key, revision, separated by tabs.
#include <cstdio>

#include "platform/encoding.h"
#include "resource/archive.h"
#include "tools/commands.h"

namespace velmira::tool {

int runList(const Args& args) {
    if (args.size() != 1) return kExitUsage;
    ArchiveDirectory directory;
    if (!readArchiveDirectory(args[0], directory)) {
        std::fprintf(stderr, "velmira-tool list: %s is not a readable archive\n", args[0].c_str());
        return kExitFailure;
    }
    for (const ArchiveDirectoryEntry& e : directory.entries) {
        std::printf("%s\t%u\t%u\t%u\n", platform::sjisToUtf8(e.name).c_str(), e.size,
                    static_cast<unsigned>(e.key), directory.revision);
    }
    if (!directory.complete) {
        std::fprintf(stderr, "velmira-tool list: the index of %s is cut short\n", args[0].c_str());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmira::tool
