// The backlog store: a ring of the last 60 messages shown (speaker name, text as the
// message window renders it for the backlog, and the voice that came with it), filled by
// the page display and saved with the game. The backlog screen reads it.
//
// Entry numbering: entry k (0-59) is slot (head + 60 - k) mod 60, so entry 1 is the newest
// message and entry 0 the slot the next message overwrites (the oldest one, or empty).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmira {

class Backlog {
  public:
    static constexpr int32_t kEntries = 60;

    struct Entry {
        std::string name;
        std::string text;
        std::string voice;
    };

    // Every string empty, head = mark = 0 (start-up).
    void clear();
    // The voice of the message about to be shown; an empty path clears it.
    void setPendingVoice(std::string_view path);
    // Writes name, text and the pending voice into slot head, advances head and clears
    // the pending voice.
    void add(std::string_view name, std::string_view text);
    // Copies entry k; false (out untouched) for k outside 0-59.
    bool get(int32_t k, Entry& out) const;
    // The script recorded its resume point: mark = head.
    void setMark() { mark_ = head_; }

    int32_t head() const { return head_; }
    int32_t mark() const { return mark_; }
    const std::string& pendingVoice() const { return pendingVoice_; }

  private:
    std::array<Entry, kEntries> slots_;
    int32_t head_ = 0;
    int32_t mark_ = 0;
    std::string pendingVoice_;
};

// The backlog screen writes a speaker's name in 18-pixel characters centred on x = 180 of
// its row: the x where the name starts, 180 - (bytes * 18) / 2 (a 6-byte name, three
// double-byte characters, starts at 126). Very long names saturate far to the left.
int32_t backlogNameX(std::string_view name);

} // namespace velmira
