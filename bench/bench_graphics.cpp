// The pixel layer side by side with its peers, on 800 x 600 pictures:
//  - copy with alpha and every blend mode vs pixman's matching operator (pixman works on
//    premultiplied 4-byte pixels; the frame here is the engine's 3-byte Bgr24);
//  - copy frame and fill screen vs memcpy / memset of the same bytes;
//  - PNG decoding vs libpng's simplified API asked for the same byte order.
// Pictures are generated deterministically; "sprite" alpha is a character-like shape (clear
// surround, opaque body, soft edge), "varied" alpha is translucent everywhere.
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <png.h>

#include <cstring>
#include <memory>
#include <vector>

#include "graphics/blitter.h"
#include "graphics/png_decoder.h"

namespace velmira {
namespace {

constexpr int32_t kW = 800, kH = 600;

uint32_t nextRandom(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 16;
}

// Smooth photo-like colour with a little grain.
void photoPixel(int32_t x, int32_t y, uint32_t& seed, uint8_t rgb[3]) {
    const int32_t cx = x - 400, cy = y - 300;
    const int32_t radial = (cx * cx + cy * cy) >> 10;
    rgb[0] = uint8_t(((x * 5) / 16 + radial + (nextRandom(seed) & 7)) & 255);
    rgb[1] = uint8_t((y * 3 / 8 + (x * y >> 11) + (nextRandom(seed) & 7)) & 255);
    rgb[2] = uint8_t((128 + ((x + y) >> 2) - radial / 2 + (nextRandom(seed) & 7)) & 255);
}

enum class AlphaShape { Sprite, Varied };

uint8_t alphaAt(AlphaShape shape, int32_t x, int32_t y, uint32_t& seed) {
    if (shape == AlphaShape::Varied)
        return uint8_t(1 + (x + 3 * y + (nextRandom(seed) & 15)) % 254);
    // Ellipse body; a 12-pixel soft edge.
    const int32_t dx = (x - 400) * 3 / 4, dy = y - 320;
    const int32_t d = dx * dx + dy * dy;
    const int32_t inner = 230 * 230, outer = 242 * 242;
    if (d <= inner) return 255;
    if (d >= outer) return 0;
    return uint8_t(255 - (d - inner) * 255 / (outer - inner));
}

struct Pictures {
    OwnedSurface sprite;     // Abgr32, sprite alpha
    OwnedSurface varied;     // Abgr32, varied alpha
    OwnedSurface background; // Bgr24
    // pixman equivalents: premultiplied a8r8g8b8 pictures and an x8r8g8b8 frame
    std::vector<uint32_t> pmSprite, pmVaried, pmBackground;

