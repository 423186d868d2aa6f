// The music stream: one looping streaming buffer of 882000 bytes, played while a
// background thread refills it half by half from the music decoder, and the music fade.
//
// The buffer's two halves of 441000 bytes (2.5 s of 44.1 kHz 16-bit stereo; 5 s at
// 22.05 kHz) take turns: every 100 ms the streaming thread looks at the write cursor, and
// when it has crossed into the other half, it decodes into the half just left behind.
//
// Threads: start(), stop(), setVolume() and startFade() belong to the main thread. The
// streaming thread only reads the buffer, the decoder, the fade state and the volume, and
// only locks, unlocks, reads the cursors, sets the volume and stops the buffer. The two
// share atomic flags and nothing else; the main thread clears `streaming`, joins the
// thread (at most one refill and one 100 ms sleep) and only then releases the buffer or
// reopens the decoder. The thread's sleeps go through the clock on that thread, so a
// headless run schedules it on its virtual time.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "audio/ogg_decoder.h"
#include "audio/sound_device.h"
#include "platform/clock.h"
#include "platform/threads.h"

namespace velmira {

class MusicStream {
  public:
    static constexpr uint32_t kBufferBytes = 882000;
    static constexpr uint32_t kHalfBytes = kBufferBytes / 2;
    static constexpr uint32_t kRefillPeriodMs = 100;

    // device null: no sound output; start() then fails.
    MusicStream(SoundDevice* device, const ArchiveIndex& archives, platform::Clock& clock,
                platform::Threads& threads);
    ~MusicStream(); // stop(), then the decoder closes
    MusicStream(const MusicStream&) = delete;
    MusicStream& operator=(const MusicStream&) = delete;

    // Stops what plays, opens "bgm"\name in the music decoder, fills the whole buffer,
    // plays it looping at the volume last set and starts the streaming thread. False
    // (nothing plays, no thread runs) when the file cannot be opened, the buffer cannot be
    // made or played, or no thread can be started.
    bool start(std::string_view name, bool loop);
    // Ends the fade and the streaming thread (waiting for it), then stops and releases
    // the buffer. The decoder stays open until the next start() or close().
    void stop();
    // stop(), and the decoder closes: at shutdown.
    void close();

    // The BGM preference volume, 0-100. Applied to the buffer at once; while a fade runs
    // the fade is re-evaluated from the new volume instead.
    void setVolume(int32_t volume);
    int32_t volume() const { return volume_.load(); }

    // The level falls 1/100 dB per millisecond from the current volume; once below
    // -100 dB the buffer is stopped (it stays allocated until stop()). A fade already
    // running goes on from its own start. Nothing happens without a buffer.
    void startFade();
    bool fading() const { return fade_.load(); }

    // A buffer exists and plays (a music past its end without loop plays silence and
    // still counts), and no fade runs.
    bool playing() const;
    // The ring, null while stopped (for inspection).
    SoundBuffer* buffer() { return buffer_.get(); }

  private:
    void run();      // the streaming thread's body
    void refill();   // one poll: the fade step, then the half behind the write cursor
    void fadeStep(); // one step of the fade: set the level or stop the buffer

    SoundDevice* device_;
    platform::Clock& clock_;
    platform::Threads& threads_;
    OggDecoder decoder_;
    std::unique_ptr<SoundBuffer> buffer_;
    std::unique_ptr<platform::Thread> thread_;
    bool lastHalf_ = false; // the write cursor was last seen in the second half
    std::atomic<bool> streaming_{false};
    std::atomic<bool> fade_{false};
    std::atomic<uint32_t> fadeStart_{0}; // clock milliseconds
    std::atomic<int32_t> volume_{50};
};

} // namespace velmira
