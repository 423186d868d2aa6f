// velmira-tool pack OUT.dat --revision N [--key K] DIR
//
// Every regular file below DIR becomes one member, named by its path below DIR with "\"
// between the parts, converted to Shift-JIS and lower-cased as the archive index would.
// Members are stored sorted by name, their data after the index. OUT is replaced as a
// whole, so a failed write (a full disk) leaves the archive that was there before.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "platform/encoding.h"
#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "resource/sjis.h"
#include "tools/commands.h"
#include "tools/member_names.h"

namespace velmira::tool {
namespace fs = std::filesystem;
namespace {

bool readFile(const fs::path& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The member name of a path below the packed folder; empty when a part has no Shift-JIS
// spelling (it would not come back unchanged on unpacking).
std::string memberNameOf(const fs::path& relative) {
    std::string name;
    for (const fs::path& part : relative) {
        const std::string utf8 = part.string();
        const std::string sjis = platform::utf8ToSjis(utf8);
        if (platform::sjisToUtf8(sjis) != utf8) return {};
        if (!name.empty()) name.push_back('\\');
        name += sjis;
    }
    return sjis::lowerAscii(name);
}

} // namespace

int runPack(const Args& args) {
    std::vector<std::string> positional;
    std::optional<unsigned long> revision;
    unsigned long key = 1;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--revision" || args[i] == "--key") {
            if (i + 1 >= args.size()) return kExitUsage;
            const auto value = parseNumber(args[i + 1], args[i] == "--key" ? 255 : UINT32_MAX);
            if (!value) return kExitUsage;
            (args[i] == "--key" ? key : revision.emplace()) = *value;
            ++i;
        } else if (args[i].starts_with("--")) {
            return kExitUsage;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2 || !revision) return kExitUsage;
    const fs::path out = positional[0];
    const fs::path dir = positional[1];

    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "velmira-tool pack: %s is not a folder\n", dir.c_str());
        return kExitFailure;
    }
    std::vector<ArchiveMember> members;
    std::set<std::string> names;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        // A previous output inside the packed folder is not packed into itself.
        if (fs::exists(out) && fs::equivalent(it->path(), out, ec)) continue;
        const fs::path relative = it->path().lexically_relative(dir);
        ArchiveMember member;
        member.name = memberNameOf(relative);
        member.key = static_cast<uint8_t>(key);
        if (member.name.empty() || member.name.size() > 255) {
            std::fprintf(stderr, "velmira-tool pack: cannot name a member after %s\n",
                         relative.c_str());
            return kExitFailure;
        }
        if (!names.insert(member.name).second) {
            std::fprintf(stderr, "velmira-tool pack: %s names the same member as another file\n",
                         relative.c_str());
            return kExitFailure;
        }
        if (!readFile(it->path(), member.data)) {
            std::fprintf(stderr, "velmira-tool pack: cannot read %s\n", it->path().c_str());
            return kExitFailure;
        }
        members.push_back(std::move(member));
    }
    if (ec) {
        std::fprintf(stderr, "velmira-tool pack: cannot list %s: %s\n", dir.c_str(),
                     ec.message().c_str());
        return kExitFailure;
    }
    std::sort(members.begin(), members.end(),
              [](const ArchiveMember& a, const ArchiveMember& b) { return a.name < b.name; });
    std::string error;
    if (!writeArchiveFile(out.string(), static_cast<uint32_t>(*revision), members, &error)) {
        std::fprintf(stderr, "velmira-tool pack: cannot write %s: %s\n", out.c_str(),
                     error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmira::tool
