// The message window on a font of solid squares (tests/text/box_font.h), so every
// position follows by hand from the layout rules: a double-byte character is 20 pixels
// advancing 24, ruby 10 advancing 12, with the top-left of each square at its pen. Pictures
// come from a small game the fixture packs.
#include "text/message_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "graphics/blitter.h"
#include "graphics/png_test_util.h"
#include "graphics/rotation_draw.h"
#include "platform/encoding.h"
#include "resource/archive.h"
#include "resource/preferences.h"
#include "support/game_fixture.h"
#include "tests/support/ipa_fonts.h"
#include "tests/text/box_font.h"

namespace velmira {
namespace {

using test::Rgba;
using Runs = std::vector<std::pair<int32_t, int32_t>>; // [first, end) columns

std::string sjis(std::string_view utf8) {
    return platform::utf8ToSjis(utf8);
}

std::string repeat(std::string_view utf8, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += utf8;
    return out;
}

std::vector<uint8_t> solid(int w, int h, Rgba c) {
    return test::rgbaPng(w, h, [c](int, int) { return c; });
}

constexpr Rgba kBoxBlue{0, 0, 128, 255};
constexpr Rgba kNoClockGreen{0, 128, 0, 255};
constexpr Rgba kBaseGrey{64, 64, 64, 255};
constexpr Rgba kHandAColour{255, 255, 0, 255};
constexpr Rgba kHandBColour{0, 255, 255, 255};

// A clock hand: a one-pixel line from the pivot (80, 80) straight up, `length` long.
std::vector<uint8_t> hand(int length, Rgba colour) {
    return test::rgbaPng(161, 161, [=](int x, int y) {
        return x == 80 && y <= 80 && y > 80 - length ? colour : Rgba{0, 0, 0, 0};
    });
}

// A clock face: a 20 x 20 block of its colour at the top-left, clear elsewhere.
std::vector<uint8_t> face(Rgba colour) {
    return test::rgbaPng(60, 60, [=](int x, int y) { return x < 20 && y < 20 ? colour : Rgba{}; });
}

Rgba pixel(const Surface& s, int32_t x, int32_t y) {
    const uint8_t* p = s.row(y) + x * s.bytesPerPixel();
    return s.format() == PixelFormat::Abgr32 ? Rgba{p[3], p[2], p[1], p[0]}
                                             : Rgba{p[2], p[1], p[0], 255};
}

bool isWhite(const Surface& s, int32_t x, int32_t y) {
    const Rgba p = pixel(s, x, y);
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

// The runs of white pixels along row y of the layer.
Runs whiteRuns(const Surface& s, int32_t y) {
    Runs runs;
    for (int32_t x = 0; x < s.width(); ++x) {
        if (!isWhite(s, x, y)) continue;
        if (!runs.empty() && runs.back().second == x)
            ++runs.back().second;
        else
            runs.push_back({x, x + 1});
    }
    return runs;
}

class MessageWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<ArchiveMember> members = {
            {"img\\sys_box_normal.png", solid(800, 200, kBoxBlue)},
            {"img\\sys_box_noclock.png", solid(800, 200, kNoClockGreen)},
            {"img\\sys_box_base.png", solid(800, 200, kBaseGrey)},
            {"img\\sys_box_clock1.png", face({255, 0, 0, 255})},
            {"img\\sys_box_clock2.png", face({0, 255, 0, 255})},
            {"img\\sys_box_clock3.png", face({0, 0, 255, 255})},
            {"img\\sys_box_clock_a.png", hand(60, kHandAColour)},
            {"img\\sys_box_clock_b.png", hand(40, kHandBColour)},
            // Eight 24 x 24 cells stacked; cell f has red 30 f.
            {"img\\sys_box_prompt.png",
             test::rgbaPng(24, 192,
                           [](int, int y) {
                               return Rgba{uint8_t(y / 24 * 30), 0, 0, 255};
                           })},
        };
        if (withPictures_) {
            ASSERT_TRUE(game_.addArchive("pictures.dat", 1, members));
        }
        archives_.mountAll();
        preferences_.textShadow = false;
        preferences_.textColour = false;
        window_ = std::make_unique<MessageWindow>(fonts_, renderer_, archives_, preferences_);
        window_->setVariableLookup([this](std::string_view name) {
            const auto it = variables_.find(std::string(name));
            return it == variables_.end() ? 0 : it->second;
        });
    }

