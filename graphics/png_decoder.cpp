#include "graphics/png_decoder.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "resource/archive.h"
#include "resource/byte_order.h"

namespace velmira {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint32_t kIhdr = 0x49484452; // "IHDR"
constexpr uint32_t kIdat = 0x49444154; // "IDAT"
constexpr uint32_t kIend = 0x49454E44; // "IEND"

// Walks the chunks of a file held in memory. A chunk counts only when its length, type,
// data and CRC are all present; the CRC itself is not checked.
class ChunkReader {
  public:
    ChunkReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool next(uint32_t& type, const uint8_t*& body, uint32_t& length) {
        const size_t left = size_ - position_;
        if (left < 12) return false;
        length = readBe32(data_ + position_);
        if (length > left - 12) return false;
        type = readBe32(data_ + position_ + 4);
        body = data_ + position_ + 8;
        position_ += size_t{length} + 12;
        return true;
    }

    void skipSignature() { position_ = 8; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// Undoes one row's filter in place. x is the row (PNG sample order), p the previous
// reconstructed row, or null for the first row, which is filtered against zeros. r is a
// multiple of B, the bytes per pixel. Arithmetic is modulo 256.
template <int B>
void unfilterRow(uint8_t filter, uint8_t* __restrict x, const uint8_t* __restrict p, size_t r) {
    switch (filter) {
    case 1: // Sub
        for (size_t i = B; i < r; ++i)
            x[i] = static_cast<uint8_t>(x[i] + x[i - B]);
        break;
    case 2: // Up
        if (p)
            for (size_t i = 0; i < r; ++i)
                x[i] = static_cast<uint8_t>(x[i] + p[i]);
        break;
    case 3: // Average
        if (p) {
            for (size_t i = 0; i < B; ++i)
                x[i] = static_cast<uint8_t>(x[i] + (p[i] >> 1));
            for (size_t i = B; i < r; ++i)
                x[i] = static_cast<uint8_t>(x[i] + ((x[i - B] + p[i]) >> 1));
        } else {
            for (size_t i = B; i < r; ++i)
                x[i] = static_cast<uint8_t>(x[i] + (x[i - B] >> 1));
        }
        break;
    case 4: // Paeth; against a zero row the predictor is always the left neighbour
        if (p) {
            for (size_t i = 0; i < B; ++i)
                x[i] = static_cast<uint8_t>(x[i] + p[i]);
            for (size_t i = B; i < r; i += B) {
                for (int c = 0; c < B; ++c) {
                    const int a = x[i + c - B];
                    const int b = p[i + c];
                    const int d = p[i + c - B];
                    const int pa = std::abs(b - d);
                    const int pb = std::abs(a - d);
                    const int pc = std::abs(a + b - 2 * d);
                    const int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : d);
                    x[i + c] = static_cast<uint8_t>(x[i + c] + predictor);
                }
            }
        } else {
            for (size_t i = B; i < r; ++i)
                x[i] = static_cast<uint8_t>(x[i] + x[i - B]);
        }
        break;
    default: // 0 None; unknown types leave the row as it is
        break;
    }
}

void unfilter(int bpp, uint8_t filter, uint8_t* x, const uint8_t* p, size_t r) {
    switch (bpp) {
    case 1:
        unfilterRow<1>(filter, x, p, r);
        break;
    case 2:
        unfilterRow<2>(filter, x, p, r);
        break;
    case 3:
        unfilterRow<3>(filter, x, p, r);
        break;
    default:
        unfilterRow<4>(filter, x, p, r);
        break;
    }
}

// PNG sample order to the engine's layout: R, G, B -> B, G, R; R, G, B, A -> A, B, G, R;
// L, A -> A, L. Grey needs nothing.
void reorderRow(PixelFormat format, uint8_t* __restrict x, size_t pixels) {
    switch (format) {
    case PixelFormat::Bgr24:
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t r = x[3 * i];
            x[3 * i] = x[3 * i + 2];
            x[3 * i + 2] = r;
        }
        break;
    case PixelFormat::Abgr32:
        for (size_t i = 0; i < pixels; ++i) {
            uint32_t v;
            std::memcpy(&v, x + 4 * i, 4);
            v = byteSwap32(v);
            std::memcpy(x + 4 * i, &v, 4);
        }
        break;
    case PixelFormat::GrayAlpha16:
        for (size_t i = 0; i < pixels; ++i) {
            uint16_t v;
            std::memcpy(&v, x + 2 * i, 2);
            v = static_cast<uint16_t>((v << 8) | (v >> 8));
            std::memcpy(x + 2 * i, &v, 2);
        }
        break;
    default:
        break;
    }
}

class Inflater {
  public:
    enum class Fill { Full, Ended, Error };

