// BMP loader: every bit depth, the companion alpha file, and files that lie.
#include <cstring>

#include "imageio/imageio.h"
#include "tests/imageio/test_support.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

class BmpTest : public ScratchDir {
  protected:
    // Writes `fixture` as `name` and loads it as the tool would, with `planes`.
    LoadResult load(const std::string& name, const BmpFixture& fixture, int32_t planes,
                    int skip = 1) {
        write_bmp(name, fixture);
        image.name = name;
        result = load_bmp(image, file_size(name.c_str()), planes, skip);
        return result;
    }
    std::vector<uint8_t> pixels(size_t bytes) const {
        return std::vector<uint8_t>(image.pixels, image.pixels + bytes);
    }
    LoadedImage image;
    LoadResult result;  // of the last load()
};

BmpFixture rgb(int32_t w, int32_t h) {
    BmpFixture s;
    s.width = w;
    s.height = h;
    s.pixels = rgb_pattern(w, h);
    return s;
}

BmpFixture grey_palette_fixture(int bits, int32_t w, int32_t h) {
    BmpFixture s;
    s.bits = bits;
    s.width = w;
    s.height = h;
    const int entries = 1 << bits;
    for (int k = 0; k < entries; ++k)
        s.palette.push_back(static_cast<uint32_t>(k * 0x010203 + 0x100000));
    for (int32_t i = 0; i < w * h; ++i)
        s.pixels.push_back(static_cast<uint8_t>((i * 7 + 3) % entries));
    return s;
}

// --- 24-bit ----------------------------------------------------------------

TEST_F(BmpTest, TwentyFourBitComesOutRgbTopDown) {
    const BmpFixture s = rgb(4, 3);  // 12-byte rows: no padding needed
    ASSERT_TRUE(load("pano.bmp", s, 3).ok());
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.planes, 3);
    EXPECT_EQ(pixels(s.pixels.size()), s.pixels);
    EXPECT_EQ(result.reason, "");
}

TEST_F(BmpTest, PaddedRowsAndTopDownFilesLoadRight) {
    for (int32_t w : {1, 2, 3, 5}) {
        for (bool top_down : {false, true}) {
            BmpFixture s = rgb(w, 3);
            s.top_down = top_down;
            ASSERT_TRUE(load("odd.bmp", s, 3).ok()) << w;
            EXPECT_EQ(pixels(s.pixels.size()), s.pixels)
                << "width " << w << " top_down " << top_down;
        }
    }
}

TEST_F(BmpTest, BlackPixelGetsAlphaZeroWithoutCompanion) {
    BmpFixture s = rgb(2, 2);
    s.pixels = {0, 0, 0, 1, 0, 0, 0, 0, 9, 200, 100, 50};
    ASSERT_TRUE(load("pano.bmp", s, 4).ok());
    EXPECT_EQ(image.planes, 4);
    EXPECT_EQ(pixels(16),
              (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 255, 0, 0, 9, 255, 200, 100, 50, 255}));
}

TEST_F(BmpTest, OtherPlanesGiveOneGreyBytePerPixel) {
    BmpFixture s = rgb(2, 1);
    s.pixels = {30, 60, 91, 255, 255, 254};
    ASSERT_TRUE(load("grey.bmp", s, 1).ok());
    EXPECT_EQ(image.planes, 1);
    EXPECT_EQ(pixels(2), (std::vector<uint8_t>{60, 254}));  // (B + G + R) / 3, truncated
}

TEST_F(BmpTest, CompanionAlphaIsTheMeanOfItsThreeBytes) {
    BmpFixture alpha = rgb(3, 2);  // padded rows in the companion too
    alpha.pixels = {0, 0, 0, 3, 3, 4, 255, 255, 255, 10, 20, 31, 1, 1, 0, 90, 90, 90};
    write_bmp("pano_trans.bmp", alpha);
    const BmpFixture s = rgb(3, 2);
    ASSERT_TRUE(load("pano.bmp", s, 3).ok());
    EXPECT_EQ(image.planes, 4);  // whatever was asked for
    const std::vector<uint8_t> want_alpha = {0, 3, 255, 20, 0, 90};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(image.pixels[4 * i + 0], s.pixels[3 * i + 0]);
        EXPECT_EQ(image.pixels[4 * i + 1], s.pixels[3 * i + 1]);
        EXPECT_EQ(image.pixels[4 * i + 2], s.pixels[3 * i + 2]);
        EXPECT_EQ(image.pixels[4 * i + 3], want_alpha[i]) << i;
    }
}

TEST_F(BmpTest, CompanionNamesAndTheirOrder) {
    BmpFixture op = rgb(2, 2);
    op.pixels.assign(12, 30);
    BmpFixture trans = rgb(2, 2);
    trans.pixels.assign(12, 60);
    write_bmp("panoop.bmp", op);
    ASSERT_TRUE(load("pano.bmp", rgb(2, 2), 3).ok());
    EXPECT_EQ(image.pixels[3], 30);  // only "op" present
    write_bmp("pano_trans.bmp", trans);
    ASSERT_TRUE(load("pano.bmp", rgb(2, 2), 3).ok());
    EXPECT_EQ(image.pixels[3], 60);  // "_trans" wins
}

