#include "graphics/surface.h"

#include <cstring>
#include <limits>

#include "graphics/blitter.h"
#include "graphics/png_decoder.h"
#include "resource/archive.h"
#include "resource/sjis.h"

namespace velmira {

size_t Surface::byteCount() const {
    if (empty() || width_ <= 0 || height_ <= 0) return 0;
    return static_cast<size_t>(width_) * static_cast<size_t>(height_) *
           static_cast<size_t>(bytesPerPixel());
}

bool Surface::isSolidAt(int32_t x, int32_t y) const {
    if (empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    if (!hasAlpha(format_)) return true;
    const size_t offset = rowOffset(y) + static_cast<size_t>(x) * bytesPerPixel();
    return pixels_[offset] != 0; // alpha is byte 0 in both alpha layouts
}

bool BufferedSurface::create(PixelFormat format, int32_t width, int32_t height) {
    releaseBuffer();
    format_ = format;
    width_ = width;
    height_ = height;
    pitch_ = width;
    const int32_t bpp = velmira::bytesPerPixel(format);
    if (bpp < 1 || bpp > 4 || width <= 0 || height <= 0) return false;
    // A picture header can ask for billions of pixels: the byte count is checked before
    // anything is allocated, and it must fit the 32-bit buffer size.
    const uint64_t bytes =
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * static_cast<uint64_t>(bpp);
    if (bytes > std::numeric_limits<uint32_t>::max()) return false;
    // calloc: large blocks come straight from the system already zeroed, so a picture whose
    // data ends early costs nothing for the rows never written. calloc's alignment (at
    // least 16) is more than the 8 bytes the pixel routines rely on.
    auto* block = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
    if (!block) return false;
    buffer_.reset(block);
    bufferSize_ = static_cast<uint32_t>(bytes);
    pixels_ = block;
    return true;
}

void BufferedSurface::releaseBuffer() {
    buffer_.reset();
    bufferSize_ = 0;
    format_ = PixelFormat::Empty;
    pixels_ = nullptr;
    width_ = height_ = pitch_ = 0;
}

bool BufferedSurface::copyPixelsFrom(const Surface& source) {
    const size_t bytes = source.byteCount();
    if (bytes == 0) return false;
    if (bytes != bufferSize_ || !pixels_) {
        if (!create(source.format(), source.width(), source.height())) {
            releaseBuffer();
            return false;
        }
    }
    format_ = source.format();
    width_ = source.width();
    height_ = source.height();
    pitch_ = source.pitch();
    std::memcpy(pixels_, source.pixels(), bytes);
    return true;
}

void BufferedSurface::takeFrom(BufferedSurface& other) {
    buffer_ = std::move(other.buffer_);
    bufferSize_ = other.bufferSize_;
    format_ = other.format_;
    pixels_ = other.pixels_;
    width_ = other.width_;
    height_ = other.height_;
    pitch_ = other.pitch_;
    other.bufferSize_ = 0;
    other.format_ = PixelFormat::Empty;
    other.pixels_ = nullptr;
    other.width_ = other.height_ = other.pitch_ = 0;
}

void OwnedSurface::assign(const Surface& source) {
    if (&source == this) return;
    if (!copyPixelsFrom(source)) reset();
}

void Image::assign(const Surface& source) {
    if (&source == this) return;
    if (!copyPixelsFrom(source)) reset();
}

bool Image::load(const ArchiveIndex& archives, std::string_view name) {
    if (name.empty()) return false;
    if (sjis::equalsIgnoringCase(name, name_)) return true;
    reset();
    name_.assign(name);
    return decodePngMember(archives, name, *this);
}

bool fillScreen(Surface& surface, Rgb colour, ScreenSize screen) {
    if (!surface.pixels() || surface.format() != PixelFormat::Bgr24) return false;
    // Writing the screen size into a smaller surface would run past its end.
    if (screen.width < 0 || screen.height < 0 ||
        static_cast<int64_t>(screen.width) * screen.height >
            static_cast<int64_t>(surface.width()) * surface.height())
        return false;
    fillPixels(surface.pixels(), PixelFormat::Bgr24,
               static_cast<size_t>(screen.width) * static_cast<size_t>(screen.height), colour);
    return true;
}

bool loadCentredMask(OwnedSurface& surface, const ArchiveIndex& archives, std::string_view name,
                     ScreenSize screen) {
    if (surface.empty()) surface.createScreen(PixelFormat::Gray8, screen);
    if (surface.pixels()) std::memset(surface.pixels(), 0, surface.byteCount());
    Image picture;
    if (!picture.load(archives, name)) return false;
    return copyAnchored(surface, picture, screen.width / 2, screen.height / 2, 8);
}

} // namespace velmira