    // One bottom-box message: clear, text, name, then reveal all of it (or by a budget
    // that grows by one unit per call, as a slow reader sees it).
    void showMessage(std::string_view textUtf8, std::string_view nameUtf8 = "",
                     bool stepByStep = false) {
        window_->clearPage(0);
        window_->setText(sjis(textUtf8));
        window_->setName(sjis(nameUtf8), false);
        revealAll(stepByStep);
    }
    void revealAll(bool stepByStep) {
        if (!stepByStep) {
            EXPECT_FALSE(window_->reveal(-1));
            return;
        }
        int32_t budget = 1;
        while (window_->reveal(budget)) {
            ASSERT_LT(++budget, 100000);
        }
    }
    const Surface& layer() const { return window_->textLayer(); }

    bool withPictures_ = true;
    test::TempGame game_;
    Trace trace_;
    ArchiveIndex archives_{game_.dataFolder(), trace_};
    UserPreferences preferences_;
    test::BoxFontEngine fonts_;
    GlyphRenderer renderer_;
    std::map<std::string, int32_t> variables_;
    std::unique_ptr<MessageWindow> window_;
};

TEST_F(MessageWindowTest, MakesItsThreeFonts) {
    ASSERT_EQ(fonts_.created.size(), 3u);
    EXPECT_EQ(fonts_.created[0].face, sjis("ＭＳ Ｐゴシック"));
    EXPECT_EQ(fonts_.created[0].weight, 400);
    EXPECT_EQ(fonts_.created[1].face, sjis("ＭＳ Ｐ明朝"));
    EXPECT_EQ(fonts_.created[1].weight, 700);
    EXPECT_EQ(fonts_.created[2].face, sjis("ＭＳ ゴシック"));
    EXPECT_EQ(fonts_.created[2].weight, 400);
    for (const auto& request : fonts_.created)
        EXPECT_EQ(request.height, 24);
}

TEST_F(MessageWindowTest, RubyIsSpreadOverItsBase) {
    window_->switchLayout(false);
    // The text line starts at (80, 70); ruby sits on y 58-67. "あい" take 80-128, "漢字"
    // 128-176.
    struct Case {
        const char* text;
        Runs ruby;
    };
    const Case cases[] = {
        // Without a bar the base is the trailing run of one class: the two kanji, 48
        // pixels, three slots of 16 with the 12-pixel ruby glyphs centred.
        {"あい漢字(かんじ)です", {{130, 140}, {146, 156}, {162, 172}}},
        // The bar pins the base start before the hiragana: slots of 32.
        {"|あい漢字(かんじ)です", {{90, 100}, {122, 132}, {154, 164}}},
        // A base narrower than its ruby: the glyphs follow one another from its start.
        {"漢(かんじかんじ)です",
         {{80, 90}, {92, 102}, {104, 114}, {116, 126}, {128, 138}, {140, 150}}},
        // Ruby at the very end of a message still goes over its base.
        {"あい漢字(かんじ)", {{130, 140}, {146, 156}, {162, 172}}},
        // A pause inside ruby text does not lose the characters before it.
        {"あい漢字(か@んじ)です", {{130, 140}, {146, 156}, {162, 172}}},
        // A line break after the ruby: it is placed over the base on its own line.
        {"あい漢字(かんじ)/です", {{130, 140}, {146, 156}, {162, 172}}},
    };
    for (const Case& c : cases) {
        for (bool stepByStep : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.text << (stepByStep ? " step by step" : ""));
            showMessage(c.text, "", stepByStep);
            EXPECT_EQ(whiteRuns(layer(), 62), c.ruby);
            EXPECT_TRUE(isWhite(layer(), 128, 70)); // the base itself
        }
    }
}

