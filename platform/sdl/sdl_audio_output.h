// The real sound output: one SDL audio device at the system's own rate (16-bit stereo;
// SDL may change the rate asked for, never the format), whose callback pulls every frame
// from the source on SDL's audio thread. The lock is SDL's lock of that device.
//
// Failures never stop the game:
//   - a device that cannot be opened (none, or busy) makes start() fail, and the engine
//     runs silent; the note sink hears about it once;
//   - a device that disappears while playing (SDL_AUDIODEVICEREMOVED: a USB headset
//     unplugged) is closed, and the default device is opened again at the same rate
//     (SDL converts, so the mixer never sees the rate change). Where there is no device
//     left the output goes silent: a thread of its own keeps pulling from the source in
//     real time and drops the frames, so that sounds still end and cursors still move;
//     when a device appears again (SDL_AUDIODEVICEADDED) it is opened.
// Hot-plug events are seen through an SDL event watch, on whichever thread pushes them;
// the reopening happens on the output's own supervising thread.
#pragma once

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/audio_output.h"

namespace velmira::platform {

class SdlAudioOutput final : public AudioOutput {
  public:
    using Note = std::function<void(std::string_view text)>;

    // The rate asked of SDL and the frames of one callback.
    static constexpr int kWantedRate = 44100;
    static constexpr Uint16 kFramesPerCallback = 1024;

    // SDL's audio subsystem must be started; note (may be empty) hears what failed.
    explicit SdlAudioOutput(Note note = {}) : note_(std::move(note)) {}
    ~SdlAudioOutput() override { stop(); }
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool start(AudioSource& source) override;
    void stop() override;
    // The device's rate once started (kWantedRate before).
    int32_t rate() const override { return rate_.load(); }
    uint32_t latencyFrames() const override { return latency_.load(); }
    void lock() override;
    void unlock() override;

    // What tests observe: devices opened again after a loss, whether the output pulls
    // with no device, the device open now (0: none).
    uint32_t reopens() const { return reopens_.load(); }
    bool silent() const { return silent_.load(); }
    SDL_AudioDeviceID device() const { return device_.load(); }

  private:
    static void SDLCALL callback(void* self, Uint8* stream, int bytes);
    static int SDLCALL watch(void* self, SDL_Event* event);

    // Opens the default device; 0 when none can be opened. fixedRate 0: the system's.
    SDL_AudioDeviceID openDevice(int fixedRate);
    void supervise();
    // After a loss, or when a device appears while silent (deviceMutex_ held).
    void replaceDevice();
    void note(const std::string& text);

    Note note_;
    bool startFailureNoted_ = false;
    AudioSource* source_ = nullptr;
    std::atomic<int32_t> rate_{kWantedRate};
    std::atomic<uint32_t> latency_{kFramesPerCallback};
    std::atomic<uint32_t> reopens_{0};
    std::atomic<bool> silent_{false};

    // Guards device_ and, while silent, the pulls of the supervising thread: lock() takes
    // it before SDL's device lock, so a device is never closed under a lock holder.
    std::mutex deviceMutex_;
    std::atomic<SDL_AudioDeviceID> device_{0};

    // What the event watch tells the supervising thread.
    std::mutex signalMutex_;
    std::condition_variable signal_;
    bool lost_ = false;
    bool added_ = false;
    bool quit_ = false;
    bool watching_ = false;
    std::thread supervisor_;
};

} // namespace velmira::platform