    Inflater(ChunkReader& chunks) : chunks_(chunks) {}
    ~Inflater() {
        if (live_) inflateEnd(&stream_);
    }
    bool init() {
        live_ = inflateInit(&stream_) == Z_OK;
        return live_;
    }

    // Inflates exactly n bytes into out, feeding IDAT chunks as needed. Ended when the
    // compressed data stops first (IEND, a chunk cut short, or the end of the zlib stream).
    Fill fill(uint8_t* out, uint32_t n) {
        stream_.next_out = out;
        stream_.avail_out = n;
        while (stream_.avail_out > 0) {
            if (stream_.avail_in == 0 && !feed()) return Fill::Ended;
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) return stream_.avail_out == 0 ? Fill::Full : Fill::Ended;
            if (result != Z_OK) return Fill::Error;
        }
        return Fill::Full;
    }

  private:
    // Next IDAT chunk with data; other chunks and empty IDATs are skipped.
    bool feed() {
        uint32_t type = 0;
        uint32_t length = 0;
        const uint8_t* body = nullptr;
        while (chunks_.next(type, body, length)) {
            if (type == kIend) return false;
            if (type == kIdat && length > 0) {
                stream_.next_in = const_cast<Bytef*>(body);
                stream_.avail_in = length;
                return true;
            }
        }
        return false;
    }

    ChunkReader& chunks_;
    z_stream stream_{};
    bool live_ = false;
};

} // namespace

bool decodePng(const uint8_t* data, size_t size, BufferedSurface& surface) {
    if (!data || size < 8 || std::memcmp(data, kSignature, 8) != 0) return false;
    ChunkReader chunks(data, size);
    chunks.skipSignature();

    uint32_t type = 0;
    uint32_t length = 0;
    const uint8_t* header = nullptr;
    if (!chunks.next(type, header, length) || type != kIhdr || length != 13) return false;
    const uint32_t width = readBe32(header);
    const uint32_t height = readBe32(header + 4);
    const uint8_t bitDepth = header[8];
    const uint8_t colourType = header[9];
    if (bitDepth != 8 || header[10] != 0 || header[11] != 0 || header[12] != 0) return false;
    PixelFormat format = PixelFormat::Empty;
    switch (colourType) {
    case 0:
        format = PixelFormat::Gray8;
        break;
    case 2:
        format = PixelFormat::Bgr24;
        break;
    case 4:
        format = PixelFormat::GrayAlpha16;
        break;
    case 6:
        format = PixelFormat::Abgr32;
        break;
    default:
        return false; // palettes and unknown types
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide ||
        uint64_t{width} * height * static_cast<uint64_t>(bytesPerPixel(format)) > kMaxPictureBytes)
        return false;
    // create checks the byte count for overflow before allocating and zeroes the pixels,
    // so rows the data never reaches are already black and transparent.
    if (!surface.create(format, static_cast<int32_t>(width), static_cast<int32_t>(height)))
        return false;

    const int bpp = bytesPerPixel(format);
    const size_t rowBytes = size_t{width} * static_cast<size_t>(bpp); // < 2^32 after create
    uint8_t* const pixels = surface.pixels();

    Inflater inflater(chunks);
    if (!inflater.init()) return false;

    // Each scanline is inflated straight into its place in the surface and unfiltered
    // there against the row above, which is still in file order; a row is reordered into
    // the engine's layout once the row below no longer needs it.
    uint32_t completed = 0;
    for (; completed < height; ++completed) {
        uint8_t* row = pixels + size_t{completed} * rowBytes;
        uint8_t filter = 0;
        Inflater::Fill fill = inflater.fill(&filter, 1);
        if (fill == Inflater::Fill::Full)
            fill = inflater.fill(row, static_cast<uint32_t>(rowBytes));
        if (fill == Inflater::Fill::Error) return false;
        if (fill == Inflater::Fill::Ended) {
            std::memset(row, 0, rowBytes); // a partial row is still filtered: drop it
            break;
        }
        unfilter(bpp, filter, row, completed > 0 ? row - rowBytes : nullptr, rowBytes);
        if (completed > 0) reorderRow(format, row - rowBytes, width);
    }
    if (completed > 0) reorderRow(format, pixels + size_t{completed - 1} * rowBytes, width);
    return true;
}

bool decodePngMember(const ArchiveIndex& archives, std::string_view name,
                     BufferedSurface& surface) {
    ArchiveReader reader(archives);
    if (!reader.open("img", name)) return false;
    std::vector<uint8_t> bytes;
    if (!reader.readAll(bytes)) return false;
    reader.close();
    return decodePng(bytes.data(), bytes.size(), surface);
}

} // namespace velmira
