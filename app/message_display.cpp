#include "app/message_display.h"

#include <algorithm>

#include "app/screen.h"
#include "app/system_actions.h"
#include "resource/preferences.h"
#include "resource/sjis.h"
#include "text/backlog.h"
#include "text/message_window.h"
#include "ui/button_set.h"

namespace velmira {

namespace {

bool advances(int32_t action) {
    return action == kActionClick || action == kActionOk || action == kActionAdvance;
}

// The first `limit` bytes of a Shift-JIS text, never ending inside a double-byte character.
std::string_view cutToCharacters(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t end = 0;
    while (end < limit) {
        const size_t length = sjis::characterLength(text, end);
        if (end + length > limit) break;
        end += length;
    }
    return text.substr(0, end);
}

} // namespace

int32_t millisecondsPerTextUnit(int32_t speed) {
    static constexpr int32_t kTable[] = {24, 16, 8, 4, 0};
    return speed >= 0 && speed < 5 ? kTable[speed] : 10;
}

int32_t autoAdvanceDelay(int32_t autoSpeed) {
    return std::max(0, 7000 - 700 * autoSpeed);
}

MessageDisplay::MessageDisplay(MessagePump& pump, Screen& screen, platform::Clock& clock,
                               MessageWindow& window, Backlog& backlog, ButtonSets& buttons,
                               SystemActions& actions, const UserPreferences& preferences)
    : pump_(pump), screen_(screen), clock_(clock), window_(window), backlog_(backlog),
      buttons_(buttons), actions_(actions), preferences_(preferences) {}

void MessageDisplay::showMessage(std::string_view line, bool alreadyRead) {
    // The speaker's name is what stands before the first ":" (0x3A is never a trail byte).
    const size_t colon = line.find(':');
    std::string_view name, text = line;
    if (colon != std::string_view::npos) {
        name = cutToCharacters(line.substr(0, colon), kMaxNameBytes);
        text = line.substr(colon + 1);
    }
    // Only "adv" and "novel" show messages; the other modes drop the line.
    if (mode_ == ScriptMode::Adv || mode_ == ScriptMode::Novel)
        pageDisplay(name, text, mode_ == ScriptMode::Novel, alreadyRead);
    stopVoiceOnPage();
}

void MessageDisplay::clearPage() {
    stopVoiceOnPage();
    window_.clearPage(static_cast<int32_t>(mode_));
}

void MessageDisplay::setDisplayMode(ScriptMode mode) {
    mode_ = mode;
    window_.switchLayout(isNovelMode(mode));
    window_.clearPage(static_cast<int32_t>(mode));
    stopVoiceOnPage();
}

void MessageDisplay::markBacklogSavePoint() {
    backlog_.setMark();
}

void MessageDisplay::stopVoiceOnPage() {
    if (preferences_.stopVoiceOnPage && voice_) voice_->stopVoice();
}

void MessageDisplay::pageDisplay(std::string_view name, std::string_view text, bool novel,
                                 bool alreadyRead) {
    InputState& input = pump_.input();
    input.clearPendingAction();
    window_.setText(text);
    const std::string shown = window_.backlogText();
    backlog_.add(name, shown);
    window_.setName(name, novel);
    notify(PageEvent::Kind::Shown, name, shown);

    const int32_t msPerUnit = millisecondsPerTextUnit(alreadyRead ? preferences_.textSpeedRead
                                                                  : preferences_.textSpeedUnread);
    if (!typeText(msPerUnit)) {
        notify(PageEvent::Kind::Left);
        return;
    }
    input.clearPendingAction();
    if (input.isSkipping()) {
        notify(PageEvent::Kind::Skipped);
        return;
    }
    const PageEvent::Kind ending = waitForPage();
    // The box buttons are seen only while a page waits; left armed, an unseen button would
    // take the clicks of the waits that follow.
    buttons_.arm(ButtonArming::None);
    notify(ending);
}

bool MessageDisplay::typeText(int32_t msPerUnit) {
    InputState& input = pump_.input();
    showFrame(false);
    const uint32_t start = clock_.now();
    while (pump_.pumpAndPollInput(InputContext::Game, IdleSleep::No)) {
        int32_t budget = -1;
        if (msPerUnit > 0 && !input.isSkipping() && !advances(input.pendingAction())) {
            // At most 2^32 / 4 ms: a budget that stays positive whatever the clock says.
            budget = static_cast<int32_t>(platform::elapsed(start, clock_.now()) /
                                          static_cast<uint32_t>(msPerUnit));
        }
        const bool more = window_.reveal(budget);
        showFrame(false);
        if (!more) {
            notify(PageEvent::Kind::Revealed);
            return true;
        }
        if (actions_.serve(InputContext::Game)) return false;
    }
    return false;
}

PageEvent::Kind MessageDisplay::waitForPage() {
    InputState& input = pump_.input();
    const bool voiceAtStart = voicePlaying();
    const uint32_t start = clock_.now();
    const uint32_t delay = static_cast<uint32_t>(autoAdvanceDelay(preferences_.autoSpeed));
    buttons_.arm(ButtonArming::PageWait);
    lastWaitingFrame_ = {};
    while (pump_.pumpAndPollInput(InputContext::Game, IdleSleep::Yes)) {
        if (input.isSkipping()) return PageEvent::Kind::Skipped;
        const int32_t action = input.pendingAction();
        if (action == 0) {
            if (input.isAutoMode()) {
                // After a voice the page turns when it ends, with no extra delay.
                if (voiceAtStart ? !voicePlaying() : platform::elapsed(start, clock_.now()) > delay)
                    return PageEvent::Kind::AutoAdvanced;
            }
            showFrame(true);
            continue;
        }
        if (advances(action)) return PageEvent::Kind::Advanced;
        if (input.isAutoMode()) {
            // The action that entered auto mode (or repeated it) has done its work; left
            // pending, it would stop the wait from ever seeing the timer again.
            input.clearPendingAction();
        } else if (actions_.serve(InputContext::Game)) {
            return PageEvent::Kind::Left;
        }
        buttons_.arm(ButtonArming::PageWait);
        lastWaitingFrame_ = {};
    }
    return PageEvent::Kind::Left;
}

void MessageDisplay::showFrame(bool waiting) {
    FrameBuffers& frames = screen_.frames();
    const InputState& input = pump_.input();
    const uint32_t now = clock_.now();
    const bool boxVisible = !input.isSkipping() && !input.isAutoMode();
    WaitingFrame look{frames.frontVersion, MessageWindow::waitIconCell(now),
                      input.mouse().x,     input.mouse().y,
                      input.leftDown(),    boxVisible};
    // A page that waits redraws only when something would look different: the scene (a
    // cross-fade or an animation), the icon's cell, the mouse over the buttons.
    if (waiting && look == lastWaitingFrame_ && screen_.transitions().sceneSettled()) return;

    screen_.transitions().updateScene();
    window_.draw(frames.front, waiting, now);
    if (waiting) buttons_.draw(frames.front, input.mouse(), input.leftDown(), boxVisible);
    frames.frontChanged();
    screen_.present();
    if (waiting) {
        look.frontVersion = frames.frontVersion;
        lastWaitingFrame_ = look;
    }
}

} // namespace velmira
