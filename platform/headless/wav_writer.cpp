#include "platform/headless/wav_writer.h"

#include <algorithm>

#include "resource/byte_order.h"

namespace velmira::platform {
namespace {

// Frames are gathered into writes of about this many bytes.
constexpr size_t kFlushBytes = 64 * 1024;

void appendTag(std::vector<uint8_t>& out, const char (&tag)[5]) {
    out.insert(out.end(), tag, tag + 4);
}

} // namespace

std::vector<uint8_t> wavHeader(int32_t rate, uint64_t frames) {
    const auto dataBytes = static_cast<uint32_t>(std::min(frames, WavWriter::kMaxFrames) * 4);
    const auto byteRate = static_cast<uint32_t>(rate) * 4;
    std::vector<uint8_t> h;
    h.reserve(WavWriter::kHeaderBytes);
    appendTag(h, "RIFF");
    appendLe32(h, WavWriter::kHeaderBytes - 8 + dataBytes);
    appendTag(h, "WAVE");
    appendTag(h, "fmt ");
    appendLe32(h, 16);                          // size of the format chunk
    appendLe16(h, 1);                           // PCM
    appendLe16(h, 2);                           // channels
    appendLe32(h, static_cast<uint32_t>(rate)); // frames per second
    appendLe32(h, byteRate);                    // bytes per second
    appendLe16(h, 4);                           // bytes per frame
    appendLe16(h, 16);                          // bits per sample
    appendTag(h, "data");
    appendLe32(h, dataBytes);
    return h;
}

bool WavWriter::fail(const std::string& reason) {
    if (!failed_) error_ = reason;
    failed_ = true;
    file_.discard();
    pending_.clear();
    return false;
}

bool WavWriter::open(const std::string& path, int32_t rate) {
    file_.discard();
    pending_ = wavHeader(rate, 0); // completed by finish()
    frames_ = 0;
    failed_ = truncated_ = false;
    error_.clear();
    std::string reason;
    if (!file_.open(path, &reason)) return fail(reason);
    rate_ = rate;
    return true;
}

bool WavWriter::flush() {
    if (pending_.empty()) return true;
    std::string reason;
    if (!file_.append(pending_, &reason)) return fail(reason);
    pending_.clear();
    return true;
}

bool WavWriter::append(const int16_t* frames, uint32_t count) {
    if (failed_ || !file_.isOpen()) return false;
    const uint64_t room = kMaxFrames - frames_;
    if (count > room) {
        truncated_ = true;
        count = static_cast<uint32_t>(room);
    }
    for (size_t i = 0; i < size_t{count} * 2; ++i)
        appendLe16(pending_, static_cast<uint16_t>(frames[i]));
    frames_ += count;
    return pending_.size() < kFlushBytes || flush();
}

bool WavWriter::finish() {
    if (failed_ || !file_.isOpen()) {
        if (!failed_) error_ = "the recording was not started";
        failed_ = true;
        return false;
    }
    if (!flush()) return false;
    std::string reason;
    if (!file_.overwrite(0, wavHeader(rate_, frames_), &reason)) return fail(reason);
    if (!file_.commit(&reason)) return fail(reason);
    return true;
}

} // namespace velmira::platform
