// razivavu-texture through the real binary: every format code on a small
// picture with an alpha companion decodes (with our reader) to the expected
// pixels within the format's precision; ImageMagick, a reader that is not
// ours, opens the block and 32/24-bit files and sees the same pixels; bad
// settings end with a message and no file.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "tests/commands/commands_test_support.h"
#include "texfile/texfile.h"

using namespace cmdtest;

namespace {

uint8_t widen(int v, int bits) {
    const int top = v >> (8 - bits);
    return static_cast<uint8_t>(bits == 4 ? top * 17
                                          : (top << (8 - bits)) | (top >> (2 * bits - 8)));
}

class TextureCommand : public ScratchDir {
  protected:
    // An 8 x 8 picture of four solid 4 x 4 blocks: colours a 5:6:5 block
    // holds exactly, alphas that 4 bits hold exactly, two of them below the
    // cutout threshold. The alpha comes from the companion file.
    void SetUp() override {
        ScratchDir::SetUp();
        const uint8_t colours[4][4] = {
            {255, 130, 8, 255}, {33, 65, 231, 0}, {132, 255, 66, 136}, {16, 4, 99, 51}};
        std::vector<uint8_t> rgb(8 * 8 * 3), alpha(8 * 8 * 3);
        rgba_.resize(8 * 8 * 4);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const uint8_t* c = colours[(y / 4) * 2 + x / 4];
                const size_t i = static_cast<size_t>(y) * 8 + x;
                for (int k = 0; k < 3; ++k) {
                    rgb[3 * i + k] = c[k];
                    alpha[3 * i + k] = c[3];
                }
                for (int k = 0; k < 4; ++k) rgba_[4 * i + k] = c[k];
            }
        write_bmp("pic.bmp", bmp_of(8, 8, rgb));
        write_bmp("pic_trans.bmp", bmp_of(8, 8, alpha));
    }

    // The pixel a format must give back for a source pixel.
    static std::vector<uint8_t> expected(int32_t code, const uint8_t* p) {
        const int r = p[0], g = p[1], b = p[2], a = p[3];
        switch (code) {
            case 0:
                return {p[0], p[1], p[2], 255};
            case 1:
                return a > 128 ? std::vector<uint8_t>{p[0], p[1], p[2], 255}
                               : std::vector<uint8_t>{0, 0, 0, 0};
            case 2:
            case 3:
            case 7:
            case 15:
                return {p[0], p[1], p[2], p[3]};
            case 4:
                return {widen(r, 4), widen(g, 4), widen(b, 4), widen(a, 4)};
            case 5:
                return {widen(r, 5), widen(g, 5), widen(b, 5), uint8_t(a >= 128 ? 255 : 0)};
            case 6:
                return {widen(r, 5), widen(g, 6), widen(b, 5)};
            case 8:
                return {p[0], p[1], p[2]};
            case 9:
                return {widen(r, 5), widen(g, 5), widen(b, 5)};
            case 11:
            case 12:
                return {p[0], p[1], 0};
            case 13:
                return {p[3]};
            case 16: {
                const double l = std::trunc((r / 255.0 * 0.299 + g / 255.0 * 0.701) * 255 + 0.5);
                return {static_cast<uint8_t>(std::min(255.0, l)), p[3]};
            }
            default:
                return {};
        }
    }

    std::vector<uint8_t> rgba_;
};

