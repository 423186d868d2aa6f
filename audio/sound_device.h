// The sound device: sound buffers of 16-bit PCM in each file's own channel count and rate,
// mixed by the engine into the platform's output (platform/audio_output.h). A buffer is
// static (filled once, played once or looping) or streaming (a looping ring refilled
// while it plays, its cursors read to know which part may be rewritten).
//
// Buffers behave as the engine's design expects of its sound buffers: Lock hands out up
// to two regions (the locked range wraps at the end of the buffer), the volume is an
// attenuation in hundredths of a decibel (0 full, -10000 silent), the play cursor is the
// byte now heard and the write cursor the first byte that may still be changed; a buffer
// not looping stops at its end.
//
// Threads: the main thread and the music streaming thread call the buffers; the output
// calls the mixer (SDL from its audio thread). Locked regions are the caller's own memory
// until unlock copies them in, so a refill never races the mixer.
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

    ~SoundBuffer(); // Release: stops and leaves the mixer
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // Locks `bytes` from `offset`, wrapping at the end: the second region is empty unless
    // the range wraps. False for a range longer than the buffer, an offset outside it or a
    // lock already held.
    bool lock(uint32_t offset, uint32_t bytes, Region& first, Region& second);
    // Copies the locked regions into the buffer.
    void unlock();
    bool play(bool looping);
    void stop();
    // Hundredths of a decibel, clamped to -10000..0.
    void setVolume(int32_t hundredthsDb);
    bool playing() const;
    // Play and write cursors in bytes.
    bool currentPosition(uint32_t& play, uint32_t& write) const;
    void setCurrentPosition(uint32_t offset);

    uint32_t size() const;
    PcmFormat format() const;

  private:
    friend class SoundDevice;
    SoundBuffer() = default;
    // ... implementation state owned by whoever builds this class
};

class SoundDevice final : public platform::AudioSource {
  public:
    // output null: no device; available() is false and no buffer can be made.
    explicit SoundDevice(platform::AudioOutput* output);
    ~SoundDevice() override;

    // Starts the output; false (and the device stays unavailable) when it cannot start.
    bool open();
    void close();
    bool available() const;

    // A silent buffer of `bytes` (rounded down to whole frames); null when unavailable,
    // for a bad format (channels 1-2, rate 1000-192000) or a size of 0 or above the limit.
    std::unique_ptr<SoundBuffer> createBuffer(PcmFormat format, uint32_t bytes, BufferKind kind);

    // platform::AudioSource: mixes every playing buffer (resampled to the output rate,
    // attenuated, summed and clipped).
    void render(int16_t* out, uint32_t frames) override;
};

// A preference volume v on a scale of m (100) as an attenuation in hundredths of a
// decibel: 2000 * log10(v / m), rounded, clamped to -10000..0 (results below -9999 are
// -10000); v < 1 is -10000 and m < 1 is 0.
int32_t volumeToAttenuation(int32_t volume, int32_t scale = 100);

} // namespace velmira
