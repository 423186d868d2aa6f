// velmira-tool unpack ARCHIVE DIR: writes every member to DIR/<folder>/<file>, reading it
// exactly as the engine does. Names that would leave DIR are refused (and reported); the
// other members are still written.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/encoding.h"
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
    Trace trace;
    trace.setSink(
        [](std::string_view text) { std::fputs(platform::sjisToUtf8(text).c_str(), stderr); });
    const ArchiveIndex index("", trace);
    int status = kExitOk;
    for (const ArchiveDirectoryEntry& e : directory.entries) {
        const std::string shown = platform::sjisToUtf8(e.name);
        const auto parts = safeMemberParts(e.name);
        if (!parts) {
            std::fprintf(stderr, "velmira-tool unpack: refusing member %s\n", shown.c_str());
            status = kExitFailure;
            continue;
        }
        fs::path target = dir;
        for (const std::string& part : *parts)
            target /= platform::sjisToUtf8(part);
        ArchiveReader reader(index);
        std::vector<uint8_t> data;
        if (!reader.openArchiveMember(archive, e.name, e.offset, e.size, e.key) ||
            !reader.readAll(data)) {
            std::fprintf(stderr, "velmira-tool unpack: cannot read member %s\n", shown.c_str());
            status = kExitFailure;
            continue;
        }
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(data.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "velmira-tool unpack: cannot write %s\n", target.c_str());
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