TEST_F(TextureCommand, EveryFormatCodeDecodesToTheExpectedPixels) {
    for (int32_t code = 0; code <= 16; ++code) {
        const std::string out = "t" + std::to_string(code) + ".dds";
        const RunResult r =
            run(TEXTURE_BINARY, "-q --format " + std::to_string(code) + " pic.bmp " + out);
        if ((code == 10 || code == 14) && r.status == 3) {
            // The palette formats are refused by this library today.
            EXPECT_NE(r.err.find("refused"), std::string::npos) << r.err;
            EXPECT_FALSE(file_exists(out));
            continue;
        }
        ASSERT_EQ(r.status, 0) << code << ": " << r.err;
        TexFile f;
        std::string error;
        ASSERT_TRUE(read_tex_file(out, f, error)) << code << ": " << error;
        ASSERT_EQ(f.levels.size(), 4u) << code;
        for (size_t k = 0; k < f.levels.size(); ++k) {
            TexImage image;
            ASSERT_TRUE(decode_tex_level(f, k, image, error));
            if (k > 0) continue;
            for (size_t i = 0; i < 64; ++i) {
                const uint8_t* p = &rgba_[4 * i];
                const uint8_t* got = &image.pixels[i * image.channels];
                if (code == 10 || code == 14) {
                    // A palette of the picture's four colours: near each.
                    for (int k = 0; k < 4; ++k) EXPECT_NEAR(got[k], p[k], 8) << code << " " << i;
                    continue;
                }
                const std::vector<uint8_t> want = expected(code, p);
                ASSERT_EQ(static_cast<size_t>(image.channels), want.size()) << code;
                EXPECT_EQ(std::vector<uint8_t>(got, got + image.channels), want)
                    << "format " << code << " pixel " << i;
            }
        }
    }
}

TEST_F(TextureCommand, ImageMagickReadsTheBlockAnd32And24BitFilesAsWeDo) {
    const std::string im = imagemagick();
    if (im.empty()) GTEST_SKIP() << "ImageMagick is not installed (scripts/install-deps.sh)";
    // A picture with gradients, so that every palette entry of the blocks is used.
    const std::vector<uint8_t> rgb = smooth_pattern(16, 16);
    std::vector<uint8_t> alpha(rgb.size());
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = static_cast<uint8_t>((i / 3) * 255 / 255);
    write_bmp("soft.bmp", bmp_of(16, 16, rgb));
    write_bmp("soft_trans.bmp", bmp_of(16, 16, alpha));
    for (const char* format : {"dxt1", "dxt3", "dxt5", "argb8888", "rgb888"}) {
        const std::string out = std::string(format) + ".dds";
        ASSERT_EQ(
            run(TEXTURE_BINARY, std::string("-q --format ") + format + " soft.bmp " + out).status,
            0);
        TexFile f;
        TexImage ours;
        std::string error;
        ASSERT_TRUE(read_tex_file(out, f, error)) << error;
        // ImageMagick truncates the blocks' interpolated colours.
        ASSERT_TRUE(decode_tex_level(f, 0, ours, error, BlockDecoder::Truncate));
        const std::vector<uint8_t> theirs = imagemagick_rgba(im, out);
        ASSERT_EQ(theirs.size(), 16u * 16u * 4u) << format;
        EXPECT_EQ(theirs, as_rgba(ours)) << format;
    }
}

TEST_F(TextureCommand, SettingsReachTheStream) {
    struct Case {
        std::string args;
        size_t levels;
        int32_t width;
    };
    const Case cases[] = {
        {"--set g_mip_map_type=32", 1, 8},
        {"--set g_specified_mip_maps=2 --format rgb565", 2, 8},
        {"--set g_filter_blur=0.5 --set g_override_filter_width=1 --format 8", 4, 8},
        {"--set g_mip_filter_type=7 --set g_b_dither_color=1 --format dxt5", 4, 8},
        {"--rect 4,0,7,3 --format argb8888", 3, 4},
    };
    for (const Case& c : cases) {
        const RunResult r = run(TEXTURE_BINARY, "-q " + c.args + " pic.bmp out.dds");
        ASSERT_EQ(r.status, 0) << c.args << ": " << r.err;
        TexFile f;
        std::string error;
        ASSERT_TRUE(read_tex_file("out.dds", f, error)) << error;
        EXPECT_EQ(f.levels.size(), c.levels) << c.args;
        EXPECT_EQ(f.header_width, c.width) << c.args;
    }
    // The rectangle's top left pixel is the second block's colour.
    TexFile f;
    TexImage image;
    std::string error;
    ASSERT_TRUE(read_tex_file("out.dds", f, error));
    ASSERT_TRUE(decode_tex_level(f, 0, image, error));
    EXPECT_EQ(std::vector<uint8_t>(image.pixels.begin(), image.pixels.begin() + 4),
              (std::vector<uint8_t>{33, 65, 231, 0}));
    // g_b_swap_rgb exchanges red and blue as it says.
    ASSERT_EQ(run(TEXTURE_BINARY, "-q --format 8 --set g_b_swap_rgb=1 pic.bmp s.dds").status, 0);
    ASSERT_TRUE(read_tex_file("s.dds", f, error));
    ASSERT_TRUE(decode_tex_level(f, 0, image, error));
    EXPECT_EQ(std::vector<uint8_t>(image.pixels.begin(), image.pixels.begin() + 3),
              (std::vector<uint8_t>{8, 130, 255}));
}

