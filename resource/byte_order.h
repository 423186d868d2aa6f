// The byte order of the engine's files: numbers in archives, save files, flag files, the
// preference record and WAV recordings are little-endian; PNG is big-endian. Plain shifts, so the
// same code is right on any processor (compilers turn them into single loads and byte swaps).
#pragma once

#include <cstdint>
#include <vector>

namespace velmira {

constexpr uint16_t readLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

constexpr uint32_t readLe32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

constexpr uint32_t readBe32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

constexpr void writeLe32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

inline void appendLe16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void appendLe32(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t bytes[4];
    writeLe32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

constexpr uint32_t byteSwap32(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

} // namespace velmira
