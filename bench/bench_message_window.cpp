// The message window on the IPA fonts:
//  - MessageDraw: one frame of the window (text layer and wait icon onto an 800 x 600
//    Bgr24 frame) after a page of `chars` characters; characters were composited when
//    revealed, so the cost must not grow with the text;
//  - MessageReveal: a 200-character page laid out at once (budget -1) or one time unit per
//    call as the typing loop does (every call after the first finds most of its budget
//    spent); both lay out each character once.
// No peer: nothing else lays out this markup.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/japanese_page.h"
#include "platform/encoding.h"
#include "platform/fonts/freetype_fonts.h"
#include "resource/archive.h"
#include "resource/preferences.h"
#include "resource/sjis.h"
#include "text/message_window.h"

namespace velmira {
namespace {

// The shared page with ruby over one word ("|base(ruby)"), in Shift-JIS.
std::string pageWithRuby() {
    std::string text = kJapanesePageUtf8;
    const std::string base = "灯台";
    text.replace(text.find(base), base.size(), "|灯台(とうだい)");
    return platform::utf8ToSjis(text);
}

struct Window {
    platform::FreeTypeFontEngine fonts{{platform::defaultFaceTable(), false}};
    Trace trace;
    ArchiveIndex archives{"/nonexistent/", trace};
    UserPreferences preferences;
    GlyphRenderer renderer;
    MessageWindow window{fonts, renderer, archives, preferences};
};

// The first `chars` characters of the page, repeated as needed. The ruby marks count as
// characters too; they are one byte each, every other character two.
std::string page(int64_t chars) {
    static const std::string all = pageWithRuby();
    std::string out;
    size_t i = 0;
    for (int64_t n = 0; n < chars; ++n) {
        if (i == all.size()) i = 0;
        const size_t length = sjis::characterLength(all, i);
        out.append(all, i, length);
        i += length;
    }
    return out;
}

void MessageDraw(benchmark::State& state) {
    Window w;
    const bool novel = state.range(0) != 0;
    w.window.switchLayout(novel);
    w.window.clearPage(novel ? 1 : 0);
    w.window.setText(page(state.range(1)));
    w.window.setName("", novel);
    w.window.reveal(-1);
    OwnedSurface frame;
    frame.create(PixelFormat::Bgr24, 800, 600);
    uint32_t now = 0;
    for (auto _ : state) {
        w.window.draw(frame, true, now += 16);
        benchmark::DoNotOptimize(frame.pixels());
    }
}
BENCHMARK(MessageDraw)
    ->ArgNames({"novel", "chars"})
    ->Args({0, 10})
    ->Args({0, 40})
    ->Args({1, 10})
    ->Args({1, 200})
    ->Unit(benchmark::kMicrosecond);

void MessageReveal(benchmark::State& state) {
    Window w;
    w.window.switchLayout(true);
    const std::string text = page(200);
    const bool stepByStep = state.range(0) != 0;
    for (auto _ : state) {
        w.window.clearPage(1);
        w.window.setText(text);
        w.window.setName("", true);
        if (stepByStep) {
            for (int32_t budget = 1; w.window.reveal(budget); ++budget) {
            }
        } else {
            w.window.reveal(-1);
        }
        benchmark::DoNotOptimize(w.window.textLayer().pixels());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 200);
}
BENCHMARK(MessageReveal)->ArgNames({"step_by_step"})->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velmira
