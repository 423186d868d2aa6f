#include "app/icons.h"

#include <cstdlib>

namespace velmira {
namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

template <typename Pixel> platform::IconImage draw(const char* name, Pixel pixel) {
    platform::IconImage icon;
    icon.name = name;
    icon.width = kIconSize;
    icon.height = kIconSize;
    icon.rgba.reserve(static_cast<size_t>(kIconSize) * kIconSize * 4);
    for (int32_t y = 0; y < kIconSize; ++y)
        for (int32_t x = 0; x < kIconSize; ++x) {
            const Rgba p = pixel(x, y);
            icon.rgba.insert(icon.rgba.end(), {p.r, p.g, p.b, p.a});
        }
    return icon;
}

Rgba emblem(int32_t x, int32_t y) {
    // Distance from the centre in the diamond metric, in half pixels.
    const int32_t d = std::abs(2 * x - (kIconSize - 1)) + std::abs(2 * y - (kIconSize - 1));
    if (d > 30) return {0, 0, 0, 0};
    if (d > 24) return {28, 44, 110, 255};  // dark blue ring
    if (d > 10) return {232, 180, 48, 255}; // gold
    return {252, 236, 170, 255};            // a pale heart
}

Rgba notePage(int32_t x, int32_t y) {
    constexpr int32_t left = 5, right = 26, top = 2, bottom = 29, fold = 6;
    if (x < left || x > right || y < top || y > bottom) return {0, 0, 0, 0};
    // The folded top right corner.
    const int32_t cornerX = x - (right - fold), cornerY = y - top;
    if (cornerX > 0 && cornerY < fold) {
        if (cornerX > cornerY) return {0, 0, 0, 0};
        if (cornerX == cornerY) return {96, 96, 96, 255};
        return {200, 200, 200, 255};
    }
    if (x == left || x == right || y == bottom || (y == top && x <= right - fold))
        return {96, 96, 96, 255}; // outline
    if (y >= top + 7 && (y - top) % 4 == 3 && x > left + 2 && x < right - 1)
        return {70, 110, 220, 255}; // ruled lines
    return {255, 255, 255, 255};
}

} // namespace

const platform::IconImage& gameIcon() {
    static const platform::IconImage icon = draw("game", emblem);
    return icon;
}

const platform::IconImage& notepadIcon() {
    static const platform::IconImage icon = draw("notepad", notePage);
    return icon;
}

} // namespace velmira
