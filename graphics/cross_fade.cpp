// The byte loops of the cross-fade and of dim. Every screen buffer is treated as one flat
// run of bytes; each byte is computed on its own, so the B, G, R layout does not matter.
//
// The loops work on 16-bit lanes through the compiler's vector types, which it lowers to
// the vector unit whatever the optimisation level (a plain loop over three possibly
// aliasing buffers is not vectorised at -O2). A vector of eight 16-bit words holds sixteen
// bytes: the even bytes are the low halves of the words, the odd bytes the high halves, and
// both halves go through the same formula, so no unpacking is needed and the result does
// not depend on the byte order of the machine. Every sum stays below 2^16:
// 255 l + 255 (255 - l) = 65025 and 255 l + 255 (256 - l) = 65280.
#include <algorithm>
#include <cstring>

#include "graphics/transitions.h"

namespace velmira {

namespace {

using u16x8 = uint16_t __attribute__((vector_size(16)));
constexpr size_t kVectorBytes = sizeof(u16x8);

inline u16x8 load(const uint8_t* p) {
    u16x8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store(uint8_t* p, u16x8 v) {
    std::memcpy(p, &v, sizeof v);
}

// (S w + P v) >> 8 for every byte of 16, with w + v at most 256.
inline u16x8 weighted(u16x8 s, u16x8 p, uint16_t w, uint16_t v) {
    const u16x8 low = ((s & 0xFF) * w + (p & 0xFF) * v) >> 8;
    const u16x8 high = ((s >> 8) * w + (p >> 8) * v) & 0xFF00;
    return low | high;
}

// The whole run of bytes, the tail that does not fill a vector included: the loops of old
// covered only whole 4- or 8-byte words and left the last bytes of a frame whose size is
// not a multiple of that showing stale pixels.
void weightedRun(uint8_t* front, const uint8_t* scene, const uint8_t* previous, size_t bytes,
                 uint16_t w, uint16_t v) {
    size_t i = 0;
    for (; i + 2 * kVectorBytes <= bytes; i += 2 * kVectorBytes) {
        // All loads before the stores: front may be one of the inputs.
        const u16x8 s0 = load(scene + i), s1 = load(scene + i + kVectorBytes);
        const u16x8 p0 = load(previous + i), p1 = load(previous + i + kVectorBytes);
        store(front + i, weighted(s0, p0, w, v));
        store(front + i + kVectorBytes, weighted(s1, p1, w, v));
    }
    for (; i < bytes; ++i)
        front[i] = static_cast<uint8_t>((scene[i] * w + previous[i] * v) >> 8);
}

uint16_t clampLevel(int32_t level) {
    return static_cast<uint16_t>(std::clamp(level, 0, 255));
}

} // namespace

void crossFadePlain(uint8_t* front, const uint8_t* scene, const uint8_t* previous, size_t bytes,
                    int32_t level) {
    const uint16_t l = clampLevel(level);
    weightedRun(front, scene, previous, bytes, l, static_cast<uint16_t>(255 - l));
}

// The MMX formula's products need no saturation here: the sum never exceeds 255 * 256, so
// the shifted result is at most 255 already.
void crossFadeMmx(uint8_t* front, const uint8_t* scene, const uint8_t* previous, size_t bytes,
                  int32_t level) {
    const uint16_t l = clampLevel(level);
    weightedRun(front, scene, previous, bytes, l, static_cast<uint16_t>(256 - l));
}

void dim(uint8_t* dst, const uint8_t* src, size_t bytes, int32_t level) {
    const uint16_t l = clampLevel(level);
    size_t i = 0;
    for (; i + kVectorBytes <= bytes; i += kVectorBytes) {
        const u16x8 s = load(src + i);
        store(dst + i, (((s & 0xFF) * l) >> 8) | (((s >> 8) * l) & 0xFF00));
    }
    for (; i < bytes; ++i)
        dst[i] = static_cast<uint8_t>((src[i] * l) >> 8);
}

} // namespace velmira
