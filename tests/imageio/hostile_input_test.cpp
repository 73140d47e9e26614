// Inputs made to hurt: files that claim more than memory allows, headers of
// huge files that are not pictures, damaged JPEGs, a JPEG that fails only
// after its last row, and a TIFF whose row of tiles does not fit in 64 bits.
#include <cstdlib>
#include <fstream>

#include "imageio/imageio.h"
#include "tests/imageio/test_support.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

class HostileInput : public ScratchDir {
  protected:
    void TearDown() override {
        unsetenv(MEMORY_LIMIT_VARIABLE);
        ScratchDir::TearDown();
    }
    // A record that already holds a picture: a failed load must leave it so.
    void fill_record() {
        ASSERT_EQ(reserve_block(&image.pixels, 5 * 7 * 3, "before"), 1);
        image.pixels[0] = 42;
        image.width = 5;
        image.height = 7;
    }
    void expect_record_untouched() {
        EXPECT_EQ(image.width, 5);
        EXPECT_EQ(image.height, 7);
        ASSERT_NE(image.pixels, nullptr);
        EXPECT_EQ(image.pixels[0], 42);
    }
    LoadedImage image;
};

JpegFixture squares(int w, int h, bool progressive = false) {
    JpegFixture s;
    s.width = w;
    s.height = h;
    s.progressive = progressive;
    s.samples = jpeg_squares(w, h, 3);
    return s;
}

// Bytes read by this process so far (Linux).
long long bytes_read() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

TEST_F(HostileInput, BmpOverTheMemoryLimitIsRefusedBeforeAnyAllocation) {
    BmpFixture s;
    s.width = s.height = 1024;  // 3 MB of pixels, 3 MB of file
    s.pixels = rgb_pattern(1024, 1024);
    write_bmp("big.bmp", s);
    setenv(MEMORY_LIMIT_VARIABLE, "4", 1);
    fill_record();
    image.name = "big.bmp";
    const LoadResult refused = load_bmp(image, file_size("big.bmp"), 3, 1);
    EXPECT_FALSE(refused.ok());
    expect_record_untouched();
    EXPECT_NE(refused.reason.find("more than the memory limit of 4 MB"), std::string::npos)
        << refused.reason;
    setenv(MEMORY_LIMIT_VARIABLE, "8", 1);
    EXPECT_TRUE(load_bmp(image, file_size("big.bmp"), 3, 1).ok());
    EXPECT_EQ(image.width, 1024);
}

TEST_F(HostileInput, LimitVariableFallsBackOnNonsense) {
    setenv(MEMORY_LIMIT_VARIABLE, "12", 1);
    EXPECT_EQ(picture_memory_limit(), int64_t{12} << 20);
    unsetenv(MEMORY_LIMIT_VARIABLE);
    const int64_t fallback = picture_memory_limit();
    EXPECT_GT(fallback, 0);
    for (const char* bad : {"", "0", "-5", "12x", "lots"}) {
        setenv(MEMORY_LIMIT_VARIABLE, bad, 1);
        EXPECT_EQ(picture_memory_limit(), fallback) << bad;
    }
}

TEST_F(HostileInput, HugeFileThatIsNoBmpIsJudgedByItsHeader) {
    // 256 MB of zeros (sparse on disk): the header says it is no picture, so
    // no more than the header may be read.
    {
        std::ofstream out("zeros.bmp", std::ios::binary);
        out.seekp((256 << 20) - 1);
        out.put(0);
    }
    image.name = "zeros.bmp";
    const long long before = bytes_read();
    ASSERT_GE(before, 0);
    const LoadResult refused = load_bmp(image, file_size("zeros.bmp"), 3, 1);
    EXPECT_FALSE(refused.ok());
    EXPECT_LT(bytes_read() - before, 1 << 20);
    EXPECT_NE(refused.reason.find("is no 4, 8 or 24bit BMP file"), std::string::npos);
}