    Pictures() {
        sprite.create(PixelFormat::Abgr32, kW, kH);
        varied.create(PixelFormat::Abgr32, kW, kH);
        background.create(PixelFormat::Bgr24, kW, kH);
        pmSprite.resize(size_t(kW) * kH);
        pmVaried.resize(size_t(kW) * kH);
        pmBackground.resize(size_t(kW) * kH);
        uint32_t seed = 1;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const size_t i = size_t(y) * kW + x;
                uint8_t rgb[3];
                photoPixel(x, y, seed, rgb);
                uint8_t* b = background.pixels() + i * 3;
                b[0] = rgb[2];
                b[1] = rgb[1];
                b[2] = rgb[0];
                pmBackground[i] = 0xff000000u | (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
                photoPixel(kW - 1 - x, y, seed, rgb);
                for (int k = 0; k < 2; ++k) {
                    OwnedSurface& s = k == 0 ? sprite : varied;
                    const uint8_t a =
                        alphaAt(k == 0 ? AlphaShape::Sprite : AlphaShape::Varied, x, y, seed);
                    uint8_t* p = s.pixels() + i * 4;
                    p[0] = a;
                    p[1] = rgb[2];
                    p[2] = rgb[1];
                    p[3] = rgb[0];
                    auto pre = [a](uint8_t c) { return uint32_t(mul255(c, a)); };
                    (k == 0 ? pmSprite : pmVaried)[i] = (uint32_t(a) << 24) | (pre(rgb[0]) << 16) |
                                                        (pre(rgb[1]) << 8) | pre(rgb[2]);
                }
            }
    }
};

const Pictures& pictures() {
    static const Pictures p;
    return p;
}

// ---- ours ------------------------------------------------------------------------------

// Second argument: 1 runs the portable loops instead of the AVX2 ones.
void BM_OursCopyAlpha(benchmark::State& state) {
    const Pictures& p = pictures();
    const Surface& src = state.range(0) == 0 ? p.sprite : p.varied;
    const BlitKernels original = activeBlitKernels();
    if (state.range(1) == 1) selectBlitKernels(BlitKernels::Portable);
    OwnedSurface frame;
    frame.assign(p.background);
    for (auto _ : state) {
        copy(frame, src, 0, 0);
        benchmark::ClobberMemory();
    }
    selectBlitKernels(original);
}
BENCHMARK(BM_OursCopyAlpha)
    ->ArgNames({"varied", "portable"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1});

void BM_OursBlend(benchmark::State& state) {
    const Pictures& p = pictures();
    const auto mode = static_cast<BlendMode>(state.range(0));
    const int32_t opacity = int32_t(state.range(1));
    OwnedSurface frame;
    frame.assign(p.background);
    for (auto _ : state) {
        // Fresh frame each time so that saturating modes keep working on real data.
        state.PauseTiming();
        std::memcpy(frame.pixels(), p.background.pixels(), p.background.byteCount());
        state.ResumeTiming();
        blend(frame, p.varied, mode, 0, 0, opacity);
        benchmark::ClobberMemory();
    }
}

// ---- pixman ----------------------------------------------------------------------------

struct PixmanImages {
    pixman_image_t* src = nullptr;
    pixman_image_t* dst = nullptr;
    pixman_image_t* mask = nullptr;
    std::vector<uint32_t> frame;
    PixmanImages(const std::vector<uint32_t>& source, int32_t opacity) {
        const Pictures& p = pictures();
        frame = p.pmBackground;
        src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH,
                                       const_cast<uint32_t*>(source.data()), kW * 4);
        dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, frame.data(), kW * 4);
        if (opacity < 255) {
            const pixman_color_t c = {0, 0, 0, uint16_t(opacity * 257)};
            mask = pixman_image_create_solid_fill(&c);
        }
    }
    ~PixmanImages() {
        pixman_image_unref(src);
        pixman_image_unref(dst);
        if (mask) pixman_image_unref(mask);
    }
    void run(pixman_op_t op) {
        pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, 0, 0, kW, kH);
    }
};

