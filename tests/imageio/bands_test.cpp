// Reading in bands gives the rows of the whole-picture loaders, byte for
// byte, whatever the band height; damage partway keeps the bands before it.
#include <gtest/gtest.h>

#include <functional>
#include <type_traits>

#include "imageio/imageio.h"
#include "tests/imageio/png_tiff_support.h"
#include "tests/imageio/test_support.h"

using namespace testsupport;

namespace {

// The record owns its decoder: a copy would close it twice.
static_assert(!std::is_copy_constructible_v<PictureBands> &&
                  !std::is_copy_assignable_v<PictureBands> &&
                  std::is_nothrow_move_constructible_v<PictureBands> &&
                  std::is_nothrow_move_assignable_v<PictureBands>,
              "PictureBands moves, never copies");

class Bands : public ScratchDir {};

// The whole picture read back in bands of `band` rows; empty on failure.
// `warning`: that of the last band.
std::vector<uint8_t> read_in_bands(const std::string& name, BandFormat format, int32_t band,
                                   int32_t* planes = nullptr, std::string* warning = nullptr) {
    PictureBands b;
    if (!open_bands(b, name, format).ok()) return {};
    const size_t pitch = size_t(b.width) * b.planes;
    std::vector<uint8_t> all(pitch * b.height);
    for (int32_t y = 0; y < b.height; y += band) {
        const LoadResult read = read_band(b, all.data() + y * pitch, band);
        if (!read.ok()) {
            close_bands(b);
            return {};
        }
        if (warning) *warning = read.warning;
    }
    EXPECT_EQ(b.rows_read, b.height);
    if (planes) *planes = b.planes;
    close_bands(b);
    return all;
}

std::vector<uint8_t> read_whole(const std::string& name,
                                const std::function<LoadResult(LoadedImage&)>& load,
                                int32_t* planes = nullptr, std::string* warning = nullptr) {
    LoadedImage image;
    image.name = name;
    const LoadResult loaded = load(image);
    if (warning) *warning = loaded.warning;
    if (!loaded.ok()) return {};
    // The JPEG loader leaves `planes` alone: its pictures are R, G, B.
    const int32_t n = image.planes == 4 ? 4 : 3;
    if (planes) *planes = n;
    return std::vector<uint8_t>(image.pixels,
                                image.pixels + size_t(image.width) * image.height * n);
}

// The whole picture's warning, or "" when it does not load.
std::string expect_same(const std::string& name, BandFormat format,
                        const std::function<LoadResult(LoadedImage&)>& load) {
    int32_t whole_planes = 0;
    std::string warning;
    const std::vector<uint8_t> whole = read_whole(name, load, &whole_planes, &warning);
    if (whole.empty()) {
        // A file the whole-picture loader refuses fails in bands too.
        EXPECT_TRUE(read_in_bands(name, format, 8).empty()) << name;
        return "";
    }
    for (int32_t band : {1, 7, 16, 1000}) {
        int32_t planes = 0;
        std::string band_warning;
        EXPECT_EQ(read_in_bands(name, format, band, &planes, &band_warning), whole)
            << name << " band " << band;
        EXPECT_EQ(planes, whole_planes) << name;
        EXPECT_EQ(band_warning, warning) << name;
    }
    return warning;
}

TEST_F(Bands, PngBandsAreTheWholePicture) {
    for (int channels : {1, 2, 3, 4}) {
        for (bool interlaced : {false, true}) {
            SampledPicture p;
            p.channels = channels;
            p.bits = channels == 2 ? 16 : 8;
            ASSERT_TRUE(write_png("p.png", p, interlaced));
            expect_same("p.png", BandFormat::png, load_png);
        }
    }
    ASSERT_TRUE(write_palette_png("pal.png", 21, 19, true));
    expect_same("pal.png", BandFormat::png, load_png);
}

TEST_F(Bands, TiffBandsAreTheWholePicture) {
    const TiffLayout layouts[] = {{COMPRESSION_LZW, false, 0, 5}, {COMPRESSION_NONE, true, 16, 0}};
    for (const TiffLayout& l : layouts) {
        for (int channels : {1, 3, 4}) {
            SampledPicture p;
            p.channels = channels;
            p.height = 45;
            ASSERT_TRUE(write_tiff("t.tif", p, l));
            expect_same("t.tif", BandFormat::tiff, load_tiff);
        }
    }
}

TEST_F(Bands, JpegBandsAreTheWholePicture) {
    for (int components : {1, 3}) {
        for (bool progressive : {false, true}) {
            const JpegFixture s = squares_jpeg(160, 120, components, progressive, 80);
            ASSERT_TRUE(write_jpeg("j.jpg", s));
            expect_same("j.jpg", BandFormat::jpeg, load_jpeg);
            // Cut short: decoded with filler and a warning, in both paths.
            std::vector<uint8_t> bytes = read_file("j.jpg");
            bytes.resize(bytes.size() * 2 / 3);
            write_file("cut.jpg", bytes);
            const std::string warning = expect_same("cut.jpg", BandFormat::jpeg, load_jpeg);
            // A baseline file cut in its data decodes with a warning.
            if (!progressive) {
                EXPECT_FALSE(warning.empty());
            }
        }
    }
}

TEST_F(Bands, DamagePartwayKeepsTheBandsBefore) {
    SampledPicture p;
    // Large enough for several data chunks, so the cut falls after the first.
    p.width = 256;
    p.height = 256;
    ASSERT_TRUE(write_png("p.png", p));
    ASSERT_TRUE(write_tiff("t.tif", p, TiffLayout{COMPRESSION_LZW, false, 0, 8}));
    const std::vector<uint8_t> want = expected_pixels(p);
    const size_t pitch = 256 * 3;
    const struct {
        const char* name;
        BandFormat format;
    } files[] = {{"p.png", BandFormat::png}, {"t.tif", BandFormat::tiff}};
    for (const auto& f : files) {
        std::vector<uint8_t> bytes = read_file(f.name);
        if (f.format == BandFormat::png) {
            bytes.resize(bytes.size() * 2 / 3);
        } else {
            // libtiff keeps the directory at the end: spoil the strips in the
            // middle instead (codes no LZW table holds yet).
            std::fill(bytes.begin() + bytes.size() / 2, bytes.begin() + bytes.size() * 3 / 5, 0xFF);
        }
        write_file(f.name, bytes);
        PictureBands b;
        const LoadResult opened = open_bands(b, f.name, f.format);
        ASSERT_TRUE(opened.ok()) << opened.reason;
        std::vector<uint8_t> band(pitch * 8);
        ASSERT_TRUE(read_band(b, band.data(), 8).ok()) << f.name;
        EXPECT_TRUE(std::equal(band.begin(), band.end(), want.begin())) << f.name;
        LoadResult read = opened;
        while (read.ok() && b.rows_read < b.height) read = read_band(b, band.data(), 8);
        EXPECT_FALSE(read.ok()) << f.name;
        EXPECT_FALSE(read.reason.empty()) << f.name;
        // The damaged decoder is closed at once; reading on is refused.
        EXPECT_EQ(b.source, nullptr) << f.name;
        EXPECT_FALSE(read_band(b, band.data(), 8).ok()) << f.name;
        close_bands(b);
        close_bands(b);
    }
}

// A record moved partway reads on where the first stopped; the one moved
// from is closed.
TEST_F(Bands, MovedRecordReadsOn) {
    SampledPicture p;
    ASSERT_TRUE(write_png("p.png", p));
    const std::vector<uint8_t> want = expected_pixels(p);
    const size_t pitch = size_t(p.width) * 3;
    PictureBands first;
    ASSERT_TRUE(open_bands(first, "p.png", BandFormat::png).ok());
    std::vector<uint8_t> rows(pitch * p.height);
    ASSERT_TRUE(read_band(first, rows.data(), 3).ok());
    PictureBands moved(std::move(first));
    EXPECT_EQ(first.source, nullptr);
    EXPECT_FALSE(read_band(first, rows.data(), 1).ok());
    PictureBands assigned;
    assigned = std::move(moved);
    ASSERT_TRUE(read_band(assigned, rows.data() + 3 * pitch, p.height - 3).ok());
    EXPECT_EQ(rows, want);
}

TEST_F(Bands, HeaderFailuresLeaveNothingOpen) {
    write_file("bad.png", {1, 2, 3});
    write_file("bad.tif", {'I', 'I', 42, 0});
    write_file("bad.jpg", {0xFF, 0xD8, 0xFF});
    const struct {
        const char* name;
        BandFormat format;
    } files[] = {{"bad.png", BandFormat::png},
                 {"bad.tif", BandFormat::tiff},
                 {"bad.jpg", BandFormat::jpeg},
                 {"missing.png", BandFormat::png}};
    for (const auto& f : files) {
        PictureBands b;
        const LoadResult opened = open_bands(b, f.name, f.format);
        EXPECT_FALSE(opened.ok()) << f.name;
        EXPECT_EQ(b.source, nullptr);
        EXPECT_FALSE(opened.reason.empty()) << f.name;
        uint8_t row[4];
        EXPECT_FALSE(read_band(b, row, 1).ok());
    }
}

}  // namespace
