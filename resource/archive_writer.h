// Building archives in memory: the packing tool and test fixtures use this to produce
// files that ArchiveIndex mounts. The layout is the one described in archive.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmira {

struct ArchiveMember {
    std::string name;          // Shift-JIS, "\" between folder and file; 1-255 bytes
    std::vector<uint8_t> data; // the member's plain bytes
    uint8_t key = 1;           // 0 stores the data plain
};

// The bytes of a complete archive: header, index in the given order (names scrambled
// with one stream seeded 0x4C1D), then the members' data back to back in the same order,
// each scrambled with a fresh stream seeded 0x4C1D + key. Names are stored as given (the
// index lower-cases them when mounting). Returns an empty vector when a name is empty or
// longer than 255 bytes, or when the archive would not fit 32-bit offsets.
std::vector<uint8_t> buildArchive(uint32_t revision, const std::vector<ArchiveMember>& members);

// buildArchive made the content of path as a whole (platform::replaceFile): a failed
// write leaves the file that was there before untouched, and a link at path is replaced,
// not followed. False when building or writing fails, with the reason in error when given.
bool writeArchiveFile(const std::string& path, uint32_t revision,
                      const std::vector<ArchiveMember>& members, std::string* error = nullptr);

} // namespace velmira
