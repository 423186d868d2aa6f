#include "audio/music_stream.h"

#include <algorithm>
#include <cstring>

namespace velmira {

MusicStream::MusicStream(SoundDevice* device, const ArchiveIndex& archives, platform::Clock& clock,
                         platform::Threads& threads)
    : device_(device), clock_(clock), threads_(threads), decoder_(archives) {}

MusicStream::~MusicStream() {
    close();
}

bool MusicStream::start(std::string_view name, bool loop) {
    stop();
    if (!device_ || !device_->available()) return false;
    if (!decoder_.open("bgm", name)) return false;
    decoder_.setLoop(loop);

    buffer_ = device_->createBuffer({decoder_.channels(), decoder_.rate()}, kBufferBytes,
                                    BufferKind::Streaming);
    if (!buffer_) return false;
    buffer_->setCurrentPosition(0);
    SoundBuffer::Region first, second;
    if (!buffer_->lock(0, buffer_->size(), first, second)) {
        buffer_.reset();
        return false;
    }
    decoder_.decode(first.data, first.bytes);
    decoder_.decode(second.data, second.bytes);
    buffer_->unlock();

    buffer_->setVolume(volumeToAttenuation(volume_.load()));
    if (!buffer_->play(true)) {
        buffer_.reset();
        return false;
    }

    lastHalf_ = false;
    streaming_.store(true);
    thread_ = threads_.start([this] { run(); });
    if (!thread_) {
        // Without its thread the buffer would repeat its first five seconds for ever.
        streaming_.store(false);
        buffer_->stop();
        buffer_.reset();
        return false;
    }
    return true;
}

void MusicStream::stop() {
    fade_.store(false);
    streaming_.store(false);
    if (thread_) {
        thread_->join();
        thread_.reset();
    }
    if (buffer_) {
        buffer_->stop();
        buffer_.reset();
    }
}

void MusicStream::close() {
    stop();
    decoder_.close();
}

void MusicStream::setVolume(int32_t volume) {
    volume_.store(volume);
    if (!buffer_) return;
    if (fade_.load())
        fadeStep();
    else
        buffer_->setVolume(volumeToAttenuation(volume));
}

void MusicStream::startFade() {
    if (!buffer_ || fade_.load()) return;
    fadeStart_.store(clock_.now());
    fade_.store(true);
}

bool MusicStream::playing() const {
    return buffer_ && buffer_->playing() && !fade_.load();
}

void MusicStream::run() {
    while (streaming_.load()) {
        refill();
        clock_.sleep(kRefillPeriodMs);
    }
}

void MusicStream::fadeStep() {
    const int64_t base = volumeToAttenuation(volume_.load());
    const int64_t level = base - int64_t{platform::elapsed(fadeStart_.load(), clock_.now())};
    if (level >= -10000)
        buffer_->setVolume(static_cast<int32_t>(std::min<int64_t>(level, 0)));
    else
        buffer_->stop();
}

void MusicStream::refill() {
    if (!buffer_) return;
    if (fade_.load()) fadeStep();
    uint32_t play = 0, write = 0;
    if (!buffer_->currentPosition(play, write)) return;
    const bool half = write >= kHalfBytes;
    if (half == lastHalf_) return;
    lastHalf_ = half;
    // The half the write cursor has just left is free to rewrite.
    SoundBuffer::Region first, second;
    if (!buffer_->lock(half ? 0 : kHalfBytes, kHalfBytes, first, second)) return;
    for (const SoundBuffer::Region& region : {first, second}) {
        if (!region.data || region.bytes == 0) continue;
        // A refill under way when stop() clears the flag ends with silence instead of
        // decoding on: stop() is waiting for this thread.
        if (streaming_.load())
            decoder_.decode(region.data, region.bytes);
        else
            std::memset(region.data, 0, region.bytes);
    }
    buffer_->unlock();
}

} // namespace velmira
