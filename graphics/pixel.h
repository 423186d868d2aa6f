// Pixel layouts and the integer arithmetic every drawing routine shares.
//
// All pixel arithmetic is integer-only. Products of two bytes are divided by 255 with one
// rounding rule (mul255); moving a value toward another by a weight uses mix. Both are
// exact on every input and are the reference the vectorised kernels must reproduce.
#pragma once

#include <cstdint>

namespace velmira {

// Bytes per pixel; the byte order inside a pixel is fixed, lowest address first.
enum class PixelFormat : uint8_t {
    Empty = 0,       // no pixels; every drawing operation on it fails
    Gray8 = 1,       // L (opaque)
    GrayAlpha16 = 2, // A, L
    Bgr24 = 3,       // B, G, R (opaque)
    Abgr32 = 4,      // A, B, G, R
};

constexpr int32_t bytesPerPixel(PixelFormat format) {
    return static_cast<int32_t>(format);
}
constexpr bool hasAlpha(PixelFormat format) {
    return format == PixelFormat::GrayAlpha16 || format == PixelFormat::Abgr32;
}

// A colour handed to the fill routines, in the order red, green, blue.
struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Layer drawing modes; the values are stored in save files and layer definitions.
enum class BlendMode : uint8_t {
    None = 0,
    Normal = 1,
    Add = 2,
    Sub = 3,
    Multi = 4,
    Div = 5, // accepted by layer definitions, but has no routine: never drawn
    Screen = 6,
    Overlay = 7,
    Dodge = 8,
    Burn = 9,
    Darken = 10,
    Lighten = 11,
    Difference = 12,
    Exclusion = 13,
    Hardlight = 14,
    Softlight = 15,
};

// a * b / 255, rounded; mul255(s, 255) == s for every byte s.
constexpr int32_t mul255(int32_t a, int32_t b) {
    const int32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// Moves d toward m by w/255 (w in 0..255); the result always lies between d and m and
// mix(d, m, 255) == m. ">>" on a negative value rounds toward minus infinity.
constexpr int32_t mix(int32_t d, int32_t m, int32_t w) {
    const int32_t t = (m - d) * w + 128;
    return d + ((t + (t >> 8)) >> 8);
}

// Combined coverage of two alphas.
constexpr int32_t unionAlpha(int32_t a, int32_t w) {
    return a + w - mul255(a, w);
}

// Grey level of a colour; white gives 254.
constexpr int32_t gray(int32_t r, int32_t g, int32_t b) {
    return (76 * r + 150 * g + 29 * b) >> 8;
}

} // namespace velmira
