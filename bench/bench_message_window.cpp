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

#include "platform/encoding.h"
#include "platform/fonts/freetype_fonts.h"
#include "resource/archive.h"
#include "resource/preferences.h"
#include "text/message_window.h"

namespace velmira {
namespace {

constexpr char kPageUtf8[] =
    "雨上がりの坂道を、私はゆっくりと登っていった。濡れた石畳が夕日を映して、"
    "まるで金色の川のように光っている。遠くで鐘の音が三つ鳴り、港の方から汽笛が"
    "応えた。「もう少しだけ、待っていてくれる？」と彼女は言った。その声は風に"
    "消えそうなほど小さかったけれど、確かに届いた。私は頷き、鞄の中の古い手紙を"
    "握りしめた。今日こそ、十年前の約束を果たす時だ。坂の上の|灯台(とうだい)が、静かに"
    "明かりを灯し始め、海が青く深く沈んだ。";

struct Window {
    platform::FreeTypeFontEngine fonts{{platform::defaultFaceTable(), false}};
    Trace trace;
    ArchiveIndex archives{"/nonexistent/", trace};
    UserPreferences preferences;
    GlyphRenderer renderer;
    MessageWindow window{fonts, renderer, archives, preferences};
};

// The first `chars` double-byte characters of the page, repeated as needed (every
// character of the page but the ruby markup is two bytes).
std::string page(int64_t chars) {
    const std::string all = platform::utf8ToSjis(kPageUtf8);
    std::string out(static_cast<size_t>(chars) * 2, ' ');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = all[i % all.size()];
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
