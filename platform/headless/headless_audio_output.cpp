#include "platform/headless/headless_audio_output.h"

#include <algorithm>

#include "platform/headless/run_log.h"
#include "platform/headless/virtual_clock.h"

namespace velmira::platform {
namespace {

// The source is asked for at most this many frames at a time.
constexpr uint64_t kPieceFrames = 4096;

// Frames that sound from the start of the run until ms: ms * 44.1, rounded down, so
// that every second holds exactly 44100.
uint64_t framesAt(uint64_t ms) {
    return ms * HeadlessAudioOutput::kRate / 1000;
}

} // namespace

bool HeadlessAudioOutput::start(AudioSource& source) {
    if (source_) return source_ == &source;
    // What played before was heard out in silence: the new source's first frame is taken
    // at the present frame plus the latency.
    advanceTo(clock_.elapsedMs());
    source_ = &source;
    log_.write("sound output started, 44100 Hz stereo");
    advanceTo(clock_.elapsedMs());
    return true;
}

void HeadlessAudioOutput::stop() {
    if (!source_) return;
    advanceTo(clock_.elapsedMs());
    source_ = nullptr;
    log_.write("sound output stopped");
}

void HeadlessAudioOutput::advanceTo(uint64_t ms) {
    const uint64_t now = framesAt(ms);
    const uint64_t upTo = source_ ? now + kLatencyFrames : now;
    // A piece at a time, each heard as soon as it is due, so that a long jump of the clock
    // (a wait of the main thread with no other thread to wake) holds no more than the
    // latency and one piece in memory.
    while (taken_ < upTo) {
        take(std::min(upTo, taken_ + kPieceFrames));
        hear(std::min(now, taken_));
    }
    hear(now);
}

void HeadlessAudioOutput::take(uint64_t upTo) {
    if (taken_ >= upTo) return;
    if (!source_ && !wav_) {
        // Silence nobody records: only the count matters.
        taken_ = upTo;
        return;
    }
    // Heard frames are dropped from the front first, so the queue holds only the frames
    // in flight plus what this call takes.
    if (pendingHead_ > 0) {
        pending_.erase(pending_.begin(),
                       pending_.begin() + static_cast<std::ptrdiff_t>(pendingHead_));
        pendingHead_ = 0;
    }
    while (taken_ < upTo) {
        const auto piece = static_cast<uint32_t>(std::min(upTo - taken_, kPieceFrames));
        const size_t at = pending_.size();
        pending_.resize(at + size_t{piece} * 2);
        if (source_) source_->render(pending_.data() + at, piece); // silence otherwise
        taken_ += piece;
        if (!wav_) {
            // Nobody listens: what was mixed only had to move the cursors.
            pending_.resize(at);
        }
    }
}

void HeadlessAudioOutput::hear(uint64_t upTo) {
    if (heard_ >= upTo) return;
    const auto count = static_cast<size_t>(upTo - heard_);
    heard_ = upTo;
    if (!wav_) return;
    const size_t available = (pending_.size() - pendingHead_) / 2;
    const size_t n = std::min(count, available); // always all: taken_ >= heard_
    // The failure is told once, when it happens; the recording then stays failed.
    if (!wav_->failed() && !wav_->append(pending_.data() + pendingHead_, static_cast<uint32_t>(n)))
        log_.write("recording " + wavPath_ + " failed: " + wav_->error());
    pendingHead_ += n * 2;
}

bool HeadlessAudioOutput::record(const std::string& path, std::string& error) {
    advanceTo(clock_.elapsedMs());
    wav_ = std::make_unique<WavWriter>();
    wavPath_ = path;
    if (!wav_->open(path, kRate)) {
        error = wav_->error();
        wav_.reset(); // nothing is recorded; the caller reports the error
        log_.write("recording " + path + " failed: " + error);
        return false;
    }
    // Only frames taken from now on are kept for the file.
    pending_.clear();
    pendingHead_ = 0;
    const uint64_t inFlight = taken_ - heard_;
    pending_.resize(static_cast<size_t>(inFlight) * 2); // taken before: recorded as silence
    log_.write("recording " + path);
    return true;
}

bool HeadlessAudioOutput::finishRecording(std::string& error) {
    if (!wav_) return true;
    advanceTo(clock_.elapsedMs());
    bool ok = wav_->finish();
    if (ok && wav_->truncated()) {
        error = "the run is longer than a WAV file can hold; it holds the first " +
                std::to_string(wav_->frames() / kRate) + " s";
        ok = false;
    } else if (!ok) {
        error = wav_->error(); // the first failure, also when it came before finish()
    }
    log_.write(ok ? "recorded " + wavPath_ + ", " + std::to_string(wav_->frames()) + " frames"
                  : "recording " + wavPath_ + " failed: " + error);
    wav_.reset();
    return ok;
}

} // namespace velmira::platform