TEST_F(MessageWindowTest, OnlyLineStartCharactersStayPastTheRightEdge) {
    window_->switchLayout(false);
    // 23 kanji end at x 632; the next character would reach 656, past the right edge 640.
    struct Case {
        const char* last;
        bool stays;
        int32_t advance;
    };
    const Case cases[] = {
        {"。", true, 24},  {"」", true, 24},  {"ァ", true, 24},  {"ッ", true, 24},
        {"漢", false, 24}, {"あ", false, 24}, {"「", false, 24}, {"A", false, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.last);
        showMessage(repeat("漢", 23) + c.last);
        if (c.stays) {
            EXPECT_EQ(window_->penX(), 632 + c.advance);
            EXPECT_EQ(window_->penY(), 70);
            EXPECT_TRUE(isWhite(layer(), 632, 70));
        } else {
            EXPECT_EQ(window_->penX(), 80 + c.advance);
            EXPECT_EQ(window_->penY(), 110);
            EXPECT_FALSE(isWhite(layer(), 632, 70));
            EXPECT_TRUE(isWhite(layer(), 80, 110));
        }
    }
}

TEST_F(MessageWindowTest, BudgetsPayForCharactersAtTheirSpeed) {
    window_->switchLayout(false);
    struct Step {
        int32_t budget;
        int32_t penX;
        bool more;
    };
    struct Case {
        const char* text;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        // Step 2 at the start: 4 units a character; nothing before a budget above 0.
        {"あい", {{0, 80, true}, {1, 104, true}, {4, 104, true}, {5, 128, true}, {9, 128, false}}},
        // Five times faster stops at step 4: 1 unit.
        {">>>>>あい", {{1, 104, true}, {2, 128, true}, {3, 128, false}}},
        // Slower stops at step 0: 16 units.
        {"<<<<<<あい", {{1, 104, true}, {16, 104, true}, {17, 128, true}, {33, 128, false}}},
        // Free characters come with the next one that costs; the pause between them
        // still costs 40.
        {"あ{いう@え}お",
         {{1, 104, true}, {5, 152, true}, {44, 152, true}, {45, 200, true}, {49, 200, false}}},
        // Free characters at the end come at once.
        {"{あい}", {{1, 128, false}}},
        // An escaped "@" is a character.
        {"\\@あ", {{1, 92, true}, {5, 116, true}, {9, 116, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        window_->clearPage(0);
        window_->setText(sjis(c.text));
        window_->setName("", false);
        for (const Step& s : c.steps) {
            SCOPED_TRACE(s.budget);
            EXPECT_EQ(window_->reveal(s.budget), s.more);
            EXPECT_EQ(window_->penX(), s.penX);
        }
    }
}

TEST_F(MessageWindowTest, WaitIconFollowsThePenAndCyclesItsCells) {
    window_->switchLayout(false);
    // A message that ends with a line break leaves the pen at the start of a new line.
    showMessage("あい/");
    EXPECT_EQ(window_->penX(), 80);
    EXPECT_EQ(window_->penY(), 110);

    OwnedSurface frame;
    ASSERT_TRUE(frame.create(PixelFormat::Bgr24, 800, 600));
    for (uint32_t now :
         {0u, 127u, 128u, 300u, 600u, 700u, 800u, 1000u, 1023u, 1024u, 0xFFFFFF80u}) {
        SCOPED_TRACE(now);
        const int32_t cell = MessageWindow::waitIconCell(now);
        EXPECT_EQ(cell, static_cast<int32_t>(now / 128 % 8));
        window_->draw(frame, true, now);
        EXPECT_EQ(pixel(frame, 80, 510), (Rgba{uint8_t(cell * 30), 0, 0, 255}));
        EXPECT_EQ(pixel(frame, 103, 533), (Rgba{uint8_t(cell * 30), 0, 0, 255}));
        EXPECT_EQ(pixel(frame, 104, 510), kBoxBlue);
    }
    // Without the icon only the layer is drawn, at (0, 400).
    window_->draw(frame, false, 0);
    EXPECT_EQ(pixel(frame, 80, 510), kBoxBlue);
    EXPECT_TRUE(isWhite(frame, 80, 470));
    EXPECT_EQ(pixel(frame, 400, 400), kBoxBlue);
}

TEST_F(MessageWindowTest, NovelLayoutWritesNameAndBracketsAndIndentsWrappedLines) {
    window_->switchLayout(true);
    EXPECT_EQ(window_->windowY(), 0);
    window_->clearPage(1);
    EXPECT_EQ(pixel(layer(), 400, 300), (Rgba{0, 0, 0, 127})); // the page is darkened

    window_->setText(sjis(repeat("あ", 30)));
    EXPECT_EQ(window_->backlogText(), sjis(repeat("あ", 30)));
    window_->setName(sjis("名前"), true);
    // One line below the cleared pen: "名前" at 80 and 104, "「" at 128.
    EXPECT_TRUE(isWhite(layer(), 80, 40));
    EXPECT_TRUE(isWhite(layer(), 128, 40));
    EXPECT_EQ(window_->layoutRect().left, 152);
    EXPECT_EQ(window_->tokens().back(), 0x8176u); // "」" closes the text
    EXPECT_FALSE(window_->reveal(-1));
    // 23 characters fit from 152 to 704; the rest wrap to 152, then "」".
    EXPECT_TRUE(isWhite(layer(), 680, 40));
    EXPECT_TRUE(isWhite(layer(), 152, 80));
    EXPECT_FALSE(isWhite(layer(), 80, 80));
    EXPECT_TRUE(isWhite(layer(), 320, 80)); // "」"
    EXPECT_EQ(window_->penX(), 152 + 8 * 24);
    EXPECT_EQ(window_->penY(), 80);

    // The next message starts at the preset left edge, one line down.
    window_->setText(sjis("次"));
    window_->setName("", true);
    EXPECT_EQ(window_->layoutRect().left, 80);
    EXPECT_EQ(window_->penX(), 80);
    EXPECT_EQ(window_->penY(), 120);
    EXPECT_FALSE(window_->reveal(-1));
    EXPECT_TRUE(isWhite(layer(), 80, 120));
    EXPECT_EQ(window_->penX(), 104); // no bracket after narration
}

TEST_F(MessageWindowTest, NamePlateShowsTheNameInItsColourOrDisappearsForNarration) {
    variables_[sjis("シナリオ進行")] = 0;
    window_->switchLayout(false);
    preferences_.textColour = true;
    window_->speakerColours().add(sjis("名前"), 1);

    showMessage("あ", "名前");
    EXPECT_EQ(window_->textColour(), (Rgb{140, 250, 220}));
    // Four bytes: from 142 - 24 = 118, at y 18.
    EXPECT_EQ(pixel(layer(), 118, 18), (Rgba{140, 250, 220, 255}));
    EXPECT_EQ(pixel(layer(), 142, 37), (Rgba{140, 250, 220, 255}));
    EXPECT_EQ(pixel(layer(), 117, 18), kBoxBlue);
    EXPECT_EQ(pixel(layer(), 80, 70), (Rgba{140, 250, 220, 255}));

    showMessage("あ");
    EXPECT_EQ(window_->textColour(), (Rgb{215, 215, 215}));
    EXPECT_EQ(pixel(layer(), 0, 0)[3], 0);
    EXPECT_EQ(pixel(layer(), 299, 44)[3], 0);
    EXPECT_EQ(pixel(layer(), 300, 44)[3], 255);
    EXPECT_EQ(pixel(layer(), 299, 45)[3], 255);
    EXPECT_EQ(pixel(layer(), 80, 70), (Rgba{215, 215, 215, 255}));

    // The shadow preference, read at each use: black one pixel down and right.
    preferences_.textShadow = true;
    showMessage("あ");
    EXPECT_EQ(pixel(layer(), 80, 70), (Rgba{215, 215, 215, 255}));
    EXPECT_EQ(pixel(layer(), 100, 90), (Rgba{0, 0, 0, 255}));

    // Emphasis dots: centred over their character, 18 pixels above the line.
    preferences_.textShadow = false;
    showMessage("[あ]い");
    EXPECT_EQ(pixel(layer(), 80, 52), (Rgba{215, 215, 215, 255}));
    EXPECT_EQ(pixel(layer(), 104, 52), kBoxBlue);
}

TEST_F(MessageWindowTest, BoxPictureFollowsTheStoryProgressAtTheLayoutSwitch) {
    struct Case {
        int32_t progress;
        const char* name;
    };
    const Case cases[] = {{0, "sys_box_normal.png"},
                          {5, "sys_box_noclock.png"},
                          {-1, "sys_box_noclock.png"},
                          {1, "sys_box_base.png"},
                          {3, "sys_box_base.png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.progress);
        variables_[sjis("シナリオ進行")] = c.progress;
        window_->switchLayout(false);
        EXPECT_EQ(window_->boxImage().name(), c.name);
        EXPECT_EQ(window_->windowY(), 400);
    }
    variables_[sjis("シナリオ進行")] = 0;
    window_->switchLayout(false);
    EXPECT_EQ(pixel(window_->boxImage(), 715, 150), kBoxBlue); // no clock on the normal box

    // The clock: hand a turns by Ｍフラグ合計 / 14, hand b by Ｌフラグ合計 / 16, about
    // (715, 105); the face goes on top at (630, 0). Built twice in a row, the second box
    // carries only its own hands.
    variables_[sjis("シナリオ進行")] = 2;
    variables_[sjis("Ｍフラグ合計")] = 3;
    variables_[sjis("Ｌフラグ合計")] = 9;
    window_->switchLayout(false);
    variables_[sjis("Ｍフラグ合計")] = 7; // half a turn: a points down
    variables_[sjis("Ｌフラグ合計")] = 4; // a quarter: b points left
    window_->switchLayout(false);
    const Image& box = window_->boxImage();
    EXPECT_EQ(pixel(box, 715, 150), kHandAColour);
    EXPECT_EQ(pixel(box, 690, 105), kHandBColour);
    EXPECT_EQ(pixel(box, 715, 60), kBaseGrey);
    EXPECT_EQ(pixel(box, 630, 0), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(pixel(box, 649, 19), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(pixel(box, 650, 0), kBaseGrey);

    Image expected, handA, handB, clockFace;
    ASSERT_TRUE(expected.load(archives_, "sys_box_base.png"));
    ASSERT_TRUE(handA.load(archives_, "sys_box_clock_a.png"));
    ASSERT_TRUE(handB.load(archives_, "sys_box_clock_b.png"));
    ASSERT_TRUE(clockFace.load(archives_, "sys_box_clock2.png"));
    drawRotated(expected, handA, 715, 105, 80, 80, 0.5);
    drawRotated(expected, handB, 715, 105, 80, 80, 0.25);
    copy(expected, clockFace, 630, 0);
    ASSERT_EQ(box.byteCount(), expected.byteCount());
    EXPECT_EQ(std::memcmp(box.pixels(), expected.pixels(), box.byteCount()), 0);

    // Messages are written on a copy of the box.
    showMessage("あ");
    EXPECT_EQ(pixel(layer(), 715, 150), kHandAColour);
    EXPECT_TRUE(isWhite(layer(), 80, 70));
}

TEST_F(MessageWindowTest, GlyphsThatFailKeepTheirPlaceAndDrawNothing) {
    window_->switchLayout(false);
    fonts_.setup.failing = {0x82A0}; // "あ"
    showMessage("いあう");
    EXPECT_TRUE(isWhite(layer(), 80, 70));
    // Not the previous glyph drawn again: nothing at all.
    EXPECT_EQ(pixel(layer(), 104, 70), kBoxBlue);
    EXPECT_EQ(pixel(layer(), 127, 89), kBoxBlue);
    EXPECT_TRUE(isWhite(layer(), 128, 70));
    EXPECT_EQ(window_->penX(), 152);
}

// With the real faces: mixed mode takes kana from the bold Mincho and kanji from the
// Gothic, and the pen moves by exactly what the font engine says each glyph advances.
TEST_F(MessageWindowTest, RealFontsAdvanceByTheirOwnGlyphs) {
    const auto engine = test::ipaFontEngine();
    MessageWindow window(*engine, renderer_, archives_, preferences_);
    window.switchLayout(false);
    window.clearPage(0);
    window.setText(sjis("あい漢字(かんじ)です"));
    window.setName("", false);
    EXPECT_FALSE(window.reveal(-1));

    const auto mincho = engine->createFont(platform::kFacePMincho, 24, 700);
    const auto gothic = engine->createFont(platform::kFacePGothic, 24, 400);
    ASSERT_TRUE(mincho && gothic);
    int32_t expectedPen = 80, kanjiStart = 0, kanjiEnd = 0;
    for (const char* c : {"あ", "い", "漢", "字", "で", "す"}) {
        const std::string code = sjis(c);
        const bool kanji = std::string_view(c) == "漢" || std::string_view(c) == "字";
        ASSERT_TRUE(renderer_.render(kanji ? gothic.get() : mincho.get(),
                                     uint8_t(code[0]) << 8 | uint8_t(code[1]), 1.0));
        if (std::string_view(c) == "漢") kanjiStart = expectedPen;
        expectedPen += renderer_.advanceX();
        if (std::string_view(c) == "字") kanjiEnd = expectedPen;
    }
    EXPECT_EQ(window.penX(), expectedPen);
    EXPECT_EQ(window.penY(), 70);

    // Text on the line, ruby above the kanji and nowhere else above the line. Ink is
    // white text over the blue box, wherever the red channel rose above half.
    int32_t onLine = 0, rubyLeft = 800, rubyRight = 0;
    for (int32_t y = 40; y < 110; ++y) {
        for (int32_t x = 0; x < 800; ++x) {
            if (pixel(window.textLayer(), x, y)[0] < 128) continue;
            if (y >= 70) {
                ++onLine;
            } else {
                rubyLeft = std::min(rubyLeft, x);
                rubyRight = std::max(rubyRight, x);
            }
        }
    }
    EXPECT_GT(onLine, 200);
    EXPECT_GE(rubyLeft, kanjiStart);
    EXPECT_LT(rubyRight, kanjiEnd);
    EXPECT_GT(rubyRight - rubyLeft, (kanjiEnd - kanjiStart) / 2);
}

class MessageWindowWithoutPictures : public MessageWindowTest {
  protected:
    void SetUp() override {
        withPictures_ = false;
        fonts_.noFonts = true;
        MessageWindowTest::SetUp();
    }
};

TEST_F(MessageWindowWithoutPictures, KeepsWorkingOnBadInput) {
    window_->switchLayout(false);
    EXPECT_TRUE(window_->boxImage().empty());
    showMessage("あいA", "名前");
    // A clear layer of the box's size; no fonts, yet every character takes its place.
    EXPECT_EQ(layer().width(), 800);
    EXPECT_EQ(layer().height(), 200);
    EXPECT_EQ(window_->penX(), 80 + 24 + 24 + 12);

    OwnedSurface frame;
    ASSERT_TRUE(frame.create(PixelFormat::Bgr24, 640, 480));
    const std::string hostile[] = {
        "\x81",
        "\x81\x81\x81",
        "\\\x82",
        "\\",
        sjis("漢(かんじ"),
        sjis("漢(かんじ))(((|||"),
        std::string("a\0b", 3),
        std::string(100000, '@'),
        sjis(repeat("あ", 50000)) + "/" + std::string(50000, 'a'),
        std::string(100000, '/'),
        sjis(repeat("。", 100000)),
        sjis(std::string("(") + repeat("か", 100000)),
    };
    const std::string names[] = {"", "\x81", std::string(4096, '\x82'), std::string(4096, 'a')};
    for (bool novel : {false, true}) {
        window_->switchLayout(novel);
        for (const std::string& message : hostile) {
            for (const std::string& name : names) {
                window_->clearPage(novel ? 1 : 0);
                window_->setText(message);
                window_->backlogText();
                window_->setName(name, novel);
                window_->reveal(3);
                window_->draw(frame, true, 5);
                window_->reveal(1000);
                window_->reveal(-1);
                window_->draw(frame, true, 5);
            }
        }
    }
    EXPECT_FALSE(window_->reveal(-1));
}

} // namespace
} // namespace velmira
