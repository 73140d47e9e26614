// PNG and TIFF loaders: every variant loads to the expected pixels, damaged
// files are refused with a reason.
#include <gtest/gtest.h>

#include <cstdio>

#include "imageio/imageio.h"
#include "tests/imageio/png_tiff_support.h"
#include "tests/imageio/test_support.h"

using namespace testsupport;

namespace {

class PngTiff : public ScratchDir {};

std::vector<uint8_t> pixels_of(const LoadedImage& image) {
    return std::vector<uint8_t>(image.pixels,
                                image.pixels + size_t(image.width) * image.height * image.planes);
}

void expect_picture(const std::string& name, const LoadResult& loaded, const LoadedImage& image,
                    const SampledPicture& p) {
    ASSERT_TRUE(loaded.ok()) << name << ": " << loaded.reason;
    EXPECT_EQ(image.width, p.width) << name;
    EXPECT_EQ(image.height, p.height) << name;
    EXPECT_EQ(image.planes, (p.channels == 2 || p.channels == 4) ? 4 : 3) << name;
    EXPECT_EQ(pixels_of(image), expected_pixels(p)) << name;
}

struct Variant {
    int channels;
    int bits;
};
const Variant kVariants[] = {{1, 8}, {2, 8}, {3, 8}, {4, 8}, {1, 16}, {2, 16}, {3, 16}, {4, 16}};

TEST_F(PngTiff, PngVariantsLoadToTheirPixels) {
    for (const Variant& v : kVariants) {
        for (bool interlaced : {false, true}) {
            SampledPicture p;
            p.channels = v.channels;
            p.bits = v.bits;
            ASSERT_TRUE(write_png("p.png", p, interlaced));
            LoadedImage image;
            image.name = "p.png";
            const std::string what = "png " + std::to_string(v.channels) + "x" +
                                     std::to_string(v.bits) + (interlaced ? " interlaced" : "");
            expect_picture(what, load_png(image), image, p);
        }
    }
}

TEST_F(PngTiff, PalettePngIsExpandedWithItsTransparency) {
    for (bool transparency : {false, true}) {
        ASSERT_TRUE(write_palette_png("p.png", 33, 17, transparency));
        LoadedImage image;
        image.name = "p.png";
        const LoadResult loaded = load_png(image);
        ASSERT_TRUE(loaded.ok()) << loaded.reason;
        ASSERT_EQ(image.planes, transparency ? 4 : 3);
        const uint8_t* px = image.pixels;
        for (int32_t y = 0; y < 17; ++y) {
            for (int32_t x = 0; x < 33; ++x, px += image.planes) {
                const uint8_t i = sample8(x, y, 0);
                ASSERT_EQ(px[0], i);
                ASSERT_EQ(px[1], 255 - i);
                ASSERT_EQ(px[2], uint8_t(7 * i));
                if (transparency) {
                    ASSERT_EQ(px[3], 255 - i);
                }
            }
        }
    }
}

TEST_F(PngTiff, TiffVariantsLoadToTheirPixels) {
    const TiffLayout layouts[] = {
        {COMPRESSION_NONE, false, 0, 4},          {COMPRESSION_LZW, false, 0, 7},
        {COMPRESSION_ADOBE_DEFLATE, true, 0, 30}, {COMPRESSION_PACKBITS, false, 16, 0},
        {COMPRESSION_LZW, true, 32, 0},
    };
    for (const Variant& v : kVariants) {
        for (const TiffLayout& l : layouts) {
            SampledPicture p;
            p.channels = v.channels;
            p.bits = v.bits;
            ASSERT_TRUE(write_tiff("p.tif", p, l));
            LoadedImage image;
            image.name = "p.tif";
            const std::string what = "tiff " + std::to_string(v.channels) + "x" +
                                     std::to_string(v.bits) + " compression " +
                                     std::to_string(l.compression) + " tile " +
                                     std::to_string(l.tile_side) + (l.big ? " big" : "");
            expect_picture(what, load_tiff(image), image, p);
        }
    }
}

TEST_F(PngTiff, DamagedFilesAreRefusedAndLeaveTheRecordAlone) {
    SampledPicture p;
    ASSERT_TRUE(write_png("p.png", p));
    ASSERT_TRUE(write_tiff("p.tif", p, TiffLayout{COMPRESSION_LZW, false, 0, 4}));
    const std::vector<uint8_t> png = read_file("p.png");
    const std::vector<uint8_t> tif = read_file("p.tif");
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool is_png;
    };
    std::vector<Case> cases;
    cases.push_back(
        {"short.png", std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2), true});
    std::vector<uint8_t> bad_crc = png;
    bad_crc[40] ^= 0x55;  // inside the first data chunk
    cases.push_back({"crc.png", bad_crc, true});
    cases.push_back({"head.png", std::vector<uint8_t>(png.begin(), png.begin() + 20), true});
    cases.push_back({"notpng.png", tif, true});
    cases.push_back(
        {"short.tif", std::vector<uint8_t>(tif.begin(), tif.begin() + tif.size() / 2), false});
    cases.push_back({"head.tif", std::vector<uint8_t>(tif.begin(), tif.begin() + 6), false});
    cases.push_back({"nottif.tif", png, false});
    for (const Case& c : cases) {
        write_file(c.name, c.bytes);
        LoadedImage image;
        image.name = c.name;
        const LoadResult got = c.is_png ? load_png(image) : load_tiff(image);
        EXPECT_FALSE(got.ok()) << c.name;
        EXPECT_FALSE(got.reason.empty()) << c.name;
        EXPECT_EQ(image.pixels, nullptr) << c.name;
        EXPECT_EQ(image.width, 0) << c.name;
    }
}

TEST_F(PngTiff, UnreadableTiffLayoutsAreNamed) {
    // 4-bit samples and separate colour planes.
    TIFF* t = TIFFOpen("planes.tif", "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 8u);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2u);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    std::vector<uint8_t> row(8, 9);
    for (uint16_t s = 0; s < 3; ++s)
        for (uint32_t y = 0; y < 2; ++y) TIFFWriteScanline(t, row.data(), y, s);
    TIFFClose(t);
    LoadedImage image;
    image.name = "planes.tif";
    const LoadResult got = load_tiff(image);
    EXPECT_FALSE(got.ok());
    EXPECT_NE(got.reason.find("separate colour planes"), std::string::npos) << got.reason;
}

TEST_F(PngTiff, PngOverTheMemoryLimitIsRefused) {
    SampledPicture p;
    p.width = 2048;
    p.height = 1024;
    ASSERT_TRUE(write_png("big.png", p));
    setenv(MEMORY_LIMIT_VARIABLE, "1", 1);
    LoadedImage image;
    image.name = "big.png";
    const LoadResult got = load_png(image);
    unsetenv(MEMORY_LIMIT_VARIABLE);
    EXPECT_FALSE(got.ok());
    EXPECT_NE(got.reason.find(MEMORY_LIMIT_VARIABLE), std::string::npos);
}

}  // namespace