TEST_F(BmpTest, CompanionOfAnotherSizeIsRejected) {
    write_bmp("pano_trans.bmp", rgb(4, 2));
    EXPECT_FALSE(load("pano.bmp", rgb(2, 2), 3).ok());
    EXPECT_EQ(image.width, 0);
    EXPECT_NE(read_text("vx.log").find(
                  "vxgl:  alpha file pano_trans.bmp does not match texture pano.bmp\n"),
              std::string::npos);
}

TEST_F(BmpTest, LongNamesAndTheirCompanionsWork) {
    const std::string base(180, 'n');
    BmpFixture alpha = rgb(2, 2);
    alpha.pixels.assign(12, 7);
    write_bmp(base + "_trans.bmp", alpha);
    ASSERT_TRUE(load(base + ".bmp", rgb(2, 2), 3).ok());
    EXPECT_EQ(image.planes, 4);
    EXPECT_EQ(image.pixels[3], 7);
}

TEST_F(BmpTest, PowerOfTwoCheckOnlyWhenAsked) {
    EXPECT_FALSE(load("odd.bmp", rgb(3, 2), 3, 0).ok());
    EXPECT_NE(read_text("vx.log").find("vxgl:  texture size of odd.bmp is no power of 2 (3,2)\n"),
              std::string::npos);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_TRUE(load("even.bmp", rgb(4, 2), 3, 0).ok());
    EXPECT_TRUE(load("odd.bmp", rgb(3, 2), 3, 1).ok());
}

// --- 4- and 8-bit ------------------------------------------------------------

TEST_F(BmpTest, FourBitReadsTheHighNibbleFirst) {
    BmpFixture s = grey_palette_fixture(4, 8, 1);
    std::vector<uint8_t> file = make_bmp(s);
    file[get32(file, 10)] = 0x21;  // the first pixel byte
    write_file("four.bmp", file);
    image.name = "four.bmp";
    ASSERT_TRUE(load_bmp(image, file_size("four.bmp"), 5, 1).ok());
    EXPECT_EQ(image.pixels[0], 2);
    EXPECT_EQ(image.pixels[1], 1);
    EXPECT_EQ(image.palette_size, 16);
}

TEST_F(BmpTest, PaletteFilesExpandAndKeepIndices) {
    for (int bits : {4, 8}) {
        for (int32_t w : {1, 3, 5, 8}) {  // most of these need padded rows
            const BmpFixture s = grey_palette_fixture(bits, w, 3);
            ASSERT_TRUE(load("pal.bmp", s, 5).ok());
            EXPECT_EQ(image.planes, 5);
            EXPECT_EQ(image.palette_size, 1 << bits);
            EXPECT_EQ(pixels(s.pixels.size()), s.pixels) << bits << " bits, width " << w;
            for (int k = 0; k < (1 << bits); ++k) {
                const uint32_t c = s.palette[k];
                const uint8_t want[4] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255};
                EXPECT_EQ(std::memcmp(image.palette + 4 * k, want, 4), 0) << k;
            }
            ASSERT_TRUE(load("pal.bmp", s, 4).ok());
            for (size_t i = 0; i < s.pixels.size(); ++i) {
                const uint32_t c = s.palette[s.pixels[i]];
                EXPECT_EQ(image.pixels[4 * i], uint8_t(c >> 16));
                EXPECT_EQ(image.pixels[4 * i + 1], uint8_t(c >> 8));
                EXPECT_EQ(image.pixels[4 * i + 2], uint8_t(c));
                EXPECT_EQ(image.pixels[4 * i + 3], 255);
            }
        }
    }
}

TEST_F(BmpTest, EightBitWithPlanesFiveNamesItsPalette) {
    ASSERT_TRUE(load("pal.bmp", grey_palette_fixture(8, 4, 2), 5).ok());
    bool found = false;
    for (int32_t i = 0; i < RESERVE_SLOTS && !found; ++i) {
        const ReserveSlot& slot = reserve_slot(i);
        found = slot.block == image.palette && std::strcmp(slot.name, "palette") == 0 &&
                slot.size == 256 * 4;
    }
    EXPECT_TRUE(found);
}

TEST_F(BmpTest, LargerInfoHeaderAndShortPaletteLoadRight) {
    BmpFixture s = grey_palette_fixture(8, 4, 2);
    s.info_size = 124;  // a V5 header, as current writers produce
    s.palette.resize(2);
    s.colours_used = 2;
    for (auto& p : s.pixels) p &= 1;
    ASSERT_TRUE(load("v5.bmp", s, 3).ok());
    for (size_t i = 0; i < s.pixels.size(); ++i) {
        EXPECT_EQ(image.pixels[3 * i], uint8_t(s.palette[s.pixels[i]] >> 16)) << i;
    }
    BmpFixture rgb24 = rgb(3, 3);
    rgb24.info_size = 108;
    ASSERT_TRUE(load("v4.bmp", rgb24, 3).ok());
    EXPECT_EQ(pixels(rgb24.pixels.size()), rgb24.pixels);
}

