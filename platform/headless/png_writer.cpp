#include "platform/headless/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace velmira::platform {

namespace {

struct FileCloser {
    std::FILE* file = nullptr;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// Everything that touches libpng lives in this function: a libpng error longjmps back to
// its setjmp, so no object with a destructor may be created between the two.
bool writeRows(std::FILE* file, int32_t width, int32_t height, const uint8_t* bgr, int32_t stride,
               std::vector<uint8_t>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // Frames are written often by automated runs; a fast level keeps that cheap.
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = bgr + static_cast<size_t>(y) * static_cast<size_t>(stride);
        uint8_t* out = row.data();
        for (int32_t x = 0; x < width; ++x, src += 3, out += 3) {
            out[0] = src[2];
            out[1] = src[1];
            out[2] = src[0];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writeBgr24Png(const std::string& path, int32_t width, int32_t height, const uint8_t* bgr,
                   int32_t stride) {
    // PNG limits each dimension to 2^31 - 1; the row buffer must also fit comfortably.
    if (!bgr || width < 1 || height < 1 || width > (1 << 24) || height > (1 << 24)) return false;
    if (stride < width * 3) return false;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    bool ok;
    {
        FileCloser closer{std::fopen(path.c_str(), "wb")};
        if (!closer.file) return false;
        ok = writeRows(closer.file, width, height, bgr, stride, row);
        if (std::fflush(closer.file) != 0 || std::ferror(closer.file)) ok = false;
        if (std::fclose(closer.file) != 0) ok = false;
        closer.file = nullptr;
    }
    if (!ok) std::remove(path.c_str());
    return ok;
}

} // namespace velmira::platform
