#include "text/message_window.h"

#include <algorithm>
#include <cstring>

#include "graphics/blitter.h"
#include "graphics/rotation_draw.h"
#include "resource/preferences.h"
#include "resource/sjis.h"
#include "text/message_markup.h"

namespace velmira {
namespace {

// Script variables of the clock box.
constexpr char kStoryProgress[] =
    "\x83\x56\x83\x69\x83\x8a\x83\x49\x90\x69\x8d\x73"; // シナリオ進行
constexpr char kMFlagTotal[] = "\x82\x6c\x83\x74\x83\x89\x83\x4f\x8d\x87\x8c\x76"; // Ｍフラグ合計
constexpr char kLFlagTotal[] = "\x82\x6b\x83\x74\x83\x89\x83\x4f\x8d\x87\x8c\x76"; // Ｌフラグ合計

constexpr uint32_t kOpenBracket = 0x8175;  // 「
constexpr uint32_t kCloseBracket = 0x8176; // 」
constexpr uint32_t kEmphasisDot = 0x8145;  // ・

constexpr int32_t kSize = MessageWindow::kCharacterSize;
constexpr int32_t kRubyRise = kSize / 2; // the ruby line sits this far above the text line
constexpr int32_t kPageWidth = 800;
constexpr int32_t kPageHeight = 600;
constexpr int32_t kBoxHeight = 200; // the text layer when the box picture is missing
constexpr int32_t kNamePlateCentreX = 142;
constexpr int32_t kNamePlateY = 18;
constexpr int32_t kNamePlateWidth = 300;
constexpr int32_t kNamePlateHeight = 45;
constexpr int32_t kWaitIconSize = 24;
// The clock on the box: the hands turn about this point of the box, their pivot is this
// point of the hand picture, and the face goes on top at this position.
constexpr int32_t kClockCentreX = 715, kClockCentreY = 105;
constexpr int32_t kHandPivotX = 80, kHandPivotY = 80;
constexpr int32_t kClockFaceX = 630, kClockFaceY = 0;

// Pen positions stay within this range, so that no sum of a position and a glyph offset
// or advance can overflow, however long a message or name is; the layer clips far
// earlier.
constexpr int64_t kPenLimit = int64_t{1} << 26;

int32_t movePen(int64_t position, int64_t delta) {
    return static_cast<int32_t>(std::clamp(position + delta, -kPenLimit, kPenLimit));
}

// Calls f(code) for each character of a name: one byte, or lead << 8 | trail. A lead
// byte at the very end is half a character and is dropped.
template <typename F> void forEachCharacter(std::string_view text, F&& f) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = sjis::characterLength(text, i);
        const uint8_t byte = static_cast<uint8_t>(text[i]);
        if (length == 1 && sjis::isLeadByte(byte)) return;
        f(length == 1 ? uint32_t{byte} : uint32_t{byte} << 8 | static_cast<uint8_t>(text[i + 1]));
        i += length;
    }
}

} // namespace

MessageWindow::MessageWindow(platform::FontEngine& fonts, GlyphRenderer& renderer,
                             const ArchiveIndex& archives, const UserPreferences& preferences)
    : fontEngine_(fonts), renderer_(renderer), archives_(archives), preferences_(preferences) {
    gothic_ = fontEngine_.createFont(platform::kFacePGothic, kSize, 400);
    mincho_ = fontEngine_.createFont(platform::kFacePMincho, kSize, 700);
    fixedGothic_ = fontEngine_.createFont(platform::kFaceGothic, kSize, 400);
}

MessageWindow::~MessageWindow() = default;

void MessageWindow::setVariableLookup(std::function<int32_t(std::string_view name)> lookup) {
    variables_ = std::move(lookup);
}

int32_t MessageWindow::variable(std::string_view name) const {
    return variables_ ? variables_(name) : 0;
}

// ---- pages and layouts ----------------------------------------------------------------------

void MessageWindow::switchLayout(bool novel) {
    waitIcon_.load(archives_, "sys_box_prompt.png");
    if (novel) {
        windowX_ = 0;
        windowY_ = 0;
        textLayer_.create(PixelFormat::Abgr32, kPageWidth, kPageHeight);
    } else {
        windowX_ = 0;
        windowY_ = 400;
        buildBoxImage();
    }
}

void MessageWindow::buildBoxImage() {
    const int32_t progress = variable(kStoryProgress);
    if (progress == 0) {
        boxImage_.load(archives_, "sys_box_normal.png");
        return;
    }
    if (progress < 1 || progress > 3) {
        boxImage_.load(archives_, "sys_box_noclock.png");
        return;
    }
    static constexpr const char* kFaces[] = {"sys_box_clock1.png", "sys_box_clock2.png",
                                             "sys_box_clock3.png"};
    // The hands are drawn into the box picture itself, so it is read afresh each time:
    // the picture kept under the same name already carries the last hands.
    boxImage_.reset();
    boxImage_.load(archives_, "sys_box_base.png");
    Image face, handA, handB;
    face.load(archives_, kFaces[progress - 1]);
    handA.load(archives_, "sys_box_clock_a.png");
    handB.load(archives_, "sys_box_clock_b.png");
    drawRotated(boxImage_, handA, kClockCentreX, kClockCentreY, kHandPivotX, kHandPivotY,
                variable(kMFlagTotal) / 14.0);
    drawRotated(boxImage_, handB, kClockCentreX, kClockCentreY, kHandPivotX, kHandPivotY,
                variable(kLFlagTotal) / 16.0);
    copy(boxImage_, face, kClockFaceX, kClockFaceY);
}

