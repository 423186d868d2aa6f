// Small parts for driving and watching the sound code by hand: an output that renders
// only when asked, a source that counts what it was asked for, and a slice of bytes.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/audio_output.h"

namespace velmira::test {

// An output that renders when pull() asks, as a device's callback would. Like a real
// device it settles its rate only when it starts: rate() is 0 until then.
class PulledOutput final : public platform::AudioOutput {
  public:
    explicit PulledOutput(int32_t rate, uint32_t latencyFrames = 0)
        : rate_(rate), latency_(latencyFrames) {}
    bool start(platform::AudioSource& source) override {
        source_ = &source;
        return true;
    }
    void stop() override { source_ = nullptr; }
    int32_t rate() const override { return source_ ? rate_ : 0; }
    uint32_t latencyFrames() const override { return latency_; }
    void lock() override {}
    void unlock() override {}
    // Renders frames of interleaved stereo into out; only while started.
    void pull(int16_t* out, uint32_t frames) { source_->render(out, frames); }

  private:
    int32_t rate_;
    uint32_t latency_;
    platform::AudioSource* source_ = nullptr;
};

// Plays a constant and counts the frames it was asked for (on any thread).
class CountingSource final : public platform::AudioSource {
  public:
    explicit CountingSource(int16_t value = 0) : value_(value) {}
    void render(int16_t* out, uint32_t frames) override {
        std::fill_n(out, size_t{frames} * 2, value_);
        rendered += frames;
    }
    std::atomic<uint64_t> rendered{0};

  private:
    int16_t value_;
};

// Bytes [from, from + count) as a vector of their own, clipped to the end.
inline std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
    from = std::min(from, bytes.size());
    count = std::min(count, bytes.size() - from);
    return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

} // namespace velmira::test
