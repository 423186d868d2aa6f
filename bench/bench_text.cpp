// A page of Japanese text through the glyph renderer, side by side with FreeType drawing the
// same characters antialiased by itself:
//  - GlyphPage: 200 characters rendered by GlyphRenderer (a one-bit bitmap at eight times
//    the size from the font engine, reduced 8x8) and composited into an 800 x 600 Abgr32
//    layer twice, shadow and text, as the message window draws them; per font of the
//    message window (proportional Gothic 24/400, proportional Mincho 24/700);
//    with `composite` 0 the same without compositing; with `fresh` 1 each page is drawn
//    by a font made for it (timing paused), so that no glyph comes from the font's cache:
//    a page of characters never seen before;
//  - FreeTypeNormal: FreeType loading and rendering the same characters at a 24-pixel em,
//    FT_RENDER_MODE_NORMAL (its own 256-level antialiasing), outlines only, unhinted, no
//    cache.
// The engine draws every character anew; the font engine keeps the one-bit glyphs it made.
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/japanese_page.h"
#include "graphics/surface.h"
#include "platform/encoding.h"
#include "platform/fonts/freetype_fonts.h"
#include "resource/sjis.h"
#include "text/glyph_renderer.h"

namespace velmira {
namespace {

struct Page {
    std::vector<uint32_t> sjis;    // character codes as the engine holds them
    std::vector<char32_t> unicode; // the same characters for FreeType's own map
};

Page makePage() {
    Page page;
    const std::string text = platform::utf8ToSjis(kJapanesePageUtf8);
    platform::SjisCharDecoder decoder;
    for (size_t i = 0; i < text.size(); i += sjis::characterLength(text, i)) {
        uint32_t code = static_cast<uint8_t>(text[i]);
        if (sjis::characterLength(text, i) == 2) code = code << 8 | uint8_t(text[i + 1]);
        page.sjis.push_back(code);
        page.unicode.push_back(decoder.decode(code));
    }
    return page;
}

const Page& page() {
    static const Page p = makePage();
    return p;
}

const char* faceFor(int64_t which) {
    return which == 0 ? platform::kFacePGothic : platform::kFacePMincho;
}
int32_t weightFor(int64_t which) {
    return which == 0 ? 400 : 700;
}

void GlyphPage(benchmark::State& state) {
    platform::FreeTypeFontEngine engine({platform::defaultFaceTable(), false});
    auto font = engine.createFont(faceFor(state.range(0)), 24, weightFor(state.range(0)));
    if (!font) {
        state.SkipWithError("the IPA fonts are missing (scripts/setup.sh)");
        return;
    }
    GlyphRenderer renderer;
    OwnedSurface layer;
    layer.create(PixelFormat::Abgr32, 800, 600);
    const bool composite = state.range(1) != 0;
    const bool fresh = state.range(2) != 0;
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            font = engine.createFont(faceFor(state.range(0)), 24, weightFor(state.range(0)));
            state.ResumeTiming();
        }
        std::memset(layer.pixels(), 0, layer.byteCount());
        int32_t x = 80, y = 40;
        for (uint32_t code : page().sjis) {
            if (x + 24 > 720) x = 80, y += 40;
            if (!renderer.render(font.get(), code, 1.0)) continue;
            if (composite) {
                renderer.composite(layer, x + 1, y + 1, {0, 0, 0});
                renderer.composite(layer, x, y, {255, 255, 255});
            }
            x += renderer.advanceX();
        }
        benchmark::DoNotOptimize(layer.pixels());
    }
    state.counters["chars"] = double(page().sjis.size()); // 200
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(page().sjis.size()));
}
BENCHMARK(GlyphPage)
    ->ArgNames({"mincho_bold", "composite", "fresh"})
    ->Args({0, 1, 0})
    ->Args({1, 1, 0})
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Args({0, 1, 1})
    ->Args({1, 1, 1})
    ->Unit(benchmark::kMicrosecond);

void FreeTypeNormal(benchmark::State& state) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    const std::vector<platform::FaceSource> table = platform::defaultFaceTable();
    const std::string& path = table[state.range(0) == 0 ? 1 : 2].path;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        state.SkipWithError("the IPA fonts are missing (scripts/setup.sh)");
        if (library) FT_Done_FreeType(library);
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, 24);
    for (auto _ : state) {
        int64_t ink = 0;
        for (char32_t c : page().unicode) {
            const FT_UInt index = FT_Get_Char_Index(face, c);
            if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING))
                continue;
            if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0)
                ink += face->glyph->bitmap.rows;
        }
        benchmark::DoNotOptimize(ink);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(page().unicode.size()));
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
BENCHMARK(FreeTypeNormal)->ArgNames({"mincho"})->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velmira
