// The sound device: sound buffers of 16-bit PCM in each file's own channel count and rate,
// mixed by the engine into the platform's output (platform/audio_output.h). A buffer is
// static (filled once, played once or looping) or streaming (a looping ring refilled
// while it plays, its cursors read to know which part may be rewritten); the mixer treats
// both alike.
//
// Buffers behave as the engine's design expects of its sound buffers: Lock hands out up
// to two regions (the locked range wraps at the end of the buffer), the volume is an
// attenuation in hundredths of a decibel (0 full, -10000 silent), the play cursor is the
// byte now heard and the write cursor the first byte that may still be changed; a buffer
// not looping stops at its end.
//
// Mixing: each playing buffer is resampled to the output rate by linear interpolation
// between neighbouring frames (a 32.32 fixed-point read position, so a rate that divides
// evenly, such as 22050 to 44100, is stepped exactly), scaled by its amplitude factor
// 10^(hdB / 2000) (16-bit fixed point; -10000 is exact silence), summed, and clipped to
// 16 bits. Mono goes to both sides at the buffer's full level.
//
// Cursors: the write cursor is where the mixer reads next - everything before it was
// already taken by the output. The play cursor trails it by the output's latency
// (AudioOutput::latencyFrames, converted to the buffer's rate), never further back than
// where playing started. A buffer not looping ends when its last frame has been heard:
// playing() then turns false and the cursors go back to 0, so that playing it again plays
// it from the start. Stop keeps the position (playing again resumes there), except after
// the last frame was mixed: then playing again starts from the beginning too.
//
// Threads: the main thread and the music streaming thread call the buffers; the output
// calls the mixer (SDL from its audio thread). Every change the mixer can see is made
// under the output's lock (AudioOutput::lock); where the output mixes on the engine's
// own thread (headless), the engine's threads run in lockstep and never overlap. Locked
// regions are the caller's own memory until unlock copies them in, so a refill never
// races the mixer. One buffer is used by one thread at a time (the engine's music rules
// hand the music buffer from the main thread to the streaming thread and back).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio_output.h"

namespace velmira {

struct PcmFormat {
    int32_t channels = 2; // 1 or 2
    int32_t rate = 44100; // frames per second
    int32_t blockAlign() const { return channels * 2; }
};

enum class BufferKind : uint8_t { Static, Streaming };

class SoundDevice;

class SoundBuffer {
  public:
    struct Region {
        uint8_t* data = nullptr;
        uint32_t bytes = 0;
    };

    // The largest buffer: 64 MiB, 6 min 20 s of 44.1 kHz stereo. Music streams through a
    // far smaller ring; only a whole-file effect, voice or ambient sound can meet it.
    static constexpr uint32_t kMaxBytes = 64u << 20;

    ~SoundBuffer(); // Release: stops and leaves the mixer
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // Locks `bytes` from `offset`, wrapping at the end: the second region is empty unless
    // the range wraps. The regions hold the buffer's present content. False for an empty
    // range, a range longer than the buffer, an offset outside it or a lock already held.
    bool lock(uint32_t offset, uint32_t bytes, Region& first, Region& second);
    // Copies the locked regions into the buffer (nothing when no lock is held).
    void unlock();
    // Starts playing from the current position; a buffer already playing only takes the
    // new looping flag. False when the device is closed or gone.
    bool play(bool looping);
    void stop();
    // Hundredths of a decibel, clamped to -10000..0.
    void setVolume(int32_t hundredthsDb);
    int32_t volume() const;
    bool playing() const;
    bool looping() const;
    // Play and write cursors in bytes, whole frames, both below size().
    bool currentPosition(uint32_t& play, uint32_t& write) const;
    // Moves both cursors to offset (rounded down to a whole frame); false for an offset
    // outside the buffer.
    bool setCurrentPosition(uint32_t offset);

    uint32_t size() const { return frames_ * static_cast<uint32_t>(format_.blockAlign()); }
    PcmFormat format() const { return format_; }
    BufferKind kind() const { return kind_; }

