#include "ui/button_set.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <initializer_list>

#include "graphics/blitter.h"

namespace velmira {
namespace {

constexpr int32_t kLeft = 5, kRight = 6, kUp = 7, kDown = 8;
constexpr int32_t kPageUp = 9, kPageDown = 10;
constexpr int32_t kMaxFrames = 4;

// The box buttons show while the mouse is over the lower right of the message box.
constexpr int32_t kBoxAreaLeft = 437, kBoxAreaRight = 630; // x 437-629
constexpr int32_t kBoxAreaTop = 567, kBoxAreaBottom = 800; // y 567-799

bool inBoxArea(Point p) {
    return p.x >= kBoxAreaLeft && p.x < kBoxAreaRight && p.y >= kBoxAreaTop && p.y < kBoxAreaBottom;
}

} // namespace

bool Button::hitTest(Point mouse) const {
    const int32_t h = frameHeight();
    // 64-bit differences: positions far off the screen never wrap into the button.
    const int64_t px = int64_t{mouse.x} - x, py = int64_t{mouse.y} - y;
    if (px < 0 || py < 0 || px >= width() || py >= h) return false;
    return image.isSolidAt(static_cast<int32_t>(px), static_cast<int32_t>(py));
}

void ButtonSet::clear() {
    for (Button& b : buttons_)
        b = Button{};
    count_ = 0;
    pressedId_ = -1;
}

bool ButtonSet::add(Image image, int32_t frames, int32_t id, int32_t x, int32_t y) {
    // Frames beyond the fourth are never drawn, but the picture is still cut into that
    // many bands: only a count below 1 has no meaning.
    if (count_ >= kCapacity || image.empty() || frames < 1) return false;
    Button& b = buttons_[static_cast<size_t>(count_)];
    b = Button{};
    b.id = id;
    b.image = std::move(image);
    b.x = x;
    b.y = y;
    b.frames = frames;
    ++count_;
    return true;
}

bool ButtonSet::add(const ArchiveIndex& archives, int32_t frames, int32_t id,
                    std::string_view image, int32_t x, int32_t y) {
    if (count_ >= kCapacity || frames < 1) return false;
    Image picture;
    if (!picture.load(archives, image) || picture.empty()) return false;
    return add(std::move(picture), frames, id, x, y);
}

bool ButtonSet::addWithOverlay(const ArchiveIndex& archives, int32_t frames, int32_t id,
                               std::string_view image, int32_t x, int32_t y,
                               std::string_view overlay, int32_t x2, int32_t y2) {
    if (!add(archives, frames, id, image, x, y)) return false;
    Button& b = buttons_[static_cast<size_t>(count_ - 1)];
    // An overlay that cannot be loaded leaves a button without one.
    if (!b.overlay.load(archives, overlay)) b.overlay.reset();
    b.x2 = x2;
    b.y2 = y2;
    return true;
}

void ButtonSet::disableAll() {
    for (int32_t i = 0; i < count_; ++i)
        buttons_[static_cast<size_t>(i)].disabled = true;
}

void ButtonSet::enable(int32_t id, bool on) {
    for (int32_t i = 0; i < count_; ++i) {
        Button& b = buttons_[static_cast<size_t>(i)];
        if (b.id == id) b.disabled = !on;
    }
}

void ButtonSet::markScroll(int32_t id) {
    for (int32_t i = 0; i < count_; ++i) {
        Button& b = buttons_[static_cast<size_t>(i)];
        if (b.id == id) b.scroll = true;
    }
}

bool ButtonSet::anyEnabled() const {
    for (int32_t i = 0; i < count_; ++i)
        if (!button(i).disabled) return true;
    return false;
}

int32_t ButtonSet::hit(Point mouse) const {
    for (int32_t i = 0; i < count_; ++i) {
        const Button& b = button(i);
        if (!b.disabled && b.hitTest(mouse)) return b.id;
    }
    return -1;
}

bool ButtonSet::press(Point mouse) {
    pressedId_ = hit(mouse);
    return pressedId_ != -1;
}

int32_t ButtonSet::release(Point mouse) {
    const int32_t pressed = pressedId_;
    pressedId_ = -1;
    const int32_t id = hit(mouse);
    return id != -1 && id == pressed ? id : -1;
}

void ButtonSet::draw(Surface& frame, int32_t highlighted, bool leftDown) const {
    for (int32_t i = count_ - 1; i >= 0; --i) {
        const Button& b = button(i);
        const bool hot = b.id == highlighted;
        int32_t state = hot ? (leftDown ? 2 : 1) : 0;
        if (b.frames >= kMaxFrames && b.disabled) state = 3;
        state = std::min(state, b.frames - 1);
        const int32_t h = b.frameHeight();
        copyRect(frame, b.image, b.x, b.y, b.width(), h, 0, h * state);
        if (hot && !b.overlay.empty()) copy(frame, b.overlay, b.x2, b.y2);
    }
}

int32_t ButtonSet::navigate(int32_t action, Point mouse,
                            const std::function<void(Point)>& moveMouse) const {
    if (action != kLeft && action != kRight && action != kUp && action != kDown) return action;

    int32_t current = -1;
    for (int32_t i = 0; i < count_ && current < 0; ++i)
        if (button(i).hitTest(mouse)) current = i;
    const Point origin = current >= 0 ? button(current).centre() : mouse;

    // Rank candidates in the direction: the cross distance counts fully, the distance
    // along the direction half; the tie key the other way round. The later button wins
    // equal keys. 64-bit keys: no position overflows them.
    const bool horizontal = action == kLeft || action == kRight;
    int32_t target = -1;
    int64_t bestKey = 0, bestTie = 0;
    for (int32_t i = 0; i < count_; ++i) {
        const Button& b = button(i);
        if (b.disabled || i == current || (current < 0 && b.scroll)) continue;
        const Point c = b.centre();
        const bool ahead = action == kLeft    ? c.x < origin.x
                           : action == kRight ? c.x > origin.x
                           : action == kUp    ? c.y < origin.y
                                              : c.y > origin.y;
        if (!ahead) continue;
        const int64_t dx = std::llabs(int64_t{origin.x} - c.x);
        const int64_t dy = std::llabs(int64_t{origin.y} - c.y);
        const int64_t key = horizontal ? dy + dx / 2 : dx + dy / 2;
        const int64_t tie = horizontal ? dx + dy / 2 : dy + dx / 2;
        if (target < 0 || key < bestKey || (key == bestKey && tie <= bestTie)) {
            target = i;
            bestKey = key;
            bestTie = tie;
        }
    }

    // Nothing that way: the button nearest to the origin, as from outside every button.
    if (target < 0) {
        current = -1;
        int64_t bestDistance = 0;
        for (int32_t i = 0; i < count_; ++i) {
            const Button& b = button(i);
            if (b.disabled || b.scroll) continue;
            const Point c = b.centre();
            const int64_t dx = int64_t{origin.x} - c.x, dy = int64_t{origin.y} - c.y;
            const int64_t distance = dx * dx + dy * dy;
            if (target < 0 || distance <= bestDistance) {
                target = i;
                bestDistance = distance;
            }
        }
    }
    if (target < 0) return action;

    const Button& t = button(target);
    if (current >= 0 && t.scroll) {
        // Onto a page-scroll button from a list entry: the list scrolls instead.
        if (action == kDown) return kPageDown;
        if (action == kUp) return kPageUp;
        return action;
    }
    if (moveMouse) moveMouse(t.centre());
    return action;
}

void ButtonSets::arm(ButtonArming arming) {
    arming_ = arming;
    box.disableAll();
    auto enableAll = [this](std::initializer_list<int32_t> ids) {
        for (int32_t id : ids)
            box.enable(id, true);
    };
    switch (arming) {
    case ButtonArming::PageWait:
        enableAll({15, 16, 12, 20, 21, 22});
        break;
    case ButtonArming::ChoiceMenu:
        enableAll({12, 20, 21, 22});
        break;
    default:
        break;
    }
}

namespace {

struct Shown {
    bool box = false, choice = false, screen = false;
};

Shown shownSets(ButtonArming arming) {
    switch (arming) {
    case ButtonArming::PageWait:
        return {true, false, false};
    case ButtonArming::ChoiceMenu:
        return {true, true, false};
    case ButtonArming::SystemScreen:
        return {false, false, true};
    case ButtonArming::ChoiceMenuSystemMode:
        return {false, true, false};
    case ButtonArming::None:
        break;
    }
    return {};
}

// A set in the order presses and releases are offered: box, choice, screen.
struct Offered {
    bool shown; // whether the arming shows the set, so that it takes the mouse
    ButtonSet* set;
    ButtonSets::Source source;
};

std::array<Offered, 3> offeredSets(ButtonSets& sets) {
    const Shown shown = shownSets(sets.arming());
    return {{{shown.box, &sets.box, ButtonSets::Source::Box},
             {shown.choice, &sets.choice, ButtonSets::Source::Choice},
             {shown.screen, &sets.screen, ButtonSets::Source::Screen}}};
}

} // namespace

ButtonSets::Source ButtonSets::press(Point mouse) {
    // A press that a set does not take must not leave an older press of it behind: a
    // release over that set's button would then answer a press made elsewhere.
    cancelPress();
    for (const Offered& o : offeredSets(*this))
        if (o.shown && o.set->press(mouse)) return o.source;
    return Source::None;
}

ButtonSets::Released ButtonSets::release(Point mouse) {
    Released r;
    for (const Offered& o : offeredSets(*this)) {
        if (!o.shown) continue;
        if (const int32_t id = o.set->release(mouse); id != -1) {
            r = {o.source, id};
            break;
        }
    }
    cancelPress();
    return r;
}

void ButtonSets::cancelPress() {
    for (const Offered& o : offeredSets(*this))
        o.set->cancelPress();
}

void ButtonSets::draw(Surface& frame, Point mouse, bool leftDown, bool boxVisible) const {
    const Shown shown = shownSets(arming_);
    const bool drawBox = shown.box && boxVisible && box.anyEnabled() && inBoxArea(mouse);
    // A button of a later set (screen, then choice, then box) under the mouse takes the
    // highlight from the earlier sets.
    const int32_t boxHot = drawBox ? box.hit(mouse) : -1;
    int32_t choiceHot = shown.choice ? choice.hit(mouse) : -1;
    int32_t screenHot = shown.screen ? screen.hit(mouse) : -1;
    if (boxHot != -1) choiceHot = -1;
    if (boxHot != -1 || choiceHot != -1) screenHot = -1;
    if (shown.screen) screen.draw(frame, screenHot, leftDown);
    if (shown.choice) choice.draw(frame, choiceHot, leftDown);
    if (drawBox) box.draw(frame, boxHot, leftDown);
}

} // namespace velmira