TEST_F(TextureCommand, BadSettingsAndFailuresLeaveNoFile) {
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const std::string outside = std::to_string(TEXTURE_FORMAT_COUNT);
    const Case cases[] = {
        {"--set g_nonsense=1 pic.bmp out.dds", 2, "unknown settings key g_nonsense"},
        {"--set g_mip_filter_type=abc pic.bmp out.dds", 2, "bad value for g_mip_filter_type"},
        {"--set g_mip_filter_type=2.5 pic.bmp out.dds", 2, "not a whole number"},
        {"--set g_filter_width=wide pic.bmp out.dds", 2, "not a number"},
        {"--set g_mip_filter_type pic.bmp out.dds", 2, "expected KEY=VALUE"},
        {"--format dxt9 pic.bmp out.dds", 2, "unknown format dxt9"},
        {"--format " + outside + " pic.bmp out.dds", 2, "unknown format " + outside},
        // DDS has no format number for ASTC: --force does not make it one.
        {"--format astc4x4 pic.bmp out.dds", 2, "a KTX2 file (.ktx2) holds ASTC"},
        {"--force --set g_texture_format=22 pic.bmp out.dds", 2,
         "astc8x8 cannot be written to out.dds: DDS has no format number for ASTC"},
        {"--rect 1,2,3 pic.bmp out.dds", 2, "--rect needs"},
        {"pic.bmp", 2, "expected INPUT and OUTPUT"},
        {"--bogus pic.bmp out.dds", 2, "unknown option --bogus"},
        {"--set g_mip_filter_type=99 pic.bmp out.dds", 2,
         "g_mip_filter_type=99 is outside its range 0 .. 13"},
        {"--set g_mip_map_type=33 pic.bmp out.dds", 2, "outside its range 30 .. 32"},
        {"--rect 0,0,8,8 pic.bmp out.dds", 3, "refused"},
        {"--format dxt1 --rect 0,0,2,2 pic.bmp out.dds", 3, "powers of two"},
        {"missing.bmp out.dds", 1, "cannot read missing.bmp"},
        {"pic.gif out.dds", 1, "not a .bmp, .jpg, .png or .tif"},
        {"pic.bmp no/such/dir/out.dds", 4, "cannot write"},
    };
    for (const Case& c : cases) {
        const RunResult r = run(TEXTURE_BINARY, "-q " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_FALSE(file_exists("out.dds")) << c.args;
        EXPECT_FALSE(file_exists("out.dds.part")) << c.args;
        std::remove("out.dds");
    }
}

TEST_F(TextureCommand, AProfileReachesTheProfileOnlyFieldsAndTheCommandLineWinsTheRest) {
    {
        std::ofstream profile("normals.txt");
        profile << "# the normal-map conversion is a profile-only field\n"
                   "g_texture_format 3\ng_normal_map_conversion 1\n";
    }
    ASSERT_EQ(run(TEXTURE_BINARY, "-q --format 8 pic.bmp plain.dds").status, 0);
    const RunResult r = run(TEXTURE_BINARY, "-q --format 8 --profile normals.txt pic.bmp n.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    TexFile f;
    std::string error;
    ASSERT_TRUE(read_tex_file("n.dds", f, error)) << error;
    EXPECT_EQ(f.format, 8);
    EXPECT_NE(read_file("n.dds"), read_file("plain.dds"));
    const RunResult missing = run(TEXTURE_BINARY, "-q --profile none.txt pic.bmp m.dds");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot read the profile none.txt"), std::string::npos);
    EXPECT_FALSE(file_exists("m.dds"));
}

TEST_F(TextureCommand, HelpListsEveryFormatAndProgressShowsOnLargePictures) {
    const RunResult help = run(TEXTURE_BINARY, "--help");
    EXPECT_EQ(help.status, 0);
    for (const char* name : {"0 dxt1", "3 dxt5", "8 rgb888", "10 p8", "14 p4", "16 a8l8"})
        EXPECT_NE(help.out.find(name), std::string::npos) << name;
    write_bmp("big.bmp", bmp_of(512, 512, rgb_pattern(512, 512)));
    const RunResult loud = run(TEXTURE_BINARY, "--format 8 big.bmp big.dds");
    EXPECT_EQ(loud.status, 0);
    EXPECT_NE(loud.err.find("10 levels done"), std::string::npos) << loud.err;
    const RunResult quiet = run(TEXTURE_BINARY, "-q --format 8 big.bmp big.dds");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

}  // namespace

// The JPEG loader leaves the record's planes alone; the command still reads
// its rows as three bytes a pixel.
TEST_F(TextureCommand, JpegInputIsReadAsRgb) {
    const std::string im = imagemagick();
    if (im.empty()) GTEST_SKIP() << "ImageMagick is not installed (scripts/install-deps.sh)";
    ASSERT_EQ(run(im, "pic.bmp -quality 100 pic.jpg").status, 0);
    ASSERT_EQ(run(TEXTURE_BINARY, "-q --format rgb888 pic.jpg jpg.dds").status, 0);
    TexFile f;
    TexImage ours;
    std::string error;
    ASSERT_TRUE(read_tex_file("jpg.dds", f, error)) << error;
    ASSERT_TRUE(decode_tex_level(f, 0, ours, error)) << error;
    const std::vector<uint8_t> got = as_rgba(ours);
    ASSERT_EQ(got.size(), rgba_.size());
    for (size_t i = 0; i < got.size(); i += 4)
        for (size_t k = 0; k < 3; ++k)
            EXPECT_NEAR(got[i + k], rgba_[i + k], 24) << "pixel " << i / 4 << " channel " << k;
}

TEST_F(TextureCommand, ThreadsFromTheEnvironmentGiveTheOneThreadFile) {
    write_bmp("big.bmp", bmp_of(512, 256, rgb_pattern(512, 256)));
    ASSERT_EQ(run_program(TEXTURE_BINARY, "-q --format dxt5 big.bmp one.dds", "RAZIVAVU_THREADS=1 ")
                  .status,
              0);
    ASSERT_EQ(
        run_program(TEXTURE_BINARY, "-q --format dxt5 big.bmp three.dds", "RAZIVAVU_THREADS=3 ")
            .status,
        0);
    EXPECT_EQ(read_file("three.dds"), read_file("one.dds"));
    const RunResult bad =
        run_program(TEXTURE_BINARY, "-q --format dxt5 big.bmp bad.dds", "RAZIVAVU_THREADS=0 ");
    EXPECT_EQ(bad.status, 0);
    EXPECT_NE(bad.err.find("RAZIVAVU_THREADS=0 is not a whole number"), std::string::npos);
    EXPECT_EQ(read_file("bad.dds"), read_file("one.dds"));
}