void MessageWindow::clearPage(int32_t displayMode) {
    if (!textLayer_.empty()) std::memset(textLayer_.pixels(), 0, textLayer_.byteCount());
    if (displayMode == 1) {
        rect_ = kNovelRect;
        fillRectWithOpacity(textLayer_, Rgb{0, 0, 0}, 0, 0, kPageWidth, kPageHeight, 127);
    } else {
        rect_ = kBottomBoxRect;
    }
    penX_ = rect_.left;
    penY_ = rect_.top;
}

// ---- a message ------------------------------------------------------------------------------

void MessageWindow::setText(std::string_view message) {
    tokens_.clear();
    nextToken_ = 0;
    tokenizeMessage(message, tokens_);
}

std::string MessageWindow::backlogText() const {
    return plainText(tokens_);
}

void MessageWindow::setName(std::string_view name, bool novel) {
    textColour_ = speakerColours_.colourOf(name, preferences_.textColour);
    if (novel) {
        rect_ = kNovelRect;
        newLine();
        if (!name.empty()) {
            forEachCharacter(name, [&](uint32_t code) {
                const Advance a = drawGlyph(fixedGothic_.get(), code, 1.0, penX_, penY_);
                penX_ = movePen(penX_, a.x);
                penY_ = movePen(penY_, a.y);
            });
            const Advance a = drawGlyph(fixedGothic_.get(), kOpenBracket, 1.0, penX_, penY_);
            penX_ = movePen(penX_, a.x);
            penY_ = movePen(penY_, a.y);
            // Wrapped lines of this message start under its first character.
            rect_.left = penX_;
            tokens_.push_back(kCloseBracket);
        }
    } else {
        if (!boxImage_.empty()) {
            textLayer_.assign(boxImage_);
        } else if (textLayer_.format() == PixelFormat::Abgr32 && textLayer_.width() == kPageWidth &&
                   textLayer_.height() == kBoxHeight) {
            // No box picture: the text still shows, on a clear layer of the box's size.
            std::memset(textLayer_.pixels(), 0, textLayer_.byteCount());
        } else {
            textLayer_.create(PixelFormat::Abgr32, kPageWidth, kBoxHeight);
        }
        rect_ = kBottomBoxRect;
        if (!name.empty()) {
            // Centred on the name plate: half the width of as many half-width characters
            // as the name has bytes.
            int32_t x = movePen(kNamePlateCentreX, -static_cast<int64_t>(name.size()) * kSize / 4);
            int32_t y = kNamePlateY;
            forEachCharacter(name, [&](uint32_t code) {
                const Advance a = drawGlyph(fixedGothic_.get(), code, 1.0, x, y);
                x = movePen(x, a.x);
                y = movePen(y, a.y);
            });
        } else if (hasAlpha(textLayer_.format())) {
            // Narration: the name plate is made transparent.
            const int32_t w = std::min(kNamePlateWidth, textLayer_.width());
            const int32_t h = std::min(kNamePlateHeight, textLayer_.height());
            const int32_t bpp = textLayer_.bytesPerPixel();
            for (int32_t y = 0; y < h; ++y) {
                uint8_t* p = textLayer_.row(y); // the alpha byte comes first in both formats
                for (int32_t x = 0; x < w; ++x)
                    p[x * bpp] = 0;
            }
        }
        penX_ = rect_.left;
        penY_ = rect_.top;
    }
    nextToken_ = 0;
    timeUsed_ = 0;
    speedStep_ = 2;
    moveRubyToPen();
    lastClass_ = false;
    rubyPinned_ = false;
    inRubyText_ = false;
    noWait_ = false;
    emphasis_ = false;
    pendingRuby_.clear();
}

