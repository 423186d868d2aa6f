// The message window: the box picture, a text layer into which characters are composited
// as they are revealed, the animated wait icon, three fonts and the layout of the message
// now shown. The page display drives it: setText, backlogText, setName, then reveal and
// draw every frame until reveal answers false, then draw with the wait icon until the
// page advances; clearPage between pages.
//
// Two layouts: the bottom box (a box picture drawn at (0, 400) of the 800 x 600 screen,
// each message replacing the last, the speaker's name centred on the name plate) and the
// full-screen novel layout (an 800 x 600 layer at (0, 0), messages accumulating until the
// page is cleared, the name written inline before a "「" that the text closes with "」").
//
// The markup of the text is in text/message_markup.h. An ordinary character costs
// 16 >> speed step time units (step 2 at the start of each message, 0 while no-wait is
// on); the page display turns milliseconds into units.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/pixel.h"
#include "graphics/surface.h"
#include "platform/fonts.h"
#include "text/glyph_renderer.h"
#include "text/speaker_colours.h"

namespace velmira {

class ArchiveIndex;
struct UserPreferences;

struct LayoutRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
inline constexpr LayoutRect kBottomBoxRect{80, 70, 640, 180};
inline constexpr LayoutRect kNovelRect{80, 0, 720, 730};

class MessageWindow {
  public:
    static constexpr int32_t kCharacterSize = 24;
    static constexpr int32_t kLineHeight = 40;

    // The three fonts come from `fonts` ("ＭＳ Ｐゴシック" 24/400, "ＭＳ Ｐ明朝" 24/700,
    // "ＭＳ ゴシック" 24/400); a face that cannot be made draws nothing, but its
    // characters still take their place on the line. Pictures come
    // from `archives` ("img\..."); the font, shadow and text colour preferences are read
    // at each use.
    MessageWindow(platform::FontEngine& fonts, GlyphRenderer& renderer,
                  const ArchiveIndex& archives, const UserPreferences& preferences);
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // The script variables the clock box reads ("シナリオ進行", "Ｍフラグ合計",
    // "Ｌフラグ合計"); without a lookup they read 0.
    void setVariableLookup(std::function<int32_t(std::string_view name)> lookup);
    // The game's speaker table; empty until its owner loads it from the configuration.
    SpeakerColours& speakerColours() { return speakerColours_; }

    // On every change of display mode: novel (modes 1 and 2) or bottom box. Loads the
    // wait icon, makes the novel layer or builds the box picture.
    void switchLayout(bool novel);
    // Between pages: empties the text layer; display mode 1 ("novel") takes the novel
    // rectangle and darkens the whole layer (black at opacity 127), every other mode the
    // bottom-box rectangle. The pen goes to the rectangle's top-left.
    void clearPage(int32_t displayMode);
    // Tokenises a message (replacing the tokens of the last one).
    void setText(std::string_view message);
    // The tokens as the backlog keeps them: markup and ruby text dropped, "/" as "\n".
    std::string backlogText() const;
    // Starts a message: the speaker's colour; the name on the plate (bottom box) or inline
    // with "「" (novel); resets the reveal state.
    void setName(std::string_view name, bool novel);
    // Lays out the tokens the budget (time units since the message started) pays for;
    // a budget below 0 lays out everything. True while more is to come. Ruby text waits
    // for the end of its base: the next ordinary character, a line break, or the end of
    // the message (ruby at the very end still goes over its base).
    bool reveal(int32_t budget);
    // Draws the text layer onto the frame at the window position and, with the wait icon,
    // its cell for nowMs at the pen.
    void draw(Surface& frame, bool withWaitIcon, uint32_t nowMs) const;

    // What tests and the backlog writer observe.
    const Surface& textLayer() const { return textLayer_; }
    const Image& boxImage() const { return boxImage_; }
    const std::vector<uint32_t>& tokens() const { return tokens_; }
    int32_t penX() const { return penX_; }
    int32_t penY() const { return penY_; }
    int32_t windowX() const { return windowX_; }
    int32_t windowY() const { return windowY_; }
    Rgb textColour() const { return textColour_; }
    const LayoutRect& layoutRect() const { return rect_; }
    // The wait icon's cell for a time: (nowMs >> 7) & 7.
    static int32_t waitIconCell(uint32_t nowMs) { return static_cast<int32_t>((nowMs >> 7) & 7); }

  private:
    struct Advance {
        int32_t x = 0, y = 0;
    };
    platform::Font* fontFor(uint32_t code) const;
    // Renders `code` into the renderer and answers its advance. A glyph that cannot be
    // rendered answers false and the advance of the character in a fixed-pitch font
    // (a full cell for a double-byte character, half for one byte, times the scale).
    bool renderGlyph(platform::Font* font, uint32_t code, double scale, Advance& advance);
    // Composites the rendered glyph at (x, y) in the text colour, after the black shadow
    // one pixel down and right when the shadow preference is on.
    void compositeGlyph(int32_t x, int32_t y);
    Advance drawGlyph(platform::Font* font, uint32_t code, double scale, int32_t x, int32_t y);
    void newLine();
    // Places one character at the pen, wrapping the line first where it must, and, while
    // emphasis is on, its dot above it.
    void layOutCharacter(uint32_t code);
    // The ruby base starts at the pen: the ruby line's left end there, its top half a
    // character above the pen's line.
    void moveRubyToPen();
    void layOutRuby();
    void buildBoxImage();
    int32_t variable(std::string_view name) const;

    platform::FontEngine& fontEngine_;
    GlyphRenderer& renderer_;
    const ArchiveIndex& archives_;
    const UserPreferences& preferences_;
    std::function<int32_t(std::string_view)> variables_;
    SpeakerColours speakerColours_;

    std::unique_ptr<platform::Font> gothic_;      // proportional Gothic 24/400
    std::unique_ptr<platform::Font> mincho_;      // proportional Mincho 24/700
    std::unique_ptr<platform::Font> fixedGothic_; // fixed Gothic 24/400

    Image boxImage_;
    OwnedSurface textLayer_;
    Image waitIcon_;
    std::vector<uint32_t> tokens_;
    LayoutRect rect_ = kBottomBoxRect;
    Rgb textColour_{255, 255, 255};
    int32_t windowX_ = 0, windowY_ = 400;
    int32_t penX_ = 0, penY_ = 0;

    // Reveal state of the current message, reset by setName.
    size_t nextToken_ = 0;
    int64_t timeUsed_ = 0; // time units; int64 so that endless pauses cannot wrap
    int32_t speedStep_ = 2;
    int32_t rubyX_ = 0, rubyY_ = 0; // left end of the ruby base, top of the ruby line
    bool lastClass_ = false;
    bool rubyPinned_ = false;
    bool inRubyText_ = false;
    bool noWait_ = false;
    bool emphasis_ = false;
    // Ruby characters read but not yet placed; they wait for the end of their base. Kept
    // across reveal calls (a pause inside ruby text must not lose them); the capacity is
    // kept from message to message.
    std::vector<uint32_t> pendingRuby_;
};

} // namespace velmira
