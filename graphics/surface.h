// Surfaces: every picture the engine holds in memory is a plain rectangle of pixels in one
// of the layouts of graphics/pixel.h. Rows are stored top to bottom without padding, so
// pixel (x, y) starts at byte (y * pitch + x) * bytesPerPixel, and pitch always equals width.
//
// Surface is the non-owning base (it can also view pixels owned elsewhere). Two siblings own
// their memory: OwnedSurface (frame buffers, rule masks, thumbnails) and Image, which also
// remembers the archive name of the picture last loaded so that loading it again is free.
// None of these types is thread-safe; each is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "graphics/pixel.h"

namespace velmira {

class ArchiveIndex;

// Size of the frame buffers, from EngineSettings::screenWidth/screenHeight.
struct ScreenSize {
    int32_t width = 640;
    int32_t height = 480;
};

class Surface {
  public:
    Surface() = default;
    // A view over width x height unpadded pixels owned by the caller, who keeps them alive
    // for as long as the view is used.
    Surface(PixelFormat format, uint8_t* pixels, int32_t width, int32_t height)
        : format_(format), pixels_(pixels), width_(width), height_(height), pitch_(width) {}
    virtual ~Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    PixelFormat format() const { return format_; }
    int32_t bytesPerPixel() const { return velmira::bytesPerPixel(format_); }
    uint8_t* pixels() { return pixels_; }
    const uint8_t* pixels() const { return pixels_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Row length in pixels; equal to width for every surface the engine creates.
    int32_t pitch() const { return pitch_; }

    // True when there is nothing to draw to or from: every drawing operation then fails.
    bool empty() const { return format_ == PixelFormat::Empty || pixels_ == nullptr; }
    // width * height * bytes per pixel, or 0 when empty.
    size_t byteCount() const;
    uint8_t* row(int32_t y) { return pixels_ + rowOffset(y); }
    const uint8_t* row(int32_t y) const { return pixels_ + rowOffset(y); }

    // Hit test for buttons: false outside the surface or when empty; true on opaque
    // formats; on formats with alpha, true when the pixel's alpha is non-zero.
    bool isSolidAt(int32_t x, int32_t y) const;

  protected:
    size_t rowOffset(int32_t y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(pitch_) *
               static_cast<size_t>(bytesPerPixel());
    }

    PixelFormat format_ = PixelFormat::Empty;
    uint8_t* pixels_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t pitch_ = 0;
};

// The common part of OwnedSurface and Image: a surface that owns its pixel buffer.
// Movable (the pixels move with it), not copyable (use assign).
class BufferedSurface : public Surface {
  public:
    // Sets format, width, height and pitch = width, frees the old buffer and allocates
    // width * height * bytes per pixel. True only when pixels and format are both non-zero:
    // a zero width, height or format gives false and an empty surface (format kept), and so
    // does a size whose byte count does not fit in 32 bits or cannot be allocated.
    // The new pixels are always zero.
    bool create(PixelFormat format, int32_t width, int32_t height);
    bool createScreen(PixelFormat format, ScreenSize screen) {
        return create(format, screen.width, screen.height);
    }
    // Bytes owned (width * height * bytes per pixel); 0 when nothing is allocated.
    uint32_t bufferSize() const { return bufferSize_; }

  protected:
    BufferedSurface() = default;
    ~BufferedSurface() override = default;
    BufferedSurface(BufferedSurface&& other) noexcept { takeFrom(other); }
    BufferedSurface& operator=(BufferedSurface&& other) noexcept {
        if (this != &other) takeFrom(other);
        return *this;
    }

    // Format 0, no pixels, zero sizes, buffer freed.
    void releaseBuffer();
    // Copies format, sizes and all bytes of source, reallocating only when the byte size
    // differs. Does nothing and returns false when source holds no bytes (the caller then
    // resets) or the allocation fails (this surface is then empty).
    bool copyPixelsFrom(const Surface& source);

  private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    void takeFrom(BufferedSurface& other);

    std::unique_ptr<uint8_t, FreeDeleter> buffer_;
    uint32_t bufferSize_ = 0;
};

class OwnedSurface : public BufferedSurface {
  public:
    OwnedSurface() = default;
    OwnedSurface(OwnedSurface&&) noexcept = default;
    OwnedSurface& operator=(OwnedSurface&&) noexcept = default;

    void reset() { releaseBuffer(); }
    // Makes this surface a copy of source; nothing happens when source is this surface.
    void assign(const Surface& source);
};

class Image : public BufferedSurface {
  public:
    Image() = default;
    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;

    // Also forgets the name.
    void reset() {
        releaseBuffer();
        name_.clear();
    }
    // Copies the pixels of source; the name is kept unless source is empty (then reset).
    void assign(const Surface& source);

    // Archive member name (Shift-JIS) of the picture last loaded; empty when none.
    const std::string& name() const { return name_; }

    // The one way pictures enter the engine: decodes "img\<name>" from the archives.
    // An empty name gives false and leaves the image alone. A name equal to the current
    // one, compared without regard to ASCII case as the archive index folds names (so the
    // trail byte of a double-byte character compares exactly), gives true without reading
    // anything -
    // even when that earlier decode failed, because the name is stored before decoding.
    // Otherwise the image is reset, the name stored and the decoder's result returned.
    bool load(const ArchiveIndex& archives, std::string_view name);

  private:
    std::string name_;
};

// Writes colour as B, G, R into the first screen.width * screen.height pixels of a Bgr24
// surface. False when the surface has no pixels, is not Bgr24 or is smaller than the screen.
bool fillScreen(Surface& surface, Rgb colour, ScreenSize screen);

// Rule masks for wipes: makes surface a Gray8 screen surface when it is empty, clears all
// its bytes, then draws the named picture converted to grey with its centre on the screen
// centre. False when the picture cannot be loaded.
bool loadCentredMask(OwnedSurface& surface, const ArchiveIndex& archives, std::string_view name,
                     ScreenSize screen);

} // namespace velmira
