// The decoder against libpng on the PNG suite, and against files made here for each filter,
// split data, early ends and malformed input.
#include "graphics/png_decoder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/headless/png_writer.h"
#include "png_test_util.h"
#include "resource/temp_dir.h"

namespace velmira {
namespace {

using test::Header;
using test::makePng;
using test::zlibCompress;

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> bytesOf(const Surface& s) {
    return {s.pixels(), s.pixels() + s.byteCount()};
}

// PNG sample order to the engine's layout, the way the format table describes it.
std::vector<uint8_t> toEngineLayout(std::vector<uint8_t> samples, int colourType) {
    const int bpp = colourType == 0 ? 1 : colourType == 2 ? 3 : colourType == 4 ? 2 : 4;
    for (size_t i = 0; i + bpp <= samples.size(); i += bpp)
        std::reverse(samples.begin() + i, samples.begin() + i + bpp);
    return samples;
}

// What libpng reads from a file without any transformation: the raw 8-bit samples.
struct LibpngImage {
    bool ok = false;
    uint32_t width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    std::vector<uint8_t> samples;
};

bool readWithLibpng(const std::string& path, LibpngImage& out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.depth = png_get_bit_depth(png, info);
    out.colour = png_get_color_type(png, info);
    out.interlace = png_get_interlace_type(png, info);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    out.samples.assign(rowBytes * out.height, 0);
    rows.resize(out.height);
    for (uint32_t y = 0; y < out.height; ++y)
        rows[y] = out.samples.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

TEST(PngDecoder, PngSuiteMatchesLibpng) {
    const std::string folder = std::string(VELMIRA_TEST_DATA_DIR) + "/pngsuite";
    int accepted = 0, rejected = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".png") continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        LibpngImage reference;
        ASSERT_TRUE(readWithLibpng(entry.path().string(), reference));
        const bool supported = reference.depth == 8 && reference.interlace == 0 &&
                               (reference.colour == 0 || reference.colour == 2 ||
                                reference.colour == 4 || reference.colour == 6);
        const std::vector<uint8_t> file = readFile(entry.path().string());
        OwnedSurface surface;
        const bool ok = decodePng(file.data(), file.size(), surface);
        ASSERT_EQ(ok, supported);
        if (!ok) {
            ++rejected;
            continue;
        }
        ++accepted;
        EXPECT_EQ(uint32_t(surface.width()), reference.width);
        EXPECT_EQ(uint32_t(surface.height()), reference.height);
        EXPECT_TRUE(bytesOf(surface) == toEngineLayout(reference.samples, reference.colour));
    }
    // The suite holds 8-bit files of all four accepted kinds and many it must refuse.
    EXPECT_GE(accepted, 8);
    EXPECT_GE(rejected, 30);
}

// Pixels with a little structure so that every filter has something to predict.
std::vector<uint8_t> samplePixels(uint32_t w, uint32_t h, int bpp) {
    std::vector<uint8_t> p(size_t(w) * h * bpp);
    uint32_t seed = 12345;
    for (size_t i = 0; i < p.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        p[i] = uint8_t((i * 7) / 3 + ((seed >> 16) & 15));
    }
    return p;
}

int paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Filters each row with the type filterOf(y) returns, as an encoder would.
template <class FilterOf>
std::vector<uint8_t> filterRows(const std::vector<uint8_t>& px, uint32_t w, uint32_t h, int bpp,
                                FilterOf filterOf) {
    const size_t r = size_t(w) * bpp;
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < h; ++y) {
        const int f = filterOf(y);
        out.push_back(uint8_t(f));
        for (size_t i = 0; i < r; ++i) {
            const int x = px[y * r + i];
            const int a = i >= size_t(bpp) ? px[y * r + i - bpp] : 0;
            const int b = y > 0 ? px[(y - 1) * r + i] : 0;
            const int c = y > 0 && i >= size_t(bpp) ? px[(y - 1) * r + i - bpp] : 0;
            const int predictor = f == 1   ? a
                                  : f == 2 ? b
                                  : f == 3 ? (a + b) / 2
                                  : f == 4 ? paeth(a, b, c)
                                           : 0;
            out.push_back(uint8_t(x - predictor));
        }
    }
    return out;
}

constexpr struct {
    uint8_t colour;
    int bpp;
} kColourTypes[] = {{0, 1}, {2, 3}, {4, 2}, {6, 4}};

