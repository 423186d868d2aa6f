// Lays out arbitrary bytes as a speaker's name and a message in both layouts, revealing
// them by growing budgets and drawing every step, on a font of solid squares (no font
// files, no fontconfig) and a game without pictures: no markup, half character, ruby or
// name may read or write outside the tokens, the glyph buffers or the surfaces.
//
// Input: byte 0 chooses the layout and preferences, byte 1 the budget step, byte 2 the
// name's length in bytes (times 16); the name follows, the rest is the message.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resource/archive.h"
#include "resource/preferences.h"
#include "tests/text/box_font.h"
#include "text/message_window.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmira;
    if (size < 3) return 0;
    static Trace trace;
    static ArchiveIndex archives("/nonexistent/", trace);
    static test::BoxFontEngine fonts;
    static GlyphRenderer renderer;
    static UserPreferences preferences;
    static OwnedSurface frame;
    if (frame.empty()) {
        fonts.setup.failing = {0x82A0, 'x', 0};
        fonts.setup.advances = {{0x8140, 0}, {0x8145, 200}, {'w', 1000}};
        // Far smaller than the page, so that drawing clips on two sides and stays cheap
        // under the fuzzer's instrumentation; it still shows rows of the bottom box.
        frame.create(PixelFormat::Bgr24, 64, 420);
    }
    static MessageWindow window(fonts, renderer, archives, preferences);

    const uint8_t flags = data[0];
    const int32_t step = 1 + data[1] % 16;
    const bool novel = flags & 1;
    preferences.font = static_cast<uint8_t>(flags >> 1 & 3);
    preferences.textShadow = flags & 8;
    preferences.textColour = flags & 16;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    const std::string_view name = rest.substr(0, size_t{data[2]} * 16);
    const std::string_view text = rest.substr(name.size());

    // As in the engine, the layout changes only with the display mode: the window keeps
    // its state from one input to the next.
    static int layout = -1;
    if (layout != int{novel}) window.switchLayout(novel);
    layout = novel;
    // Novel pages accumulate unless cleared: only some inputs clear them.
    if (!novel || (flags & 32)) window.clearPage(novel ? 1 : 0);
    window.setText(text);
    window.backlogText();
    window.setName(name, novel);
    int32_t budget = (flags & 64) ? 0 : -1;
    for (int turn = 0; turn < 64 && window.reveal(budget); ++turn) {
        // Drawing does not depend on the text, and costs much under the fuzzer: one frame
        // part of the way through is enough.
        if (turn == 1) window.draw(frame, false, 0);
        budget += step;
    }
    if (window.reveal(-1)) __builtin_trap(); // everything is out after an unlimited budget
    window.draw(frame, true, 0xFFFFFF80u);
    return 0;
}