TEST_F(HostileInput, TinyJpegClaimingAHugePictureIsRefused) {
    ASSERT_TRUE(write_jpeg("small.jpg", squares(16, 16, true)));
    std::vector<uint8_t> bytes = read_file("small.jpg");
    // Progressive frame header: FF C2, length, precision, height, width.
    const size_t sof = find_marker(bytes, 0xC2);
    ASSERT_GT(sof, 0u);
    bytes[sof + 5] = 10280 >> 8;
    bytes[sof + 6] = 10280 & 255;
    bytes[sof + 7] = 10280 >> 8;
    bytes[sof + 8] = 10280 & 255;
    write_file("claim.jpg", bytes);
    setenv(MEMORY_LIMIT_VARIABLE, "256", 1);
    fill_record();
    image.name = "claim.jpg";
    const LoadResult refused = load_jpeg(image);
    EXPECT_FALSE(refused.ok());
    expect_record_untouched();
    EXPECT_NE(refused.reason.find("more than the memory limit of 256 MB"), std::string::npos)
        << refused.reason;
}

TEST_F(HostileInput, TruncatedJpegLoadsAndSaysItIsDamaged) {
    ASSERT_TRUE(write_jpeg("whole.jpg", squares(64, 64)));
    std::vector<uint8_t> bytes = read_file("whole.jpg");
    const size_t sos = find_marker(bytes, 0xDA);
    ASSERT_GT(sos, 0u);
    bytes.resize(sos + (bytes.size() - sos) / 2);
    write_file("cut.jpg", bytes);
    image.name = "cut.jpg";
    LoadResult loaded = load_jpeg(image);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.warning, "Premature end of JPEG file");
    image.name = "whole.jpg";
    loaded = load_jpeg(image);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.warning, "");
}

TEST_F(HostileInput, JpegFailingAfterItsLastRowKeepsThePicture) {
    ASSERT_TRUE(write_jpeg("whole.jpg", squares(32, 24)));
    image.name = "whole.jpg";
    ASSERT_TRUE(load_jpeg(image).ok());
    const std::vector<uint8_t> clean(image.pixels, image.pixels + 32 * 24 * 3);

    // The end-of-image marker replaced by a start-of-scan marker with a
    // bogus length: the library stops on it while finishing.
    std::vector<uint8_t> bytes = read_file("whole.jpg");
    ASSERT_EQ(bytes[bytes.size() - 2], 0xFF);
    ASSERT_EQ(bytes[bytes.size() - 1], 0xD9);
    bytes.resize(bytes.size() - 2);
    bytes.insert(bytes.end(), {0xFF, 0xDA, 0x00, 0x02, 0x00, 0xFF, 0xD9});
    write_file("tail.jpg", bytes);

    LoadedImage other;
    other.name = "tail.jpg";
    const LoadResult loaded = load_jpeg(other);
    ASSERT_TRUE(loaded.ok()) << loaded.reason;
    EXPECT_EQ(other.width, 32);
    EXPECT_EQ(other.height, 24);
    EXPECT_EQ(std::vector<uint8_t>(other.pixels, other.pixels + clean.size()), clean);
    EXPECT_NE(loaded.warning, "");
    EXPECT_EQ(loaded.reason, "");
}

// A TIFF of 40000 x 1 pixels of 65535 16-bit samples in tiles of 16 x
// 4294967280: one row of tiles is 2500 tiles of 2^51 bytes each, beyond 64 bits.
TEST_F(HostileInput, TiffTilesBeyondSixtyFourBitsAreRefusedByTheLimit) {
    const uint32_t tags[][3] = {
        {256, 4, 40000}, {257, 4, 1},           {258, 3, 16},
        {259, 3, 1},     {262, 3, 2},           {277, 3, 65535},
        {322, 4, 16},    {323, 4, 4294967280u}, {324, 4, 8 + 2 + 10 * 12 + 4},
        {325, 4, 64}};
    std::vector<uint8_t> bytes = {'I', 'I', 42, 0, 8, 0, 0, 0, 10, 0};
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    for (const auto& t : tags) {
        put(t[0], 2);
        put(t[1], 2);
        put(1, 4);
        put(t[2], 4);
    }
    bytes.resize(bytes.size() + 4 + 64);  // no next directory, then the data
    write_file("tiles.tif", bytes);
    setenv(MEMORY_LIMIT_VARIABLE, "64", 1);
    fill_record();
    image.name = "tiles.tif";
    const LoadResult refused = load_tiff(image);
    EXPECT_FALSE(refused.ok());
    expect_record_untouched();
    EXPECT_NE(refused.reason.find("more than the memory limit"), std::string::npos)
        << refused.reason;
    PictureBands bands;
    const LoadResult opened = open_bands(bands, "tiles.tif", BandFormat::tiff);
    EXPECT_FALSE(opened.ok());
    EXPECT_NE(opened.reason.find("more than the memory limit"), std::string::npos);
}

}  // namespace