TEST(PngDecoder, EveryFilterOnEveryColourType) {
    const uint32_t w = 13, h = 6;
    // Filters 0-4 each on a whole picture, then all of them mixed row by row.
    for (int mode = 0; mode <= 5; ++mode) {
        for (auto [colour, bpp] : kColourTypes) {
            SCOPED_TRACE("filter " + std::to_string(mode) + " colour " + std::to_string(colour));
            const std::vector<uint8_t> px = samplePixels(w, h, bpp);
            const auto filtered = filterRows(
                px, w, h, bpp, [&](uint32_t y) { return mode < 5 ? mode : int((y + 1) % 5); });
            const auto file = makePng({w, h, 8, colour}, zlibCompress(filtered));
            OwnedSurface s;
            ASSERT_TRUE(decodePng(file.data(), file.size(), s));
            EXPECT_EQ(s.format(), static_cast<PixelFormat>(bpp));
            EXPECT_TRUE(bytesOf(s) == toEngineLayout(px, colour));
        }
    }
}

TEST(PngDecoder, UnknownFilterTypeLeavesTheRow) {
    std::vector<uint8_t> raw = {7, 1, 2, 3, 0, 4, 5, 6}; // row 0: filter 7; row 1: None
    const auto file = makePng({3, 2, 8, 0}, zlibCompress(raw));
    OwnedSurface s;
    ASSERT_TRUE(decodePng(file.data(), file.size(), s));
    EXPECT_EQ(bytesOf(s), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(PngDecoder, ByteOrderOfAlphaFormats) {
    struct Case {
        uint8_t colour;
        std::vector<uint8_t> fileSamples, engineBytes;
    } cases[] = {
        {4, {200, 100}, {100, 200}},
        {6, {10, 20, 30, 40}, {40, 30, 20, 10}},
        {2, {10, 20, 30}, {30, 20, 10}},
        {0, {77}, {77}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> raw = {0};
        raw.insert(raw.end(), c.fileSamples.begin(), c.fileSamples.end());
        const auto file = makePng({1, 1, 8, c.colour}, zlibCompress(raw));
        OwnedSurface s;
        ASSERT_TRUE(decodePng(file.data(), file.size(), s));
        EXPECT_EQ(bytesOf(s), c.engineBytes) << "colour type " << int(c.colour);
    }
}

TEST(PngDecoder, SplitDataDecodesLikeOneChunk) {
    const uint32_t w = 40, h = 30;
    const auto px = samplePixels(w, h, 4);
    const auto compressed = zlibCompress(filterRows(px, w, h, 4, [](uint32_t y) { return y % 5; }));
    const std::vector<uint8_t> expected = toEngineLayout(px, 6);
    for (size_t pieces : {SIZE_MAX, size_t{1}, size_t{7}, size_t{100}}) {
        const auto split = makePng({w, h}, compressed, pieces);
        OwnedSurface s;
        ASSERT_TRUE(decodePng(split.data(), split.size(), s)) << pieces;
        EXPECT_TRUE(bytesOf(s) == expected) << pieces;
    }
}

TEST(PngDecoder, EarlyEndsLeaveLowerRowsZero) {
    const uint32_t w = 16, h = 64;
    const auto px = samplePixels(w, h, 3);
    const auto raw = filterRows(px, w, h, 3, [](uint32_t) { return 1; });
    const size_t r = w * 3;

    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    const auto compressed = zlibCompress(raw);
    std::vector<uint8_t> halfWithIend =
        makePng({w, h, 8, 2}, {compressed.begin(), compressed.begin() + compressed.size() / 2});
    std::vector<uint8_t> cutInsideChunk = makePng({w, h, 8, 2}, compressed);
    cutInsideChunk.resize(cutInsideChunk.size() - 12 - compressed.size() / 2); // IEND and half
    // A complete zlib stream that holds only the first 10.5 rows.
    const auto shortStream = zlibCompress({raw.begin(), raw.begin() + (r + 1) * 21 / 2});
    Case cases[] = {
        {"half the data, then IEND", halfWithIend},
        {"file cut inside an IDAT", cutInsideChunk},
        {"zlib stream ends early", makePng({w, h, 8, 2}, shortStream)},
        {"no IDAT at all", makePng({w, h, 8, 2}, {})},
    };
    const auto expected = toEngineLayout(px, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OwnedSurface s;
        ASSERT_TRUE(decodePng(c.file.data(), c.file.size(), s));
        ASSERT_EQ(s.height(), int32_t(h));
        // Rows come out whole or all zero, and once a row is zero all below are too.
        uint32_t decoded = 0;
        while (decoded < h &&
               std::equal(s.row(decoded), s.row(decoded) + r, expected.begin() + decoded * r))
            ++decoded;
        EXPECT_LT(decoded, h);
        for (uint32_t y = decoded; y < h; ++y)
            ASSERT_TRUE(std::all_of(s.row(y), s.row(y) + r, [](uint8_t b) { return b == 0; }))
                << "row " << y;
        if (std::string(c.what) == "zlib stream ends early") {
            EXPECT_EQ(decoded, 10u);
        }
    }
}

TEST(PngDecoder, RejectsUnsupportedAndMalformedFiles) {
    const std::vector<uint8_t> row = zlibCompress({0, 1, 2, 3, 4});
    auto withHeader = [&](Header h) { return makePng(h, row); };
    std::vector<uint8_t> good = withHeader({1, 1, 8, 6});
    std::vector<uint8_t> badSignature = good;
    badSignature[1] = 'Q';
    std::vector<uint8_t> shortIhdr = test::pngSignature();
    test::appendChunk(shortIhdr, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0});
    std::vector<uint8_t> textFirst = test::pngSignature();
    test::appendChunk(textFirst, "tEXt", {'a', 0, 'b'});
    textFirst.insert(textFirst.end(), good.begin() + 8, good.end());
    std::vector<uint8_t> brokenZlib = makePng({1, 1, 8, 6}, {0x78, 0x9c, 0xff, 0xff, 0xff, 0xff});
    std::vector<uint8_t> hugeLength = good;
    hugeLength[8] = 0xff; // IHDR length 0xff00000d

    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    } cases[] = {
        {"empty", {}},
        {"signature only", test::pngSignature()},
        {"bad signature", badSignature},
        {"IHDR of 12 bytes", shortIhdr},
        {"IHDR not first", textFirst},
        {"IHDR cut short", {good.begin(), good.begin() + 20}},
        {"chunk length past the end", hugeLength},
        {"16 bits", withHeader({1, 1, 16, 6})},
        {"4 bits", withHeader({1, 1, 4, 0})},
        {"palette", withHeader({1, 1, 8, 3})},
        {"colour type 7", withHeader({1, 1, 8, 7})},
        {"interlaced", withHeader({1, 1, 8, 6, 0, 0, 1})},
        {"compression method 1", withHeader({1, 1, 8, 6, 1, 0, 0})},
        {"filter method 1", withHeader({1, 1, 8, 6, 0, 1, 0})},
        {"zero width", withHeader({0, 1, 8, 6})},
        {"zero height", withHeader({1, 0, 8, 6})},
        {"width above 2^31", withHeader({0x80000000u, 1, 8, 0})},
        {"4 billion pixels", withHeader({65536, 65536, 8, 6})},
        // The pixel budget: 16384 a side, 256 MiB of pixels.
        {"32767 x 32767 RGBA (4 GiB)", withHeader({32767, 32767, 8, 6})},
        {"16385 pixels wide", withHeader({16385, 1, 8, 0})},
        {"16385 pixels high", withHeader({1, 16385, 8, 0})},
        {"8192 x 8193 RGBA (256 MiB + 32 KiB)", withHeader({8192, 8193, 8, 6})},
        {"16384 x 16384 RGB (768 MiB)", withHeader({16384, 16384, 8, 2})},
        {"broken zlib data", brokenZlib},
    };
    for (const Case& c : cases) {
        OwnedSurface s;
        EXPECT_FALSE(decodePng(c.file.data(), c.file.size(), s)) << c.what;
    }
    OwnedSurface s;
    EXPECT_TRUE(decodePng(good.data(), good.size(), s));
}

TEST(PngDecoder, ReadsWhatTheScreenshotWriterWrites) {
    const test::TempDir dir;
    const std::string path = dir.path() + "shot.png";
    const int32_t w = 37, h = 5, stride = w * 3 + 5; // padded rows in the frame
    std::vector<uint8_t> frame(size_t(stride) * h);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = uint8_t(i * 31 + 7);
    ASSERT_TRUE(platform::writeBgr24Png(path, w, h, frame.data(), stride));
    const auto file = readFile(path);
    ASSERT_EQ(file, platform::encodeBgr24Png(w, h, frame.data(), stride));
    std::filesystem::remove(path);
    OwnedSurface s;
    ASSERT_TRUE(decodePng(file.data(), file.size(), s));
    ASSERT_EQ(s.format(), PixelFormat::Bgr24);
    for (int32_t y = 0; y < h; ++y)
        EXPECT_TRUE(std::equal(s.row(y), s.row(y) + w * 3, frame.begin() + y * stride)) << y;

    EXPECT_FALSE(platform::writeBgr24Png(path, 0, h, frame.data(), stride));
    EXPECT_FALSE(platform::writeBgr24Png(path, w, h, nullptr, stride));
    EXPECT_FALSE(platform::writeBgr24Png(path, w, h, frame.data(), w * 3 - 1));
    EXPECT_FALSE(platform::writeBgr24Png("/nonexistent-folder/x.png", w, h, frame.data(), stride));
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace velmira