  private:
    friend class SoundDevice;
    SoundBuffer(SoundDevice& device, PcmFormat format, uint32_t frames, BufferKind kind);

    // The mixer: adds the next `frames` output frames of this buffer (interleaved stereo)
    // into mix and moves the cursors. Called with the output's lock held.
    void mixInto(int32_t* mix, uint32_t frames, int32_t outRate, uint32_t latency);
    // Mixes (or, at gain 0, only steps over) up to count frames; returns how many came
    // before the end of a buffer not looping (count when it did not end).
    template <int Channels, bool Interpolate>
    uint32_t mixRun(int32_t* mix, uint32_t count, uint64_t step);
    uint32_t stepOver(uint32_t count, uint64_t step);

    SoundDevice* device_; // null once the device is gone
    PcmFormat format_;
    BufferKind kind_;
    uint32_t frames_;
    std::vector<int16_t> samples_; // frames_ * channels, interleaved

    // The locked range: the caller's staging copy until unlock() copies it in.
    bool locked_ = false;
    uint32_t lockOffset_ = 0;
    std::vector<uint8_t> staging_;

    // Mixer state, changed only under the output's lock.
    bool playing_ = false;
    bool looping_ = false;
    bool ended_ = false;    // not looping, last frame mixed, waiting until it is heard
    uint64_t position_ = 0; // the write cursor: frame << 32 | fraction of a frame
    uint32_t inFlight_ = 0; // output frames taken by the output and not heard yet
    int32_t volume_ = 0;
    int32_t gain_ = 1 << 16; // amplitude factor, 16-bit fixed point
};

class SoundDevice final : public platform::AudioSource {
  public:
    // output null: no device; available() is false and no buffer can be made.
    explicit SoundDevice(platform::AudioOutput* output);
    // Closes the output; buffers still alive are stopped and left without a device.
    ~SoundDevice() override;
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Starts the output; false (and the device stays unavailable) when it cannot start.
    bool open();
    // Stops the output; every buffer stops (nothing is mixed any more).
    void close();
    bool available() const { return open_; }
    // The output's rate while open (0 when not).
    int32_t rate() const { return open_ ? rate_ : 0; }

    // A silent buffer of `bytes` (rounded down to whole frames); null when unavailable,
    // for a bad format (channels 1-2, rate 1000-192000) or a size of 0 or above
    // SoundBuffer::kMaxBytes.
    std::unique_ptr<SoundBuffer> createBuffer(PcmFormat format, uint32_t bytes, BufferKind kind);

    // platform::AudioSource: mixes every playing buffer (resampled to the output rate,
    // attenuated, summed and clipped).
    void render(int16_t* out, uint32_t frames) override;

  private:
    friend class SoundBuffer;
    // Holds the output's lock for a scope.
    class Exclusive {
      public:
        explicit Exclusive(const SoundDevice* device);
        ~Exclusive();
        Exclusive(const Exclusive&) = delete;
        Exclusive& operator=(const Exclusive&) = delete;

      private:
        platform::AudioOutput* output_;
    };

    platform::AudioOutput* output_;
    bool open_ = false;
    int32_t rate_ = 0;
    std::vector<SoundBuffer*> buffers_; // every live buffer, in creation order
    std::vector<int32_t> mix_;          // render's sum before clipping
};

// A preference volume v on a scale of m (100) as an attenuation in hundredths of a
// decibel: 2000 * log10(v / m), rounded, clamped to -10000..0 (results below -9999 are
// -10000); v < 1 is -10000 and m < 1 is 0.
int32_t volumeToAttenuation(int32_t volume, int32_t scale = 100);

// The amplitude factor of an attenuation, 10^(hdB / 2000), in 16-bit fixed point
// (65536 at 0, 0 at -10000).
int32_t attenuationToGain(int32_t hundredthsDb);

} // namespace velmira
