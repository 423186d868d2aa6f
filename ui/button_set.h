// Image button sets: every clickable picture of the engine's own screens (the config
// button of the message box, the choices of a choice menu, the buttons of the backlog and
// save/load screens). A set holds up to 50 buttons, draws them with hover and pressed
// states, finds the button under the mouse pixel-exactly, turns a press and a release on
// the same button into its id, and lets the arrow keys move the mouse cursor from button
// to button.
//
// A button's picture holds its frames stacked vertically, all of one height: 0 normal,
// 1 hover, 2 pressed, 3 disabled.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "graphics/surface.h"

namespace velmira {

class ArchiveIndex;

struct Point {
    int32_t x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Button {
    bool disabled = false;
    int32_t id = 0;
    bool scroll = false; // a page-scroll button, for keyboard navigation
    Image image;
    int32_t x = 0, y = 0;
    Image overlay; // drawn while the mouse is over the button; may be empty
    int32_t x2 = 0, y2 = 0;
    int32_t frames = 1; // 1-4

    int32_t frameHeight() const { return frames > 0 ? image.height() / frames : 0; }
    int32_t width() const { return image.width(); }
    // The mouse (screen coordinates) is on a solid pixel of frame 0.
    bool hitTest(Point mouse) const;
    Point centre() const { return {x + width() / 2, y + frameHeight() / 2}; }
};

class ButtonSet {
  public:
    static constexpr int32_t kCapacity = 50;

    // Frees every picture; no buttons, no pressed id.
    void clear();
    // Adds an enabled button whose picture is "img\<image>"; false (set unchanged) when
    // the set is full or the picture cannot be loaded.
    bool add(const ArchiveIndex& archives, int32_t frames, int32_t id, std::string_view image,
             int32_t x, int32_t y);
    bool addWithOverlay(const ArchiveIndex& archives, int32_t frames, int32_t id,
                        std::string_view image, int32_t x, int32_t y, std::string_view overlay,
                        int32_t x2, int32_t y2);
    // The same with a picture already in memory (an empty one fails).
    bool add(Image image, int32_t frames, int32_t id, int32_t x, int32_t y);

    void disableAll();
    // disabled = !on for every button with that id.
    void enable(int32_t id, bool on);
    void markScroll(int32_t id);
    // True when some button is enabled.
    bool anyEnabled() const;

    // The id of the first enabled button (in order of adding) under the mouse, or -1.
    int32_t hit(Point mouse) const;
    // True when a button is under the mouse; remembers its id.
    bool press(Point mouse);
    // The id under the mouse when it is the pressed one, else -1. Either way the press
    // is over.
    int32_t release(Point mouse);
    void cancelPress() { pressedId_ = -1; }
    // Draws the buttons from the last added to the first; the highlighted one in its hover
    // frame, or pressed while the left button is down.
    void draw(Surface& frame, int32_t highlighted, bool leftDown) const;
    // Arrow actions (5 left, 6 right, 7 up, 8 down) move the mouse cursor to the next
    // button in that direction through moveMouse (client coordinates); from a button onto
    // a scroll button, down becomes 10 (page down) and up 9 (page up) instead. Returns the
    // action, rewritten or not.
    int32_t navigate(int32_t action, Point mouse,
                     const std::function<void(Point)>& moveMouse) const;

    int32_t count() const { return count_; }
    const Button& button(int32_t index) const { return buttons_[static_cast<size_t>(index)]; }
    int32_t pressedId() const { return pressedId_; }

  private:
    std::array<Button, kCapacity> buttons_;
    int32_t count_ = 0;
    int32_t pressedId_ = -1;
};

// What the buttons are armed for: which message-box buttons are enabled and which other
// sets are shown and take the mouse.
enum class ButtonArming : uint8_t {
    None,                 // system actions running: no box button, no other set
    PageWait,             // box buttons 15, 16, 12, 20, 21, 22
    ChoiceMenu,           // box buttons 12, 20, 21, 22 and the choice set
    SystemScreen,         // no box button; the screen set (backlog, save/load)
    ChoiceMenuSystemMode, // no box button; the choice set
};

// The three long-lived sets of the engine and their arming.
class ButtonSets {
  public:
    ButtonSet box;    // the message box's buttons (the config button)
    ButtonSet choice; // the choices of a choice menu
    ButtonSet screen; // the backlog's and the save/load screen's buttons

    // Disables every box button, enables those of the situation and shows its sets.
    void arm(ButtonArming arming);
    ButtonArming arming() const { return arming_; }

    // Which set answered a press or release.
    enum class Source : uint8_t { None, Box, Choice, Screen };
    // A left press, offered to the armed sets in the order box, choice, screen: the first
    // with a button under the mouse takes it.
    Source press(Point mouse);
    // A left release, in the same order: the set and id of the button released on (the
    // pressed one), or Source::None.
    struct Released {
        Source source = Source::None;
        int32_t id = -1;
    };
    Released release(Point mouse);
    // Forgets the press of every set (a press that no set took, or one taken while the
    // buttons are not offered): a release alone never answers.
    void cancelPress();

    // Draws the shown sets (screen, choice, then box on top) with their hovered buttons;
    // a set's highlight is suppressed while a button of a later set (screen, then choice,
    // then box) is hovered. The box set shows only while boxVisible (neither skipping nor
    // auto mode), some box button is enabled and the mouse is inside x 437-629, y 567-799.
    void draw(Surface& frame, Point mouse, bool leftDown, bool boxVisible) const;

  private:
    ButtonArming arming_ = ButtonArming::None;
};

} // namespace velmira
