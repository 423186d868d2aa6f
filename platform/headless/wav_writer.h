// A recording of 16-bit stereo PCM as a WAV file, written while the run goes on: the
// frames go to a temporary file beside the target (platform::FileReplacement), and
// finish() completes the header's sizes and puts the file in place, so that no crash
// or failed write ever leaves a torn WAV at the target.
//
// The layout is the canonical 44-byte one: "RIFF", size, "WAVE", a 16-byte "fmt " chunk
// (PCM, 2 channels, the rate, 16 bits, little-endian samples) and one "data" chunk. The
// sizes are 32-bit, so a recording holds at most kMaxFrames (6 h 45 min at 44.1 kHz);
// frames beyond it are not written and truncated() says so.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace velmira::platform {

class WavWriter {
  public:
    static constexpr uint32_t kHeaderBytes = 44;
    static constexpr uint64_t kMaxFrames = (0xFFFFFFFFull - (kHeaderBytes - 8)) / 4;

    // Starts the recording; false (with the reason in error()) when the file cannot be
    // made.
    bool open(const std::string& path, int32_t rate);
    // Appends count interleaved stereo frames. False once the recording failed.
    bool append(const int16_t* frames, uint32_t count);
    // Completes the header and puts the file in place; false (with the reason in error())
    // when anything on the way failed. The writer is closed afterwards.
    bool finish();

    // Whether the recording failed; error() says why (the first reason).
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }
    uint64_t frames() const { return frames_; }
    bool truncated() const { return truncated_; }

  private:
    bool flush();
    bool fail(const std::string& reason);

    FileReplacement file_;
    int32_t rate_ = 0;
    std::vector<uint8_t> pending_; // little-endian bytes not yet written
    uint64_t frames_ = 0;
    bool failed_ = false;
    bool truncated_ = false;
    std::string error_;
};

// The 44-byte header of a 16-bit stereo PCM WAV holding `frames` frames at `rate`.
std::vector<uint8_t> wavHeader(int32_t rate, uint64_t frames);

} // namespace velmira::platform
