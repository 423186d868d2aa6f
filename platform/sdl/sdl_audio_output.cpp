#include "platform/sdl/sdl_audio_output.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>
#include <vector>

namespace velmira::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

// While silent, the supervising thread pulls this often, and at most a second at once
// (after the machine slept, the sounds of that time are skipped, not caught up).
constexpr auto kSilentPeriod = std::chrono::milliseconds(10);

} // namespace

void SDLCALL SdlAudioOutput::callback(void* self, Uint8* stream, int bytes) {
    auto* output = static_cast<SdlAudioOutput*>(self);
    // SDL holds the device's lock: the source renders with the output's lock held.
    output->source_->render(reinterpret_cast<int16_t*>(stream), static_cast<uint32_t>(bytes / 4));
}

int SDLCALL SdlAudioOutput::watch(void* self, SDL_Event* event) {
    auto* output = static_cast<SdlAudioOutput*>(self);
    if (event->type != SDL_AUDIODEVICEREMOVED && event->type != SDL_AUDIODEVICEADDED) return 1;
    if (event->adevice.iscapture) return 1;
    // Removal names the opened device; addition only an index in SDL's list.
    const bool lost =
        event->type == SDL_AUDIODEVICEREMOVED && event->adevice.which == output->device_.load();
    const bool added = event->type == SDL_AUDIODEVICEADDED;
    if (lost || added) {
        const std::lock_guard lock(output->signalMutex_);
        output->lost_ = output->lost_ || lost;
        output->added_ = output->added_ || added;
    }
    output->signal_.notify_all();
    return 1;
}

void SdlAudioOutput::note(const std::string& text) {
    if (note_) note_(text);
}

SDL_AudioDeviceID SdlAudioOutput::openDevice(int fixedRate) {
    SDL_AudioSpec want{};
    want.freq = fixedRate != 0 ? fixedRate : kWantedRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kFramesPerCallback;
    want.callback = &SdlAudioOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // The format and channel count are always ours (SDL converts); the first device may
    // choose its rate, a replacement must keep it, since the mixer resamples to it.
    const int changes = fixedRate != 0 ? 0 : SDL_AUDIO_ALLOW_FREQUENCY_CHANGE;
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, changes);
    if (id == 0) return 0;
    if (fixedRate == 0) rate_ = have.freq;
    latency_ = have.samples;
    return id;
}

bool SdlAudioOutput::start(AudioSource& source) {
    if (source_) return source_ == &source;
    source_ = &source;
    const SDL_AudioDeviceID id = openDevice(0);
    if (id == 0) {
        if (!startFailureNoted_)
            note(std::string("sound: no audio device could be opened (") + SDL_GetError() +
                 "); the game runs silent");
        startFailureNoted_ = true;
        source_ = nullptr;
        return false;
    }
    {
        const std::lock_guard lock(deviceMutex_);
        device_ = id;
    }
    silent_ = false;
    {
        const std::lock_guard lock(signalMutex_);
        lost_ = added_ = quit_ = false;
    }
    SDL_AddEventWatch(&SdlAudioOutput::watch, this);
    watching_ = true;
    try {
        supervisor_ = std::thread(&SdlAudioOutput::supervise, this);
    } catch (const std::system_error&) {
        // Plays on; only a lost device would not be replaced.
        note("sound: no thread to watch the audio device");
    }
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void SdlAudioOutput::stop() {
    if (!source_) return;
    {
        const std::lock_guard lock(signalMutex_);
        quit_ = true;
    }
    signal_.notify_all();
    if (supervisor_.joinable()) supervisor_.join();
    if (watching_) SDL_DelEventWatch(&SdlAudioOutput::watch, this);
    watching_ = false;
    {
        const std::lock_guard lock(deviceMutex_);
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    silent_ = false;
    source_ = nullptr;
}

void SdlAudioOutput::lock() {
    deviceMutex_.lock();
    if (const SDL_AudioDeviceID id = device_; id != 0) SDL_LockAudioDevice(id);
}

void SdlAudioOutput::unlock() {
    if (const SDL_AudioDeviceID id = device_; id != 0) SDL_UnlockAudioDevice(id);
    deviceMutex_.unlock();
}

void SdlAudioOutput::replaceDevice() {
    const SDL_AudioDeviceID old = device_;
    if (old != 0) SDL_CloseAudioDevice(old); // its callback has ended when this returns
    device_ = 0;
    const SDL_AudioDeviceID id = openDevice(rate_);
    if (id != 0) {
        device_ = id;
        SDL_PauseAudioDevice(id, 0);
        note(silent_ ? "sound: an audio device appeared; the sound is back"
                     : "sound: the audio device was lost; the default device plays on");
        silent_ = false;
        ++reopens_;
    } else if (!silent_.exchange(true)) {
        note("sound: the audio device was lost and no other is there; the game goes on "
             "silent");
    }
}

void SdlAudioOutput::supervise() {
    std::vector<int16_t> dropped;
    SteadyClock::time_point silentSince{};
    uint64_t silentFrames = 0; // pulled since silentSince
    std::unique_lock lock(signalMutex_);
    while (!quit_) {
        if (silent_)
            signal_.wait_for(lock, kSilentPeriod, [&] { return quit_ || lost_ || added_; });
        else
            signal_.wait(lock, [&] { return quit_ || lost_; });
        if (quit_) break;
        const bool lost = std::exchange(lost_, false);
        const bool added = std::exchange(added_, false);
        lock.unlock();
        {
            const std::lock_guard hold(deviceMutex_);
            const bool wasSilent = silent_;
            if (lost || (added && silent_)) replaceDevice();
            if (silent_ && !wasSilent) {
                silentSince = SteadyClock::now();
                silentFrames = 0;
            }
            if (silent_) {
                // Pull what the time since going silent covers, as a device would.
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    SteadyClock::now() - silentSince)
                                    .count();
                const uint64_t due =
                    static_cast<uint64_t>(ns) * static_cast<uint64_t>(rate_) / 1'000'000'000ull;
                const uint64_t limit = static_cast<uint64_t>(rate_); // one second
                if (due > silentFrames + limit) silentFrames = due - limit;
                const auto frames = static_cast<uint32_t>(due - silentFrames);
                if (frames > 0) {
                    dropped.resize(size_t{frames} * 2);
                    source_->render(dropped.data(), frames);
                    silentFrames = due;
                }
            }
        }
        lock.lock();
    }
    lock.unlock();
    // SDL keeps per-thread data (its error text) that only its own threads free.
    SDL_TLSCleanup();
}

} // namespace velmira::platform