void BM_PixmanOver(benchmark::State& state) {
    const Pictures& p = pictures();
    PixmanImages images(state.range(0) == 0 ? p.pmSprite : p.pmVaried, 255);
    for (auto _ : state) {
        images.run(PIXMAN_OP_OVER);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PixmanOver)->Arg(0)->Arg(1)->ArgName("varied");

pixman_op_t pixmanOperator(BlendMode mode) {
    switch (mode) {
    case BlendMode::Normal:
        return PIXMAN_OP_OVER;
    case BlendMode::Add:
        return PIXMAN_OP_ADD;
    case BlendMode::Multi:
        return PIXMAN_OP_MULTIPLY;
    case BlendMode::Screen:
        return PIXMAN_OP_SCREEN;
    case BlendMode::Overlay:
        return PIXMAN_OP_OVERLAY;
    case BlendMode::Darken:
        return PIXMAN_OP_DARKEN;
    case BlendMode::Lighten:
        return PIXMAN_OP_LIGHTEN;
    case BlendMode::Difference:
        return PIXMAN_OP_DIFFERENCE;
    case BlendMode::Exclusion:
        return PIXMAN_OP_EXCLUSION;
    case BlendMode::Hardlight:
        return PIXMAN_OP_HARD_LIGHT;
    case BlendMode::Softlight:
        return PIXMAN_OP_SOFT_LIGHT;
    case BlendMode::Dodge:
        return PIXMAN_OP_COLOR_DODGE;
    case BlendMode::Burn:
        return PIXMAN_OP_COLOR_BURN;
    default:
        return PIXMAN_OP_CLEAR; // Sub has no pixman operator
    }
}

void BM_PixmanBlend(benchmark::State& state) {
    const Pictures& p = pictures();
    const auto mode = static_cast<BlendMode>(state.range(0));
    PixmanImages images(p.pmVaried, int32_t(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        images.frame = p.pmBackground;
        state.ResumeTiming();
        images.run(pixmanOperator(mode));
        benchmark::ClobberMemory();
    }
}

void blendArgs(benchmark::internal::Benchmark* b, bool pixman) {
    b->ArgNames({"mode", "opacity"});
    for (int mode = 1; mode <= 15; ++mode) {
        if (mode == 5 || (pixman && mode == 3)) continue; // no Div routine; pixman has no Sub
        b->Args({mode, 255})->Args({mode, 128});
    }
}
BENCHMARK(BM_OursBlend)->Apply([](auto* b) { blendArgs(b, false); });
BENCHMARK(BM_PixmanBlend)->Apply([](auto* b) { blendArgs(b, true); });

// ---- frame copy and fill vs memcpy / memset --------------------------------------------

void BM_OursCopyFrame(benchmark::State& state) {
    OwnedSurface a, b;
    a.create(PixelFormat::Bgr24, kW, kH);
    b.assign(pictures().background);
    for (auto _ : state) {
        copyFrame(a, b, {kW, kH});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_OursCopyFrame);

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint8_t> a(size_t(kW) * kH * 3), b(a.size(), 7);
    for (auto _ : state) {
        std::memcpy(a.data(), b.data(), a.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy);

// grey:1 fills black (equal channels become one memset), grey:0 a true colour.
void BM_OursFillScreen(benchmark::State& state) {
    OwnedSurface a;
    a.create(PixelFormat::Bgr24, kW, kH);
    const Rgb colour = state.range(0) ? Rgb{0, 0, 0} : Rgb{10, 20, 30};
    for (auto _ : state) {
        fillScreen(a, colour, {kW, kH});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_OursFillScreen)->Arg(0)->Arg(1)->ArgName("grey");

void BM_Memset(benchmark::State& state) {
    std::vector<uint8_t> a(size_t(kW) * kH * 3);
    for (auto _ : state) {
        std::memset(a.data(), 20, a.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memset);

// ---- PNG decoding ------------------------------------------------------------------------

std::vector<uint8_t> encodePhoto(bool alpha) {
    std::vector<uint8_t> rgba(size_t(kW) * kH * 4);
    uint32_t seed = 7;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            uint8_t* p = rgba.data() + (size_t(y) * kW + x) * 4;
            photoPixel(x, y, seed, p);
            p[3] = alphaAt(AlphaShape::Sprite, x, y, seed);
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kW;
    image.height = kH;
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<uint8_t> rgbOnly;
    const void* pixels = rgba.data();
    if (!alpha) {
        rgbOnly.resize(size_t(kW) * kH * 3);
        for (size_t i = 0; i < size_t(kW) * kH; ++i)
            std::memcpy(&rgbOnly[i * 3], &rgba[i * 4], 3);
        pixels = rgbOnly.data();
    }
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr);
    std::vector<uint8_t> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr);
    out.resize(size);
    return out;
}

const std::vector<uint8_t>& photoPng(bool alpha) {
    static const std::vector<uint8_t> rgba = encodePhoto(true);
    static const std::vector<uint8_t> rgb = encodePhoto(false);
    return alpha ? rgba : rgb;
}

void BM_OursDecodePng(benchmark::State& state) {
    const auto& file = photoPng(state.range(0) != 0);
    for (auto _ : state) {
        OwnedSurface s;
        if (!decodePng(file.data(), file.size(), s)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(s.pixels());
    }
    state.counters["file_bytes"] = double(file.size());
}
BENCHMARK(BM_OursDecodePng)->Arg(1)->Arg(0)->ArgName("rgba");

void BM_LibpngDecodePng(benchmark::State& state) {
    const bool alpha = state.range(0) != 0;
    const auto& file = photoPng(alpha);
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
            state.SkipWithError("begin failed");
        // The engine's byte orders: A, B, G, R and B, G, R.
        image.format = alpha ? PNG_FORMAT_ABGR : PNG_FORMAT_BGR;
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[PNG_IMAGE_SIZE(image)]);
        if (!png_image_finish_read(&image, nullptr, buffer.get(), 0, nullptr))
            state.SkipWithError("finish failed");
        benchmark::DoNotOptimize(buffer.get());
    }
}
BENCHMARK(BM_LibpngDecodePng)->Arg(1)->Arg(0)->ArgName("rgba");

} // namespace
} // namespace velmira
