// Image::load and the centred mask, through a real archive built for the test.
#include <gtest/gtest.h>

#include <filesystem>

#include "graphics/blitter.h"
#include "graphics/surface.h"
#include "png_test_util.h"
#include "resource/archive.h"
#include "resource/archive_writer.h"

namespace velmira {
namespace {

// A 2 x 2 RGBA picture: opaque red, opaque green / opaque blue, transparent.
std::vector<uint8_t> picture() {
    const std::vector<uint8_t> raw = {0, 255, 0, 0,   255, 0, 255, 0, 255,
                                      0, 0,   0, 255, 255, 9, 9,   9, 0};
    return test::makePng({2, 2, 8, 6}, test::zlibCompress(raw));
}

class ImageLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmira-img-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern + "/";
        ASSERT_TRUE(writeArchiveFile(folder_ + "pictures.dat", 1,
                                     {{"img\\pic.png", picture()},
                                      {"img\\broken.png", {1, 2, 3, 4}},
                                      {"img\\mask.png", picture()}}));
        index_.setDataFolder(folder_);
        ASSERT_TRUE(index_.mountAll());
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    std::string folder_ = "/nonexistent/";
    Trace trace_;
    ArchiveIndex index_{"", trace_};
};

TEST_F(ImageLoad, LoadsDecodesAndCachesByName) {
    Image image;
    EXPECT_FALSE(image.load(index_, ""));
    EXPECT_TRUE(image.empty());

    ASSERT_TRUE(image.load(index_, "pic.png"));
    EXPECT_EQ(image.name(), "pic.png");
    EXPECT_EQ(image.format(), PixelFormat::Abgr32);
    EXPECT_EQ(image.pixels()[3], 255); // red of the first pixel, A, B, G, R order
    EXPECT_TRUE(image.isSolidAt(1, 0));
    EXPECT_FALSE(image.isSolidAt(1, 1));

    // The same name in other case is served from the image: nothing is read, so it works
    // even with no archive mounted, and the pixels stay.
    index_.clear();
    image.pixels()[3] = 17;
    EXPECT_TRUE(image.load(index_, "PIC.PNG"));
    EXPECT_EQ(image.pixels()[3], 17);
    EXPECT_FALSE(image.load(index_, ""));
    EXPECT_EQ(image.name(), "pic.png");

    // A failed decode keeps the name: asking again succeeds without reading, and the image
    // stays empty (a layer with that picture shows nothing).
    ASSERT_TRUE(index_.mountAll());
    EXPECT_FALSE(image.load(index_, "broken.png"));
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.name(), "broken.png");
    EXPECT_TRUE(image.load(index_, "broken.png"));
    EXPECT_TRUE(image.empty());

    EXPECT_FALSE(image.load(index_, "missing.png"));
    EXPECT_EQ(image.name(), "missing.png");
}

TEST_F(ImageLoad, DoubleByteNamesThatDifferOnlyInTheTrailByteAreTwoPictures) {
    // "ア.png" is 83 41 and "ヂ.png" 83 61: folding the trail byte would make them one name.
    const std::string a = "\x83\x41.png", ji = "\x83\x61.png";
    const uint8_t grey1[] = {0, 10}, grey2[] = {0, 200}; // filter byte, one grey pixel
    ASSERT_TRUE(writeArchiveFile(
        folder_ + "names.dat", 1,
        {{"img\\" + a, test::makePng({1, 1, 8, 0}, test::zlibCompress({grey1, grey1 + 2}))},
         {"img\\" + ji, test::makePng({1, 1, 8, 0}, test::zlibCompress({grey2, grey2 + 2}))}}));
    ASSERT_TRUE(index_.mountAll());
    Image image;
    ASSERT_TRUE(image.load(index_, a));
    EXPECT_EQ(image.pixels()[0], 10);
    ASSERT_TRUE(image.load(index_, ji));
    EXPECT_EQ(image.pixels()[0], 200);
}

TEST_F(ImageLoad, CentredMask) {
    const ScreenSize screen{7, 5};
    OwnedSurface mask;
    ASSERT_TRUE(loadCentredMask(mask, index_, "mask.png", screen));
    ASSERT_EQ(mask.format(), PixelFormat::Gray8);
    ASSERT_EQ(mask.width(), 7);
    // Centre (3, 2) minus half the picture (1, 1): the picture's top-left lands on (2, 1).
    const uint8_t red = uint8_t(gray(255, 0, 0)), green = uint8_t(gray(0, 255, 0)),
                  blue = uint8_t(gray(0, 0, 255));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            uint8_t expected = 0;
            if (y == 1 && x == 2) expected = red;
            if (y == 1 && x == 3) expected = green;
            if (y == 2 && x == 2) expected = blue;
            EXPECT_EQ(mask.row(y)[x], expected) << x << "," << y;
        }

    // A second mask over a live surface clears it first; a missing picture gives false but
    // still leaves the surface cleared.
    mask.row(0)[0] = 99;
    EXPECT_FALSE(loadCentredMask(mask, index_, "missing.png", screen));
    EXPECT_EQ(mask.row(0)[0], 0);
    EXPECT_EQ(mask.row(1)[2], 0);
}

} // namespace
} // namespace velmira
