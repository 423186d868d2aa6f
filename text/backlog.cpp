#include "text/backlog.h"

#include <algorithm>
#include <limits>

namespace velmira {

void Backlog::clear() {
    for (Entry& entry : slots_) {
        entry.name.clear();
        entry.text.clear();
        entry.voice.clear();
    }
    head_ = 0;
    mark_ = 0;
    pendingVoice_.clear();
}

void Backlog::setPendingVoice(std::string_view path) {
    pendingVoice_.assign(path);
}

void Backlog::add(std::string_view name, std::string_view text) {
    Entry& entry = slots_[static_cast<size_t>(head_)];
    entry.name.assign(name);
    entry.text.assign(text);
    // The voice belongs to this message only: the next one starts without.
    entry.voice.swap(pendingVoice_);
    pendingVoice_.clear();
    head_ = (head_ + 1) % kEntries;
}

bool Backlog::get(int32_t k, Entry& out) const {
    if (k < 0 || k >= kEntries) return false;
    out = slots_[static_cast<size_t>((head_ + kEntries - k) % kEntries)];
    return true;
}

int32_t backlogNameX(std::string_view name) {
    const int64_t x = 180 - static_cast<int64_t>(name.size()) * 18 / 2;
    return static_cast<int32_t>(std::max<int64_t>(x, std::numeric_limits<int32_t>::min()));
}

} // namespace velmira
