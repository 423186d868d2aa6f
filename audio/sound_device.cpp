#include "audio/sound_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmira {
namespace {

constexpr int32_t kSilent = -10000;
constexpr int32_t kMinRate = 1000;
constexpr int32_t kMaxRate = 192000;
constexpr int32_t kMinOutputRate = 8000;
constexpr int32_t kMaxOutputRate = 384000;
constexpr uint64_t kOneFrame = uint64_t{1} << 32;
// render() mixes in pieces of this many frames: the sum buffer stays small however much
// the output asks for, and a piece's read positions cannot overflow (see stepOver).
constexpr uint32_t kPieceFrames = 4096;

int32_t clampAttenuation(int32_t hundredthsDb) {
    return std::clamp(hundredthsDb, kSilent, 0);
}

// Output frames as frames of a buffer at srcRate, rounded to the nearest.
uint32_t toSourceFrames(uint32_t outFrames, int32_t srcRate, int32_t outRate) {
    if (outRate <= 0) return 0;
    const uint64_t scaled =
        uint64_t{outFrames} * static_cast<uint64_t>(srcRate) + static_cast<uint64_t>(outRate) / 2;
    return static_cast<uint32_t>(
        std::min<uint64_t>(scaled / static_cast<uint64_t>(outRate), UINT32_MAX));
}

int32_t scaled(int32_t sample, int32_t gain) {
    return static_cast<int32_t>((int64_t{sample} * gain + 32768) >> 16);
}

} // namespace

int32_t volumeToAttenuation(int32_t volume, int32_t scale) {
    if (scale < 1) return 0;
    if (volume < 1) return kSilent;
    const double db = 2000.0 * std::log10(static_cast<double>(volume) / scale);
    const double rounded = std::round(db);
    if (rounded >= 0) return 0;
    if (rounded < -9999) return kSilent;
    return static_cast<int32_t>(rounded);
}

int32_t attenuationToGain(int32_t hundredthsDb) {
    const int32_t h = clampAttenuation(hundredthsDb);
    if (h == kSilent) return 0;
    return static_cast<int32_t>(std::lround(65536.0 * std::pow(10.0, h / 2000.0)));
}

// ---- SoundDevice -------------------------------------------------------------------

SoundDevice::Exclusive::Exclusive(const SoundDevice* device)
    : output_(device ? device->output_ : nullptr) {
    if (output_) output_->lock();
}

SoundDevice::Exclusive::~Exclusive() {
    if (output_) output_->unlock();
}

SoundDevice::SoundDevice(platform::AudioOutput* output) : output_(output) {}

SoundDevice::~SoundDevice() {
    close();
    for (SoundBuffer* buffer : buffers_)
        buffer->device_ = nullptr;
}

bool SoundDevice::open() {
    if (open_) return true;
    if (!output_) return false;
    if (!output_->start(*this)) return false;
    // A device settles its rate when it opens; until open_ is set render() plays silence.
    const int32_t rate = output_->rate();
    if (rate < kMinOutputRate || rate > kMaxOutputRate) {
        output_->stop();
        return false;
    }
    Exclusive hold(this);
    rate_ = rate;
    open_ = true;
    return true;
}

void SoundDevice::close() {
    if (!open_) return;
    output_->stop();
    Exclusive hold(this);
    open_ = false;
    // Nothing is mixed any more: a buffer left "playing" would never end, and whoever waits
    // for a voice to finish would wait for ever.
    for (SoundBuffer* buffer : buffers_) {
        buffer->playing_ = false;
        buffer->ended_ = false;
        buffer->inFlight_ = 0;
    }
}

std::unique_ptr<SoundBuffer> SoundDevice::createBuffer(PcmFormat format, uint32_t bytes,
                                                       BufferKind kind) {
    if (!open_) return nullptr;
    if (format.channels < 1 || format.channels > 2) return nullptr;
    if (format.rate < kMinRate || format.rate > kMaxRate) return nullptr;
    if (bytes > SoundBuffer::kMaxBytes) return nullptr;
    const uint32_t frames = bytes / static_cast<uint32_t>(format.blockAlign());
    if (frames == 0) return nullptr;
    // The samples are allocated before the mixer is held up.
    std::unique_ptr<SoundBuffer> buffer(new SoundBuffer(*this, format, frames, kind));
    Exclusive hold(this);
    buffers_.push_back(buffer.get());
    return buffer;
}