bool MessageWindow::reveal(int32_t budget) {
    for (;;) {
        if (budget >= 0 && budget <= timeUsed_) return true;
        if (nextToken_ >= tokens_.size()) {
            // Ruby text at the very end of a message has no character after it to close
            // its base: it goes over the base that ends at the pen.
            layOutRuby();
            tokens_.clear();
            nextToken_ = 0;
            return false;
        }
        const uint32_t token = tokens_[nextToken_++];
        switch (token) {
        case kTokenPause:
            timeUsed_ += 40;
            break;
        case kTokenLineBreak:
            // Ruby read before the break belongs to the base on this line.
            if (!inRubyText_) layOutRuby();
            newLine();
            break;
        case kTokenFaster:
            speedStep_ = std::min(speedStep_ + 1, 4);
            break;
        case kTokenSlower:
            speedStep_ = std::max(speedStep_ - 1, 0);
            break;
        case kTokenRubyBase:
            rubyPinned_ = true;
            moveRubyToPen();
            break;
        case kTokenRubyOpen:
            inRubyText_ = true;
            break;
        case kTokenRubyClose:
            inRubyText_ = false;
            break;
        case kTokenDotsOn:
            emphasis_ = true;
            break;
        case kTokenDotsOff:
            emphasis_ = false;
            break;
        case kTokenNoWaitOn:
            noWait_ = true;
            break;
        case kTokenNoWaitOff:
            noWait_ = false;
            break;
        default:
            if (inRubyText_) {
                rubyPinned_ = false;
                pendingRuby_.push_back(token);
                break;
            }
            layOutRuby();
            if (!noWait_) timeUsed_ += 16 >> speedStep_;
            layOutCharacter(token);
            break;
        }
    }
}

void MessageWindow::draw(Surface& frame, bool withWaitIcon, uint32_t nowMs) const {
    copy(frame, textLayer_, windowX_, windowY_);
    if (withWaitIcon) {
        copyRect(frame, waitIcon_, movePen(windowX_, penX_), movePen(windowY_, penY_),
                 kWaitIconSize, kWaitIconSize, 0, kWaitIconSize * waitIconCell(nowMs));
    }
}

// ---- layout -----------------------------------------------------------------------------------

void MessageWindow::newLine() {
    penX_ = rect_.left;
    penY_ = movePen(penY_, kLineHeight);
}

platform::Font* MessageWindow::fontFor(uint32_t code) const {
    switch (preferences_.font) {
    case 1: // Mincho
        return mincho_.get();
    case 2: // Gothic
        return gothic_.get();
    default: // mixed: kana, Latin and punctuation in Mincho, kanji in Gothic
        return messageCharacterClass(code) ? mincho_.get() : gothic_.get();
    }
}

bool MessageWindow::renderGlyph(platform::Font* font, uint32_t code, double scale,
                                Advance& advance) {
    if (renderer_.render(font, code, scale)) {
        advance = {renderer_.advanceX(), renderer_.advanceY()};
        return true;
    }
    // Nothing to draw, but the character keeps its place: the line reads the same with
    // a gap as it would with the glyph.
    const int32_t full = code > 0xFF ? kSize : kSize / 2;
    advance = {static_cast<int32_t>(full * scale), 0};
    return false;
}

void MessageWindow::compositeGlyph(int32_t x, int32_t y) {
    if (preferences_.textShadow) renderer_.composite(textLayer_, x + 1, y + 1, Rgb{0, 0, 0});
    renderer_.composite(textLayer_, x, y, textColour_);
}

MessageWindow::Advance MessageWindow::drawGlyph(platform::Font* font, uint32_t code, double scale,
                                                int32_t x, int32_t y) {
    Advance advance;
    if (renderGlyph(font, code, scale, advance)) compositeGlyph(x, y);
    return advance;
}

void MessageWindow::layOutCharacter(uint32_t code) {
    if (!isLineStartCharacter(code) && int64_t{penX_} + kSize > rect_.right) newLine();
    const bool characterClass = messageCharacterClass(code);
    if (!rubyPinned_ && characterClass != lastClass_) moveRubyToPen();
    lastClass_ = characterClass;
    const int32_t x0 = penX_;
    const Advance a = drawGlyph(fontFor(code), code, 1.0, penX_, penY_);
    penX_ = movePen(penX_, a.x);
    penY_ = movePen(penY_, a.y);
    // The emphasis dot is centred over the character just drawn.
    if (emphasis_)
        drawGlyph(fixedGothic_.get(), kEmphasisDot, 1.0, (x0 + penX_ - kSize) / 2,
                  penY_ - kSize + 6);
}

void MessageWindow::moveRubyToPen() {
    rubyX_ = penX_;
    rubyY_ = movePen(penY_, -kRubyRise);
}

void MessageWindow::layOutRuby() {
    if (pendingRuby_.empty()) return;
    // Each ruby character is centred in its own equal share of the base; a base narrower
    // than its ruby gives shares smaller than the glyphs, which then simply follow on.
    const int64_t slot = (int64_t{penX_} - rubyX_) / static_cast<int64_t>(pendingRuby_.size());
    for (uint32_t code : pendingRuby_) {
        Advance a;
        const bool drawn = renderGlyph(gothic_.get(), code, 0.5, a);
        const int64_t gap = std::max<int64_t>(slot - a.x, 0);
        const int64_t half = gap / 2;
        rubyX_ = movePen(rubyX_, half);
        if (drawn) compositeGlyph(rubyX_, rubyY_);
        rubyX_ = movePen(rubyX_, a.x + (gap - half));
        rubyY_ = movePen(rubyY_, a.y);
    }
    pendingRuby_.clear();
}

} // namespace velmira
