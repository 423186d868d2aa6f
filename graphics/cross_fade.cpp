// The byte loops of the cross-fade and of dim. Every screen buffer is treated as one flat
// run of bytes; each byte is computed on its own, so the B, G, R layout does not matter.
//
// The loops work on 16-bit lanes through the compiler's vector types, which it lowers to
// the vector unit whatever the optimisation level (a plain loop over three possibly
// aliasing buffers is not vectorised at -O2). A vector of 16-bit words holds twice as many
// bytes: the even bytes are the low halves of the words, the odd bytes the high halves, and
// both halves go through the same formula, so no unpacking is needed and the result does
// not depend on the byte order of the machine. Every sum stays below 2^16:
// 255 l + 255 (255 - l) = 65025 and 255 l + 255 (256 - l) = 65280.
#include <algorithm>
#include <cstring>

#include "graphics/blitter.h"
#include "graphics/transitions.h"

namespace velmira {

namespace {

// A step is one register: 16 bytes in the baseline set, 32 with AVX2.
using u16x8 = uint16_t __attribute__((vector_size(16)));
using u16x16 = uint16_t __attribute__((vector_size(32)));

#define VELMIRA_INLINE inline __attribute__((always_inline))

template <typename V> VELMIRA_INLINE void load(V& v, const uint8_t* p) {
    std::memcpy(&v, p, sizeof v);
}
template <typename V> VELMIRA_INLINE void store(uint8_t* p, const V& v) {
    std::memcpy(p, &v, sizeof v);
}

// front := (S l + P (k - l)) >> 8 for every byte, k being 255 or 256. The loop is compiled
// once for the baseline instruction set and once for AVX2 (below); both give the same
// bytes. The whole run of bytes is covered, the tail that does not fill a step included:
// the loops of old covered only whole 4- or 8-byte words and left the last bytes of a
// frame whose size is not a multiple of that showing stale pixels.
template <uint16_t K, typename V>
VELMIRA_INLINE void weightedRun(uint8_t* front, const uint8_t* scene, const uint8_t* previous,
                                size_t bytes, uint16_t l) {
    size_t i = 0;
    for (; i + sizeof(V) <= bytes; i += sizeof(V)) {
        V s, p; // loaded before the store: front may be one of the inputs
        load(s, scene + i);
        load(p, previous + i);
        // S l + P (k - l) = P k + (S - P) l: one product per half. The difference wraps
        // around in 16 bits, but the sum it ends in lies in 0..65280, so it comes out
        // exact. P 256 is a shift (or a mask, for the high bytes), P 255 one more subtraction.
        const V pLow = p & 0xFF, pHigh = p >> 8;
        V low = (p << 8) + ((s & 0xFF) - pLow) * l;
        V high = (p & 0xFF00) + ((s >> 8) - pHigh) * l;
        if constexpr (K == 255) {
            low -= pLow;
            high -= pHigh;
        }
        store(front + i, (low >> 8) | (high & 0xFF00));
    }
    const uint16_t v = static_cast<uint16_t>(K - l);
    for (; i < bytes; ++i)
        front[i] = static_cast<uint8_t>((scene[i] * l + previous[i] * v) >> 8);
}

template <typename V>
VELMIRA_INLINE void dimRun(uint8_t* dst, const uint8_t* src, size_t bytes, uint16_t l) {
    size_t i = 0;
    for (; i + sizeof(V) <= bytes; i += sizeof(V)) {
        V s;
        load(s, src + i);
        store(dst + i, (((s & 0xFF) * l) >> 8) | (((s >> 8) * l) & 0xFF00));
    }
    for (; i < bytes; ++i)
        dst[i] = static_cast<uint8_t>((src[i] * l) >> 8);
}

using FadeFn = void (*)(uint8_t*, const uint8_t*, const uint8_t*, size_t, uint16_t);
using DimFn = void (*)(uint8_t*, const uint8_t*, size_t, uint16_t);

struct FadeKernels {
    FadeFn plain, mmx;
    DimFn dim;
};

// One set of the three loops, compiled with the given target attribute.
#define VELMIRA_FADE_KERNELS(set, attribute, V)                                                    \
    namespace set {                                                                                \
    attribute void plain(uint8_t* f, const uint8_t* s, const uint8_t* p, size_t n, uint16_t l) {   \
        weightedRun<255, V>(f, s, p, n, l);                                                        \
    }                                                                                              \
    attribute void mmx(uint8_t* f, const uint8_t* s, const uint8_t* p, size_t n, uint16_t l) {     \
        weightedRun<256, V>(f, s, p, n, l);                                                        \
    }                                                                                              \
    attribute void dim(uint8_t* d, const uint8_t* s, size_t n, uint16_t l) {                       \
        dimRun<V>(d, s, n, l);                                                                     \
    }                                                                                              \
    constexpr FadeKernels kKernels{plain, mmx, dim};                                               \
    }

VELMIRA_FADE_KERNELS(portable, , u16x8)
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
VELMIRA_FADE_KERNELS(avx2, __attribute__((target("avx2"))), u16x16)
#define VELMIRA_HAVE_AVX2_FADE 1
#endif

// The set follows the blitter's choice, so that tests and benchmarks switch both at once.
const FadeKernels& kernels() {
#ifdef VELMIRA_HAVE_AVX2_FADE
    if (activeBlitKernels() == BlitKernels::Avx2) return avx2::kKernels;
#endif
    return portable::kKernels;
}

uint16_t clampLevel(int32_t level) {
    return static_cast<uint16_t>(std::clamp(level, 0, 255));
}

} // namespace

void crossFadePlain(uint8_t* front, const uint8_t* scene, const uint8_t* previous, size_t bytes,
                    int32_t level) {
    kernels().plain(front, scene, previous, bytes, clampLevel(level));
}

// The MMX formula needs no saturation here: the sum never exceeds 255 * 256, so the
// shifted result is at most 255 already.
void crossFadeMmx(uint8_t* front, const uint8_t* scene, const uint8_t* previous, size_t bytes,
                  int32_t level) {
    kernels().mmx(front, scene, previous, bytes, clampLevel(level));
}

void dim(uint8_t* dst, const uint8_t* src, size_t bytes, int32_t level) {
    kernels().dim(dst, src, bytes, clampLevel(level));
}

} // namespace velmira
