// JPEG loader: fixtures are compressed here with the JPEG library itself.
#include <cstdlib>

#include "imageio/imageio.h"
#include "tests/imageio/test_support.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

class JpegTest : public ScratchDir {
  protected:
    LoadResult load(const std::string& name) {
        image.name = name;
        result = load_jpeg(image);
        return result;
    }
    // Largest difference between the loaded R, G, B and `want` (3 per pixel).
    int max_error(const std::vector<uint8_t>& want) const {
        int worst = 0;
        for (size_t i = 0; i < want.size(); ++i)
            worst = std::max(worst, std::abs(int(image.pixels[i]) - int(want[i])));
        return worst;
    }
    LoadedImage image;
    LoadResult result;  // of the last load()
};

JpegFixture colour_fixture(int w, int h) {
    JpegFixture s;
    s.width = w;
    s.height = h;
    s.samples = jpeg_squares(w, h, 3);
    return s;
}

TEST_F(JpegTest, BaselineComesOutRgbAndLogsItsSize) {
    const JpegFixture s = colour_fixture(640, 480);
    ASSERT_TRUE(write_jpeg("pano.jpg", s));
    ASSERT_TRUE(load("pano.jpg").ok());
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
    EXPECT_EQ(image.planes, 0);  // not the JPEG loader's business
    EXPECT_LE(max_error(s.samples), 3);
    EXPECT_NE(read_text("vx.log").find("(jpeg=640x480x3)"), std::string::npos);
    // The block is a reservation of exactly width x height x 3 bytes.
    bool found = false;
    for (int32_t i = 0; i < RESERVE_SLOTS && !found; ++i)
        found = reserve_slot(i).block == image.pixels && reserve_slot(i).size == 640 * 480 * 3;
    EXPECT_TRUE(found);
}

TEST_F(JpegTest, ProgressiveDecodesToTheSameBytesAsBaseline) {
    // Both modes carry the same quantised coefficients, so the decoded
    // pictures must agree byte for byte.
    JpegFixture s = colour_fixture(100, 70);  // sides that are not multiples of 16
    ASSERT_TRUE(write_jpeg("base.jpg", s));
    s.progressive = true;
    ASSERT_TRUE(write_jpeg("prog.jpg", s));
    ASSERT_TRUE(load("base.jpg").ok());
    const std::vector<uint8_t> base(image.pixels, image.pixels + 100 * 70 * 3);
    ASSERT_TRUE(load("prog.jpg").ok());
    EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 100 * 70 * 3), base);
}

TEST_F(JpegTest, GreyscaleComesOutWithEqualChannels) {
    JpegFixture s;
    s.width = 48;
    s.height = 32;
    s.components = 1;
    s.space = JCS_GRAYSCALE;
    s.samples = jpeg_squares(48, 32, 1);
    ASSERT_TRUE(write_jpeg("grey.jpg", s));
    ASSERT_TRUE(load("grey.jpg").ok());
    std::vector<uint8_t> want;
    for (uint8_t v : s.samples) want.insert(want.end(), {v, v, v});
    EXPECT_LE(max_error(want), 2);
    for (size_t i = 0; i < s.samples.size(); ++i) {
        EXPECT_EQ(image.pixels[3 * i], image.pixels[3 * i + 1]);
        EXPECT_EQ(image.pixels[3 * i], image.pixels[3 * i + 2]);
    }
    EXPECT_NE(read_text("vx.log").find("(jpeg=48x32x1)"), std::string::npos);
}

TEST_F(JpegTest, CmykIsConvertedToRgb) {
    // Adobe files store inverted values: 255 means no ink. Pure red is no
    // cyan ink, full magenta and yellow, no black.
    JpegFixture s;
    s.width = 16;
    s.height = 16;
    s.components = 4;
    s.space = JCS_CMYK;
    for (int i = 0; i < 256; ++i) s.samples.insert(s.samples.end(), {255, 0, 0, 255});
    ASSERT_TRUE(write_jpeg("red.jpg", s));
    ASSERT_TRUE(load("red.jpg").ok());
    std::vector<uint8_t> red;
    for (int i = 0; i < 256; ++i) red.insert(red.end(), {255, 0, 0});
    EXPECT_LE(max_error(red), 2);

    // Without the Adobe marker the values are the ink itself.
    s.adobe_marker = false;
    s.samples.clear();
    for (int i = 0; i < 256; ++i) s.samples.insert(s.samples.end(), {0, 255, 255, 0});
    ASSERT_TRUE(write_jpeg("red2.jpg", s));
    ASSERT_TRUE(load("red2.jpg").ok());
    EXPECT_LE(max_error(red), 2);
}

TEST_F(JpegTest, TruncatedFileWarnsAndStillLoads) {
    ASSERT_TRUE(write_jpeg("whole.jpg", colour_fixture(64, 64)));
    std::vector<uint8_t> bytes = read_file("whole.jpg");
    // Cut halfway through the entropy-coded data, after the scan header.
    const size_t sos = find_marker(bytes, 0xDA);
    ASSERT_GT(sos, 0u);
    bytes.resize(sos + (bytes.size() - sos) / 2);
    write_file("cut.jpg", bytes);
    ASSERT_TRUE(load("cut.jpg").ok());
    EXPECT_EQ(image.width, 64);
    EXPECT_NE(read_text("vx.log").find("JPEG ERROR="), std::string::npos);
}

TEST_F(JpegTest, FatalErrorIsLoggedAndReturnsInsteadOfExiting) {
    write_file("junk.jpg", std::vector<uint8_t>(300, 0x42));
    image.width = 7;
    EXPECT_FALSE(load("junk.jpg").ok());
    EXPECT_EQ(image.width, 7);
    const std::string log = read_text("vx.log");
    EXPECT_EQ(log.rfind("JPEG ERROR=", 0), 0u) << log;
    EXPECT_NE(result.reason.find("cannot decode jpeg junk.jpg"), std::string::npos);
    // The decoder is usable again afterwards.
    ASSERT_TRUE(write_jpeg("good.jpg", colour_fixture(32, 16)));
    EXPECT_TRUE(load("good.jpg").ok());
    EXPECT_EQ(result.reason, "");
}

TEST_F(JpegTest, MissingFileLogsOpenFailure) {
    image.width = 5;
    EXPECT_FALSE(load("missing.jpg").ok());
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(read_text("vx.log"), "(jpeg open failed)");
}

}  // namespace
