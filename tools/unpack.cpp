// velmira-tool unpack ARCHIVE DIR: writes every member to DIR/<folder>/<file>, reading it
// exactly as the engine does. Nothing is written outside DIR: names that would leave it
// are refused, and so is a member below a link (or anything but a folder) found inside
// DIR; a link at a member's own path is replaced by the member, not followed. Each
// refused member is reported; the other members are still written. DIR itself is created
// when missing and may be a link.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/encoding.h"
#include "platform/files.h"
#include "resource/archive.h"
#include "tools/commands.h"
#include "tools/member_names.h"

namespace velmira::tool {
namespace fs = std::filesystem;

int runUnpack(const Args& args) {
    if (args.size() != 2) return kExitUsage;
    const std::string& archive = args[0];
    const fs::path dir = args[1];
    ArchiveDirectory directory;
    if (!readArchiveDirectory(archive, directory)) {
        std::fprintf(stderr, "velmira-tool unpack: %s is not a readable archive\n",
                     archive.c_str());
        return kExitFailure;
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "velmira-tool unpack: cannot create %s: %s\n", dir.c_str(),
                     ec.message().c_str());
        return kExitFailure;
    }
    Trace trace;
    trace.setSink(
        [](std::string_view text) { std::fputs(platform::sjisToUtf8(text).c_str(), stderr); });
    const ArchiveIndex index("", trace);
    int status = kExitOk;
    for (const ArchiveDirectoryEntry& e : directory.entries) {
        const std::string shown = platform::sjisToUtf8(e.name);
        const auto parts = writtenMemberParts(e.name);
        if (!parts) {
            std::fprintf(stderr, "velmira-tool unpack: refusing member %s\n", shown.c_str());
            status = kExitFailure;
            continue;
        }
        ArchiveReader reader(index);
        std::vector<uint8_t> data;
        if (!reader.openArchiveMember(archive, e.name, e.offset, e.size, e.key) ||
            !reader.readAll(data)) {
            std::fprintf(stderr, "velmira-tool unpack: cannot read member %s\n", shown.c_str());
            status = kExitFailure;
            continue;
        }
        std::string error;
        if (!platform::replaceFileBelow(dir.string(), *parts, data, &error)) {
            std::fprintf(stderr, "velmira-tool unpack: cannot write member %s: %s\n", shown.c_str(),
                         error.c_str());
            status = kExitFailure;
        }
    }
    if (!directory.complete) {
        std::fprintf(stderr, "velmira-tool unpack: the index of %s is cut short\n",
                     archive.c_str());
        status = kExitFailure;
    }
    return status;
}

} // namespace velmira::tool
