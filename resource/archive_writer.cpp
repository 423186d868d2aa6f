#include "resource/archive_writer.h"

#include "platform/files.h"
#include "resource/archive.h"
#include "resource/byte_order.h"
#include "resource/keystream.h"

namespace velmira {

std::vector<uint8_t> buildArchive(uint32_t revision, const std::vector<ArchiveMember>& members) {
    uint64_t indexSize = 20;
    for (const ArchiveMember& m : members) {
        if (m.name.empty() || m.name.size() > 255) return {};
        indexSize += 10 + m.name.size();
    }
    uint64_t total = indexSize;
    for (const ArchiveMember& m : members)
        total += m.data.size();
    if (total > UINT32_MAX || members.size() > UINT32_MAX) return {};

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(total));
    out.insert(out.end(), kArchiveMagic, kArchiveMagic + sizeof kArchiveMagic);
    appendLe32(out, kArchiveVersion);
    appendLe32(out, revision);
    appendLe32(out, static_cast<uint32_t>(members.size()));

    Keystream names(Keystream::kArchiveSeed);
    uint32_t offset = static_cast<uint32_t>(indexSize);
    for (const ArchiveMember& m : members) {
        out.push_back(m.key);
        out.push_back(static_cast<uint8_t>(m.name.size()));
        const size_t at = out.size();
        out.insert(out.end(), m.name.begin(), m.name.end());
        names.apply(out.data() + at, m.name.size());
        appendLe32(out, offset);
        appendLe32(out, static_cast<uint32_t>(m.data.size()));
        offset += static_cast<uint32_t>(m.data.size());
    }
    for (const ArchiveMember& m : members) {
        const size_t at = out.size();
        out.insert(out.end(), m.data.begin(), m.data.end());
        if (m.key != 0) {
            Keystream data(Keystream::kArchiveSeed + m.key);
            data.apply(out.data() + at, m.data.size());
        }
    }
    return out;
}

bool writeArchiveFile(const std::string& path, uint32_t revision,
                      const std::vector<ArchiveMember>& members, std::string* error) {
    const std::vector<uint8_t> bytes = buildArchive(revision, members);
    if (bytes.empty()) {
        if (error)
            *error = "a member name is empty or longer than 255 bytes, or the archive is too big "
                     "for 32-bit offsets";
        return false;
    }
    return platform::replaceFile(path, bytes, error);
}

} // namespace velmira
