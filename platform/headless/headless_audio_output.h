// The headless sound output: the engine's real mixer, driven by the virtual clock. Each
// time the clock moves (VirtualClock's time listener), the output takes from its source
// the frames that the time covers at 44100 Hz stereo - exactly 44100 per second, the
// fraction of a frame carried over - and, when recording, appends what was heard to the
// --audio-out WAV file. Without a recording it still mixes, so that the cursors move and
// sounds end as they would on a real device.
//
// Like a device it takes kLatencyFrames ahead of what is heard: from start() on, the
// source has been asked for every frame up to the present one plus kLatencyFrames. A
// frame taken is heard kLatencyFrames later, and only heard frames are recorded, so frame
// i of the recording is what sounded at virtual time i / 44100 s from the start of the
// run (silence while no source is attached), and a run of N ms records N * 44.1 frames.
//
// render() runs on the main thread inside the clock's advance, never beside the engine:
// lock() and unlock() have nothing to exclude.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_output.h"
#include "platform/headless/wav_writer.h"

namespace velmira::platform {

class RunLog;
class VirtualClock;

class HeadlessAudioOutput final : public AudioOutput {
  public:
    static constexpr int32_t kRate = 44100;
    static constexpr uint32_t kLatencyFrames = 1024;

    HeadlessAudioOutput(VirtualClock& clock, RunLog& log) : clock_(clock), log_(log) {}

    bool start(AudioSource& source) override;
    void stop() override;
    int32_t rate() const override { return kRate; }
    uint32_t latencyFrames() const override { return kLatencyFrames; }
    void lock() override {}
    void unlock() override {}

    // Takes and hears everything up to ms since the start of the run.
    void advanceTo(uint64_t ms);

    // Records what is heard from now on into a WAV file at path; false (error says why)
    // when the file cannot be made, and then nothing is recorded.
    bool record(const std::string& path, std::string& error);
    // Completes the recording; false (error says why) when it could not be written whole.
    // True when nothing was being recorded.
    bool finishRecording(std::string& error);

    // Frames heard since the start of the run.
    uint64_t framesHeard() const { return heard_; }

  private:
    void take(uint64_t upTo);
    void hear(uint64_t upTo);

    VirtualClock& clock_;
    RunLog& log_;
    AudioSource* source_ = nullptr;
    uint64_t taken_ = 0;
    uint64_t heard_ = 0;
    // Frames taken and not heard yet, interleaved stereo, from pendingHead_ on.
    std::vector<int16_t> pending_;
    size_t pendingHead_ = 0;
    std::unique_ptr<WavWriter> wav_; // null unless recording
    std::string wavPath_;
};

} // namespace velmira::platform
