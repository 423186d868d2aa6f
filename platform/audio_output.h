// The machine's sound output: a stream of 16-bit stereo frames at the output's own rate,
// which the engine's mixer (audio/sound_device.h) renders on request. The backend only
// moves finished samples: SDL asks from its audio thread, the headless backend asks as
// its virtual clock advances and writes what it gets into the --audio-out WAV file.
//
// An optional capability: a machine without a sound card (or whose device is busy) hands
// out none, and the engine runs silent.
#pragma once

#include <cstdint>

namespace velmira::platform {

class AudioSource {
  public:
    virtual ~AudioSource() = default;
    // Fills `frames` stereo frames (left, right interleaved, signed 16-bit, native order).
    // Called with the output's lock held (see AudioOutput::lock).
    virtual void render(int16_t* out, uint32_t frames) = 0;
};

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    // Starts pulling from source; false when the device cannot be opened (the engine then
    // runs silent). The source must stay alive until stop() returned.
    virtual bool start(AudioSource& source) = 0;
    // Stops pulling; after it returns render() is not called any more.
    virtual void stop() = 0;
    // Frames per second of the output (the system's rate; 44100 in headless runs).
    virtual int32_t rate() const = 0;
    // Frames the output takes ahead of what is heard: the device's latency. The mixer's
    // write cursor leads its play cursor by this much.
    virtual uint32_t latencyFrames() const = 0;
    // Excludes render() while the engine changes what it mixes; the lock is held briefly.
    // A no-op where render() runs on the engine's own thread.
    virtual void lock() = 0;
    virtual void unlock() = 0;
};

} // namespace velmira::platform
