// The message display: one message line of the scenario becomes what the player sees and
// waits for. It splits the speaker's name from the text, hands both to the message window,
// reveals the text at the player's speed and waits for the page to be advanced - by a
// click or key, by the auto-advance timer or the end of the voice, or not at all while
// skipping. It keeps the script display mode's side of the window (layout and clearing).
//
// Speeds: the player's preference (0-4) gives milliseconds per time unit of the window,
// 24, 16, 8, 4 or 0 (everything at once); an ordinary character costs 4 units at the
// start of a message. Auto mode advances 7000 - 700 x autoSpeed ms after the text is out,
// or when the voice that was playing then has ended.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "app/message_pump.h"
#include "script/message_sink.h"

namespace velmira {

class Backlog;
class ButtonSets;
class MessageWindow;
class Screen;
class SystemActions;
struct UserPreferences;

// What the page display asks of the sound: whether the voice still plays, and stopping it.
class VoiceChannel {
  public:
    virtual ~VoiceChannel() = default;
    virtual bool voicePlaying() = 0;
    virtual void stopVoice() = 0;
};

// Milliseconds per time unit for a text speed preference; other values give 10.
int32_t millisecondsPerTextUnit(int32_t speed);
// The auto-advance delay for the preference autoSpeed (0-10): never below 0.
int32_t autoAdvanceDelay(int32_t autoSpeed);

// What became of a page, for automation and tests (the headless report prints it).
struct PageEvent {
    enum class Kind : uint8_t {
        Shown,        // the page starts: name and text (Shift-JIS, text as the backlog keeps it)
        Revealed,     // the whole text is out
        Advanced,     // the player turned the page
        AutoAdvanced, // auto mode turned it (timer or the voice's end)
        Skipped,      // skipping passed it
        Left,         // abandoned: the script position changed, or the program quits
    };
    Kind kind = Kind::Shown;
    std::string_view name;
    std::string_view text;
};

class MessageDisplay final : public MessageSink {
  public:
    // The name of a message is cut to what a 4096-byte buffer holds.
    static constexpr size_t kMaxNameBytes = 4095;

    MessageDisplay(MessagePump& pump, Screen& screen, platform::Clock& clock, MessageWindow& window,
                   Backlog& backlog, ButtonSets& buttons, SystemActions& actions,
                   const UserPreferences& preferences);

    // The voice channel once the sound is up (null: no voice ever plays).
    void setVoiceChannel(VoiceChannel* voice) { voice_ = voice; }
    using PageObserver = std::function<void(const PageEvent&)>;
    void setPageObserver(PageObserver observer) { observer_ = std::move(observer); }

    // MessageSink
    void showMessage(std::string_view line, bool alreadyRead) override;
    void clearPage() override;
    void setDisplayMode(ScriptMode mode) override;
    void markBacklogSavePoint() override;
    bool skipping() const override { return pump_.input().isSkipping(); }
    void stopSkipping() override { pump_.input().setNormalMode(); }

  private:
    // Returns when the page was advanced, skipped, the script position changed or quit.
    void pageDisplay(std::string_view name, std::string_view text, bool novel, bool alreadyRead);
    // Types the text out; false when the page display is over (quit, or the script
    // position changed).
    bool typeText(int32_t msPerUnit);
    PageEvent::Kind waitForPage();
    void notify(PageEvent::Kind kind, std::string_view name = {}, std::string_view text = {}) {
        if (observer_) observer_(PageEvent{kind, name, text});
    }
    // One frame: the scene, the window and, while waiting for the page, the wait icon and
    // the box buttons. A waiting frame that would look like the last one is not drawn.
    void showFrame(bool waiting);
    bool voicePlaying() const { return voice_ && voice_->voicePlaying(); }
    void stopVoiceOnPage();

    MessagePump& pump_;
    Screen& screen_;
    platform::Clock& clock_;
    MessageWindow& window_;
    Backlog& backlog_;
    ButtonSets& buttons_;
    SystemActions& actions_;
    const UserPreferences& preferences_;
    VoiceChannel* voice_ = nullptr;
    PageObserver observer_;
    ScriptMode mode_ = ScriptMode::Adv;

    // What the last waiting frame showed: the front buffer's version after it, the icon
    // cell, the mouse and its left button.
    struct WaitingFrame {
        uint64_t frontVersion = ~uint64_t{0};
        int32_t iconCell = -1;
        int32_t mouseX = 0, mouseY = 0;
        bool leftDown = false;
        bool boxVisible = false;
        friend bool operator==(const WaitingFrame&, const WaitingFrame&) = default;
    };
    WaitingFrame lastWaitingFrame_;
};

} // namespace velmira
