// The Ogg Vorbis decoder of every sound: a file is read whole into memory and decoded on
// demand to signed 16-bit little-endian PCM, interleaved, in the file's own channel count
// and rate.
//
// Loop points come from the Vorbis comments "start" and "end" (the first occurrence of
// each, decimal sample frames): the stream is taken as ended at frame "end" (0 or absent:
// its real end), and a looping decoder then goes on from frame "start" (absent: 0).
// A negative value counts as absent.
//
// Decode fills exactly the bytes asked for and pads with silence. Within one call the
// stream jumps back to the loop start at most once, so a looping sound shorter than a
// request plays once or twice and leaves the rest of that request silent.
//
// Limits, on purpose: a file above kMaxOggFileBytes is refused before anything is
// allocated. Hostile files fail to open or decode to silence; no input makes the decoder
// read or write outside its buffers or loop forever.
//
// Not thread-safe: one thread at a time (the music decoder belongs to the streaming
// thread while that runs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace velmira {

class ArchiveIndex;

// Larger than any sound a game ships (an hour of music at 192 kbit/s is about 86 MiB).
inline constexpr uint32_t kMaxOggFileBytes = 128u << 20;

// The file as the decoding library reads it: one block owned by the stream, with the
// file's bytes starting at its first 8-byte-aligned address. The four functions are the
// library's read, seek, close and tell callbacks; datasource is the OggMemoryStream.
struct OggMemoryStream {
    std::unique_ptr<uint8_t[]> block; // size + 7 bytes
    const uint8_t* data = nullptr;    // the file's first byte inside block
    const uint8_t* position = nullptr;
    uint32_t size = 0;
    uint32_t remaining = 0; // bytes from position to the end

    // Copies size bytes into a fresh block; false (and the stream empty) when size is
    // above kMaxOggFileBytes.
    bool load(const uint8_t* bytes, uint32_t size);
    // Allocates the block for size bytes and points data, position, size and remaining at
    // it, for the caller to fill the size bytes at data. False above kMaxOggFileBytes.
    uint8_t* allocate(uint32_t size);
    void clear();

    // fread-like: copies min(elementSize * count, remaining) bytes and answers the whole
    // elements copied; 0 when nothing is loaded or elementSize is 0.
    static size_t read(void* destination, size_t elementSize, size_t count, void* datasource);
    // origin as fseek (0 start, 1 current, 2 end). The new position must lie within the
    // file (0 ... size inclusive); otherwise -1 and nothing moves.
    static int seek(void* datasource, int64_t offset, int origin);
    static int close(void* datasource); // frees the block; always 0
    static long tell(void* datasource); // size - remaining
};

class OggDecoder {
  public:
    explicit OggDecoder(const ArchiveIndex& archives);
    ~OggDecoder();
    OggDecoder(const OggDecoder&) = delete;
    OggDecoder& operator=(const OggDecoder&) = delete;

    // Closes what was open (clearing loop, loop points and bitstream), then reads
    // folder\name through the archives and opens it. False for an empty name, a missing
    // or unreadable member, a file above the limit or one that is not Ogg Vorbis.
    bool open(std::string_view folder, std::string_view name);
    // The same for a file already in memory (copied; the caller keeps bytes).
    bool openBytes(const uint8_t* bytes, size_t size);
    // Fills exactly byteCount bytes at destination: decoded PCM, silence where no sound is
    // left. True when all of it came from the stream. False, with destination silent, when
    // destination is null, byteCount is 0 or nothing is open.
    bool decode(uint8_t* destination, uint32_t byteCount);
    // Sample frames of the whole stream (all bitstreams); 0 when closed or unknown.
    int64_t totalFrames();
    void close();

    bool isOpen() const { return open_; }
    int32_t channels() const { return channels_; }
    int32_t rate() const { return rate_; }
    bool loop() const { return loop_; }
    void setLoop(bool loop) { loop_ = loop; }
    int32_t loopStart() const { return loopStart_; }
    int32_t loopEnd() const { return loopEnd_; }

  private:
    bool openLoaded();

    const ArchiveIndex& archives_;
    struct VorbisFile; // the library's handle, kept out of this header
    std::unique_ptr<VorbisFile> file_;
    OggMemoryStream stream_;
    bool open_ = false;
    int32_t channels_ = 0;
    int32_t rate_ = 0;
    int bitstream_ = 0;
    bool loop_ = false;
    int32_t loopStart_ = 0; // sample frames
    int32_t loopEnd_ = 0;   // sample frames; 0 = the real end
};

} // namespace velmira
