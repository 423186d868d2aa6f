// Where the script step hands its messages and page breaks. The message display
// implements it; until then the default sink shows nothing and returns at once.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmira {

// The script display mode set by the command `mode`.
enum class ScriptMode : uint8_t {
    Adv = 0,
    Novel = 1,
    Novel2 = 2,
    System = 3,
    Demo = 4,
};

inline bool isNovelMode(ScriptMode mode) {
    return mode == ScriptMode::Novel || mode == ScriptMode::Novel2;
}

class MessageSink {
  public:
    virtual ~MessageSink() = default;

    // One message as collected by the script (text lines joined with "/"; the speaker
    // name, if any, still before the first ":"). Returns when the player has advanced
    // past it, or skip or auto mode has.
    virtual void showMessage(std::string_view text, bool alreadyRead) {}
    // A page break: clears the message page (stopping the voice first when the player's
    // preference says so).
    virtual void clearPage() {}
    // The display mode changed (by `mode`, `SELECT` or a restored save): apply its
    // layout and clear the message window.
    virtual void setDisplayMode(ScriptMode mode) {}
    // The backlog's save-point position := its current position.
    virtual void markBacklogSavePoint() {}
    // Play mode: true while skipping (skip mode or Ctrl held).
    virtual bool skipping() const { return false; }
    // Returns the play mode to normal (an unread message reached while skipping).
    virtual void stopSkipping() {}
};

} // namespace velmira
