#include "platform/headless/png_writer.h"

#include <png.h>

#include <csetjmp>

#include "platform/files.h"

namespace velmira::platform {

namespace {

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Everything that touches libpng lives in this function: a libpng error longjmps back to
// its setjmp, so no object with a destructor may be created between the two.
bool encodeRows(std::vector<uint8_t>& out, int32_t width, int32_t height, const uint8_t* bgr,
                int32_t stride, std::vector<uint8_t>& row) {
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
    png_set_write_fn(png, &out, appendToVector, flushNothing);
    // Frames are written often by automated runs; a fast level keeps that cheap.
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = bgr + static_cast<size_t>(y) * static_cast<size_t>(stride);
        uint8_t* dst = row.data();
        for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::vector<uint8_t> encodeBgr24Png(int32_t width, int32_t height, const uint8_t* bgr,
                                    int32_t stride) {
    // PNG limits each dimension to 2^31 - 1; the row buffer must also fit comfortably.
    if (!bgr || width < 1 || height < 1 || width > (1 << 24) || height > (1 << 24)) return {};
    if (stride / 3 < width) return {};
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    std::vector<uint8_t> out;
    if (!encodeRows(out, width, height, bgr, stride, row)) return {};
    return out;
}

bool writeBgr24Png(const std::string& path, int32_t width, int32_t height, const uint8_t* bgr,
                   int32_t stride, std::string* error) {
    const std::vector<uint8_t> png = encodeBgr24Png(width, height, bgr, stride);
    if (png.empty()) {
        if (error) *error = "not a frame that can be stored";
        return false;
    }
    return replaceFile(path, png, error);
}

} // namespace velmira::platform