void SoundDevice::render(int16_t* out, uint32_t frames) {
    const uint32_t latency = output_ ? output_->latencyFrames() : 0;
    if (mix_.size() < size_t{kPieceFrames} * 2) mix_.resize(size_t{kPieceFrames} * 2);
    while (frames > 0) {
        const uint32_t piece = std::min(frames, kPieceFrames);
        const size_t samples = size_t{piece} * 2;
        std::fill_n(mix_.begin(), samples, 0);
        if (open_)
            for (SoundBuffer* buffer : buffers_)
                if (buffer->playing_) buffer->mixInto(mix_.data(), piece, rate_, latency);
        for (size_t i = 0; i < samples; ++i)
            out[i] = static_cast<int16_t>(std::clamp(mix_[i], -32768, 32767));
        out += samples;
        frames -= piece;
    }
}

// ---- SoundBuffer -------------------------------------------------------------------

SoundBuffer::SoundBuffer(SoundDevice& device, PcmFormat format, uint32_t frames, BufferKind kind)
    : device_(&device), format_(format), kind_(kind), frames_(frames),
      samples_(size_t{frames} * static_cast<size_t>(format.channels), 0) {}

SoundBuffer::~SoundBuffer() {
    if (!device_) return;
    SoundDevice::Exclusive hold(device_);
    std::erase(device_->buffers_, this);
}

bool SoundBuffer::lock(uint32_t offset, uint32_t bytes, Region& first, Region& second) {
    first = Region{};
    second = Region{};
    const uint32_t total = size();
    if (locked_ || bytes == 0 || bytes > total || offset >= total) return false;
    // Only unlock() writes the samples, on the thread that locked: reading them here
    // needs no exclusion from the mixer, which only reads them too.
    staging_.resize(bytes);
    const auto* stored = reinterpret_cast<const uint8_t*>(samples_.data());
    const uint32_t toEnd = std::min(bytes, total - offset);
    std::memcpy(staging_.data(), stored + offset, toEnd);
    std::memcpy(staging_.data() + toEnd, stored, bytes - toEnd);
    locked_ = true;
    lockOffset_ = offset;
    first = Region{staging_.data(), toEnd};
    if (toEnd < bytes) second = Region{staging_.data() + toEnd, bytes - toEnd};
    return true;
}

void SoundBuffer::unlock() {
    if (!locked_) return;
    locked_ = false;
    const uint32_t total = size();
    const auto bytes = static_cast<uint32_t>(staging_.size());
    const uint32_t toEnd = std::min(bytes, total - lockOffset_);
    auto* stored = reinterpret_cast<uint8_t*>(samples_.data());
    SoundDevice::Exclusive hold(device_);
    std::memcpy(stored + lockOffset_, staging_.data(), toEnd);
    std::memcpy(stored, staging_.data() + toEnd, bytes - toEnd);
}

bool SoundBuffer::play(bool looping) {
    if (!device_) return false;
    SoundDevice::Exclusive hold(device_);
    if (!device_->open_) return false;
    looping_ = looping;
    if (playing_ && !ended_) return true;
    if (ended_) position_ = 0; // played again while its last frames are still heard
    playing_ = true;
    ended_ = false;
    inFlight_ = 0;
    return true;
}

void SoundBuffer::stop() {
    SoundDevice::Exclusive hold(device_);
    // Stopped while its last frames are still heard: it was played to the end, and
    // playing it again starts from the beginning, as it would a moment later.
    if (ended_) position_ = 0;
    playing_ = false;
    ended_ = false;
    inFlight_ = 0;
}

void SoundBuffer::setVolume(int32_t hundredthsDb) {
    const int32_t volume = clampAttenuation(hundredthsDb);
    const int32_t gain = attenuationToGain(volume);
    SoundDevice::Exclusive hold(device_);
    volume_ = volume;
    gain_ = gain;
}

int32_t SoundBuffer::volume() const {
    SoundDevice::Exclusive hold(device_);
    return volume_;
}

bool SoundBuffer::playing() const {
    SoundDevice::Exclusive hold(device_);
    return playing_;
}

bool SoundBuffer::looping() const {
    SoundDevice::Exclusive hold(device_);
    return looping_;
}

bool SoundBuffer::currentPosition(uint32_t& play, uint32_t& write) const {
    const auto block = static_cast<uint32_t>(format_.blockAlign());
    SoundDevice::Exclusive hold(device_);
    // An ended buffer's mixer position is its end; as cursors that is offset 0 again.
    const auto written = static_cast<uint32_t>(position_ >> 32); // at most frames_
    uint32_t heard = written;
    if (playing_ && inFlight_ > 0 && device_) {
        const uint32_t lag = toSourceFrames(inFlight_, format_.rate, device_->rate_);
        if (looping_)
            heard = (written + frames_ - lag % frames_) % frames_;
        else
            heard = written > lag ? written - lag : 0;
    }
    write = (written % frames_) * block;
    play = (heard % frames_) * block;
    return true;
}

