#include "audio/ogg_decoder.h"

// The library's static default callbacks would be unused in this file.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "resource/archive.h"

namespace velmira {

namespace {

// An ov_read answer below zero that can repeat without the stream moving on (a broken
// chain, an argument the library rejects) would spin forever if retried; holes are
// skipped, but only this many in a row.
constexpr int kMaxHolesInARow = 1 << 16;

// A comment value as a decimal sample frame: blanks, an optional sign, digits; anything
// after the digits is ignored. Negative values and text without digits read as 0 (no loop
// point); values beyond INT32_MAX saturate.
int32_t parseFrame(const char* text) {
    if (!text) return 0;
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = std::min<int64_t>(value * 10 + (*text - '0'), INT32_MAX);
    return negative ? 0 : static_cast<int32_t>(value);
}

} // namespace

// ---------------------------------------------------------------------------------------
// OggMemoryStream

uint8_t* OggMemoryStream::allocate(uint32_t bytes) {
    clear();
    if (bytes > kMaxOggFileBytes) return nullptr;
    block.reset(new (std::nothrow) uint8_t[size_t{bytes} + 7]);
    if (!block) return nullptr;
    const auto address = reinterpret_cast<uintptr_t>(block.get());
    uint8_t* aligned = block.get() + ((8 - address % 8) % 8);
    data = aligned;
    position = aligned;
    size = bytes;
    remaining = bytes;
    return aligned;
}

bool OggMemoryStream::load(const uint8_t* bytes, uint32_t count) {
    uint8_t* target = allocate(count);
    if (!target) return false;
    if (count > 0) std::memcpy(target, bytes, count);
    return true;
}

void OggMemoryStream::clear() {
    block.reset();
    data = nullptr;
    position = nullptr;
    size = 0;
    remaining = 0;
}

size_t OggMemoryStream::read(void* destination, size_t elementSize, size_t count,
                             void* datasource) {
    auto* s = static_cast<OggMemoryStream*>(datasource);
    if (!s || !s->data || !destination || elementSize == 0) return 0;
    // elementSize * count may overflow; anything above remaining is cut to it anyway.
    const size_t asked = count > SIZE_MAX / elementSize ? SIZE_MAX : elementSize * count;
    const size_t n = std::min<size_t>(asked, s->remaining);
    if (n > 0) std::memcpy(destination, s->position, n);
    s->position += n;
    s->remaining -= static_cast<uint32_t>(n);
    return n / elementSize;
}

int OggMemoryStream::seek(void* datasource, int64_t offset, int origin) {
    auto* s = static_cast<OggMemoryStream*>(datasource);
    if (!s || !s->data) return -1;
    // The target is worked out in 64 bits from the untruncated offset: a 32-bit offset
    // (or remaining - size in unsigned arithmetic) could wrap into a position outside the
    // block, or land a far-off offset inside it.
    const int64_t size = s->size;
    const int64_t current = size - s->remaining;
    int64_t target = 0;
    switch (origin) {
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        if (offset < -current || offset > size - current) return -1;
        target = current + offset;
        break;
    case SEEK_END:
        if (offset < -size || offset > 0) return -1;
        target = size + offset;
        break;
    default:
        return -1;
    }
    if (target < 0 || target > size) return -1;
    s->position = s->data + target;
    s->remaining = static_cast<uint32_t>(size - target);
    return 0;
}

int OggMemoryStream::close(void* datasource) {
    if (auto* s = static_cast<OggMemoryStream*>(datasource)) s->clear();
    return 0;
}

long OggMemoryStream::tell(void* datasource) {
    const auto* s = static_cast<const OggMemoryStream*>(datasource);
    if (!s || !s->data) return 0;
    return static_cast<long>(s->size - s->remaining);
}

// ---------------------------------------------------------------------------------------
// OggDecoder

struct OggDecoder::VorbisFile {
    OggVorbis_File vf{};
};

OggDecoder::OggDecoder(const ArchiveIndex& archives)
    : archives_(archives), file_(std::make_unique<VorbisFile>()) {}

OggDecoder::~OggDecoder() {
    close();
}

void OggDecoder::close() {
    if (open_) ov_clear(&file_->vf); // closes the memory stream through its callback
    open_ = false;
    stream_.clear();
    channels_ = 0;
    rate_ = 0;
    bitstream_ = 0;
    loop_ = false;
    loopStart_ = 0;
    loopEnd_ = 0;
}

bool OggDecoder::open(std::string_view folder, std::string_view name) {
    close();
    if (name.empty()) return false;
    ArchiveReader reader(archives_);
    if (!reader.open(folder, name)) return false;
    const uint32_t size = reader.size();
    // A member cut short by the end of its archive, or too large, is refused before the
    // block is allocated.
    if (size == 0 || reader.available() < size || size > kMaxOggFileBytes) return false;
    uint8_t* target = stream_.allocate(size);
    if (!target || !reader.read(target, size)) {
        stream_.clear();
        return false;
    }
    return openLoaded();
}

bool OggDecoder::openBytes(const uint8_t* bytes, size_t size) {
    close();
    if (!bytes || size == 0 || size > kMaxOggFileBytes) return false;
    if (!stream_.load(bytes, static_cast<uint32_t>(size))) return false;
    return openLoaded();
}

bool OggDecoder::openLoaded() {
    const ov_callbacks callbacks = {&OggMemoryStream::read, &OggMemoryStream::seek,
                                    &OggMemoryStream::close, &OggMemoryStream::tell};
    file_->vf = OggVorbis_File{};
    // On failure the library leaves the stream to us (it does not call close).
    if (ov_open_callbacks(&stream_, &file_->vf, nullptr, 0, callbacks) < 0) {
        stream_.clear();
        return false;
    }
    open_ = true;
    const vorbis_info* info = ov_info(&file_->vf, -1);
    if (!info || info->channels < 1 || info->rate < 1) {
        close();
        return false;
    }
    channels_ = info->channels;
    rate_ = static_cast<int32_t>(std::min<long>(info->rate, INT32_MAX));
    if (vorbis_comment* comments = ov_comment(&file_->vf, -1)) {
        loopStart_ = parseFrame(vorbis_comment_query(comments, "start", 0));
        loopEnd_ = parseFrame(vorbis_comment_query(comments, "end", 0));
    }
    return true;
}

int64_t OggDecoder::totalFrames() {
    if (!open_) return 0;
    const ogg_int64_t total = ov_pcm_total(&file_->vf, -1);
    return total > 0 ? total : 0;
}

bool OggDecoder::decode(uint8_t* destination, uint32_t byteCount) {
    if (!destination || byteCount < 1) return false;
    if (!open_) {
        std::memset(destination, 0, byteCount);
        return false;
    }

    const int64_t frameBytes = int64_t{channels_} * 2;
    // A request that is not whole frames leaves its last partial frame silent: the library
    // hands out whole frames only.
    const uint32_t usable = static_cast<uint32_t>(byteCount - byteCount % frameBytes);
    uint32_t done = 0;
    uint32_t left = usable;
    bool jumped = false;
    bool whole = true;
    while (left > 0) {
        int64_t want = left;
        if (loopEnd_ != 0) {
            // Never read past the loop end; at or beyond it the stream has ended.
            const int64_t tell = ov_pcm_tell(&file_->vf);
            const int64_t framesLeft = tell < 0 ? 0 : std::max<int64_t>(loopEnd_ - tell, 0);
            want = std::min<int64_t>(want, framesLeft * frameBytes);
        }
        want = std::min<int64_t>(want, INT_MAX - INT_MAX % frameBytes);
        long n = 0;
        if (want > 0) {
            int holes = 0;
            do {
                n = ov_read(&file_->vf, reinterpret_cast<char*>(destination + done),
                            static_cast<int>(want), 0, 2, 1, &bitstream_);
            } while (n == OV_HOLE && ++holes < kMaxHolesInARow);
            if (n < 0 || n > want) n = 0; // any other error ends the stream here
        }
        if (n == 0) {
            if (!loop_ || jumped) {
                whole = false;
                break;
            }
            ov_pcm_seek(&file_->vf, loopStart_);
            jumped = true;
            continue;
        }
        left -= static_cast<uint32_t>(n);
        done += static_cast<uint32_t>(n);
    }
    // What the stream did not fill is silence (filled last: clearing all of it first would
    // write every byte twice).
    std::memset(destination + done, 0, byteCount - done);
    return whole;
}

} // namespace velmira