// --- files that are rejected -------------------------------------------------

TEST_F(BmpTest, SixteenAndThirtyTwoBitAreRejected) {
    for (int bits : {16, 32, 1}) {
        BmpFixture s;
        s.bits = bits;
        s.width = 4;
        s.height = 4;
        EXPECT_FALSE(load("deep.bmp", s, 3).ok()) << bits;
        EXPECT_EQ(image.width, 0);
        EXPECT_EQ(image.pixels, nullptr);
    }
    EXPECT_NE(read_text("vx.log").find("vxgl:  texture deep.bmp is no 4, 8 or 24bit BMP file\n"),
              std::string::npos);
    EXPECT_EQ(result.reason, "texture deep.bmp is no 4, 8 or 24bit BMP file");
}

TEST_F(BmpTest, TruncatedFilesAreRejectedWithoutReadingPastThem) {
    const std::vector<uint8_t> whole = make_bmp(rgb(5, 4));
    // The last row needs its pixels but not its padding.
    for (size_t cut : {size_t{0}, size_t{20}, size_t{54}, whole.size() - 4}) {
        write_file("cut.bmp", std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
        image.name = "cut.bmp";
        EXPECT_FALSE(load_bmp(image, static_cast<int32_t>(cut), 3, 1).ok()) << cut;
    }
    write_file("cut.bmp", std::vector<uint8_t>(whole.begin(), whole.end() - 1));
    EXPECT_TRUE(load_bmp(image, static_cast<int32_t>(whole.size() - 1), 3, 1).ok());
    EXPECT_NE(read_text("vx.log").find("vxgl:  texture cut.bmp is shorter than its pixel data\n"),
              std::string::npos);

    BmpFixture pal = grey_palette_fixture(8, 2, 2);
    std::vector<uint8_t> short_palette = make_bmp(pal);
    short_palette.resize(54 + 100);
    write_file("pal.bmp", short_palette);
    image.name = "pal.bmp";
    EXPECT_FALSE(load_bmp(image, file_size("pal.bmp"), 5, 1).ok());
    EXPECT_NE(read_text("vx.log").find("vxgl:  texture pal.bmp is shorter than its palette\n"),
              std::string::npos);
}

TEST_F(BmpTest, HeaderClaimsBeyondTheFileAreRejected) {
    BmpFixture s = rgb(4, 4);
    std::vector<uint8_t> file = make_bmp(s);
    put32(file, 22, 100000);  // far more rows than stored
    write_file("tall.bmp", file);
    image.name = "tall.bmp";
    EXPECT_FALSE(load_bmp(image, file_size("tall.bmp"), 3, 1).ok());
    put32(file, 22, 4);
    put32(file, 10, 0xFFFFFFF0u);  // pixel data far past the end
    write_file("tall.bmp", file);
    EXPECT_FALSE(load_bmp(image, file_size("tall.bmp"), 3, 1).ok());
    put32(file, 10, 54);
    put32(file, 18, 0);  // no pixels at all
    write_file("tall.bmp", file);
    EXPECT_FALSE(load_bmp(image, file_size("tall.bmp"), 3, 1).ok());
    EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(BmpTest, CompressedAndUnknownHeadersAreRejected) {
    BmpFixture s = grey_palette_fixture(8, 4, 4);
    s.compression = 1;  // RLE8
    EXPECT_FALSE(load("rle.bmp", s, 3).ok());
    EXPECT_NE(read_text("vx.log").find("vxgl:  texture rle.bmp is a compressed BMP file\n"),
              std::string::npos);
    BmpFixture core = rgb(2, 2);
    core.info_size = 12;  // the old OS/2 header keeps its fields elsewhere
    EXPECT_FALSE(load("core.bmp", core, 3).ok());
    EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(BmpTest, UnreadableFileAndBadPlanesFail) {
    image.name = "missing.bmp";
    EXPECT_FALSE(load_bmp(image, 100, 3, 1).ok());
    EXPECT_FALSE(load("ok.bmp", rgb(2, 2), 0).ok());
    EXPECT_EQ(image.pixels, nullptr);
}

TEST(NameBase, DropsTheLastFourCharactersAtMost) {
    EXPECT_EQ(name_base("pano.bmp"), "pano");
    EXPECT_EQ(name_base("dir/x.jpg"), "dir/x");
    EXPECT_EQ(name_base(".bmp"), "");
    EXPECT_EQ(name_base("bmp"), "");
    EXPECT_EQ(name_base(""), "");
}

}  // namespace