bool SoundBuffer::setCurrentPosition(uint32_t offset) {
    if (offset >= size()) return false;
    const uint32_t frame = offset / static_cast<uint32_t>(format_.blockAlign());
    SoundDevice::Exclusive hold(device_);
    position_ = uint64_t{frame} << 32;
    ended_ = false;
    inFlight_ = 0;
    return true;
}

template <int Channels, bool Interpolate>
uint32_t SoundBuffer::mixRun(int32_t* mix, uint32_t count, uint64_t step) {
    const int16_t* s = samples_.data();
    const uint32_t length = frames_;
    const int32_t gain = gain_;
    const bool looping = looping_;
    uint64_t pos = position_;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t index = static_cast<uint32_t>(pos >> 32);
        if (index >= length) {
            if (!looping) {
                position_ = uint64_t{length} << 32;
                return i;
            }
            index %= length;
            pos = (uint64_t{index} << 32) | (pos & 0xFFFFFFFFu);
        }
        const int16_t* a = s + size_t{index} * Channels;
        int32_t left, right;
        if constexpr (Interpolate) {
            // The frame after the last is the first again when looping; a buffer that
            // ends holds its last frame.
            const uint32_t next = index + 1 < length ? index + 1 : (looping ? 0 : index);
            const int16_t* b = s + size_t{next} * Channels;
            const auto w = static_cast<int32_t>((pos >> 17) & 0x7FFF); // 15-bit weight
            left = a[0] + (((b[0] - a[0]) * w) >> 15);
            right = Channels == 2 ? a[1] + (((b[1] - a[1]) * w) >> 15) : left;
        } else {
            left = a[0];
            right = Channels == 2 ? a[1] : left;
        }
        mix[2 * i] += scaled(left, gain);
        mix[2 * i + 1] += scaled(right, gain);
        pos += step;
    }
    // Keep the cursor inside the buffer between calls.
    const auto index = static_cast<uint32_t>(pos >> 32);
    if (index >= length) {
        if (looping)
            pos = (uint64_t{index % length} << 32) | (pos & 0xFFFFFFFFu);
        else
            pos = uint64_t{length} << 32;
    }
    position_ = pos;
    return count;
}

uint32_t SoundBuffer::stepOver(uint32_t count, uint64_t step) {
    const uint64_t length = uint64_t{frames_} << 32;
    // No overflow: position < 2^58 (kMaxBytes frames), count <= kPieceFrames = 2^12 and
    // step < 2^38 (a rate ratio below 192000 / 8000 = 24 < 64).
    const uint64_t end = position_ + uint64_t{count} * step;
    if (end < length) {
        position_ = end;
        return count;
    }
    if (looping_) {
        position_ = end % length;
        return count;
    }
    // Frames that came before the end: ceil((length - position) / step).
    const uint64_t before = (length - position_ + step - 1) / step;
    position_ = length;
    return static_cast<uint32_t>(std::min<uint64_t>(before, count));
}

void SoundBuffer::mixInto(int32_t* mix, uint32_t frames, int32_t outRate, uint32_t latency) {
    uint32_t mixed = 0;
    if (!ended_) {
        const uint64_t step =
            (static_cast<uint64_t>(format_.rate) << 32) / static_cast<uint64_t>(outRate);
        const bool exact = step == kOneFrame;
        if (gain_ == 0)
            mixed = stepOver(frames, step);
        else if (format_.channels == 1)
            mixed =
                exact ? mixRun<1, false>(mix, frames, step) : mixRun<1, true>(mix, frames, step);
        else
            mixed =
                exact ? mixRun<2, false>(mix, frames, step) : mixRun<2, true>(mix, frames, step);
        inFlight_ = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{inFlight_} + mixed, latency));
        if (mixed < frames) {
            // The last frame is heard `latency` output frames after it was taken, however
            // few of the buffer's own frames are still in flight: whatever the output took
            // before it (silence, other sounds) is heard first.
            ended_ = true;
            inFlight_ = latency;
        }
    }
    if (ended_) {
        // Nothing more to mix: the frames already taken are heard out, then it stops.
        const uint32_t after = frames - mixed;
        inFlight_ = inFlight_ > after ? inFlight_ - after : 0;
        if (inFlight_ == 0) {
            playing_ = false;
            ended_ = false;
            position_ = 0;
        }
    }
}

} // namespace velmira
