// razivavu-texture as a new user meets it: a normal map from an ordinary
// photo, an output named for what it holds, the argument grammar of the
// other commands, and a picture named for another kind than it is.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/commands/commands_test_support.h"
#include "texture/texture.h"

using namespace cmdtest;

namespace {

class TextureHabits : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        ASSERT_TRUE(write_jpeg("photo.jpg", squares_jpeg(64, 64, 3, false, 90)));
    }
    RunResult texture(const std::string& args) { return run(TEXTURE_BINARY, "-q " + args); }
};

// The standard deviation of one byte of level 0's pixels.
double spread(const std::string& dds, int channel) {
    TexFile file;
    TexImage level;
    std::string error;
    if (!read_tex_file(dds, file, error) || !decode_tex_level(file, 0, level, error)) return -1;
    double sum = 0, squares = 0;
    const size_t n = level.pixels.size() / level.channels;
    for (size_t i = 0; i < n; ++i) {
        const double v = level.pixels[i * level.channels + channel];
        sum += v;
        squares += v * v;
    }
    return std::sqrt(squares / n - (sum / n) * (sum / n));
}

TEST_F(TextureHabits, NormalMapsOfAPhotoAreNotFlatAndEqualTheirConversionCode) {
    const struct {
        const char* height;  // empty: the default
        int code;
        bool flat;
    } cases[] = {{"", 1010, false},
                 {"--height luma", 1010, false},
                 {"--height=red", 1012, false},
                 {"--height green", 1013, false},
                 {"--height blue", 1014, false},
                 {"--height alpha", 1009, true}};
    for (const auto& c : cases) {
        const RunResult made =
            texture(std::string("--format argb8888 --normal-map ") + c.height + " photo.jpg a.dds");
        ASSERT_EQ(made.status, 0) << c.height << made.err;
        EXPECT_EQ(made.err.find("--height chooses another") != std::string::npos, c.flat)
            << c.height << made.err;
        const RunResult keyed =
            texture("--format argb8888 --set g_normal_map_conversion=1 --set g_normalmap_cnv=" +
                    std::to_string(c.code) + " photo.jpg b.dds");
        ASSERT_EQ(keyed.status, 0) << keyed.err;
        EXPECT_EQ(read_file("a.dds"), read_file("b.dds")) << c.height;
        // The normal's x and y (red and green) vary over a photo's edges.
        EXPECT_EQ(spread("a.dds", 0) > 5 && spread("a.dds", 1) > 5, !c.flat) << c.height;
    }
    const RunResult keys = run(TEXTURE_BINARY, "--list-keys");
    for (const char* line :
         {"  1010  luma   the mean of red, green and blue\n", "  1018         the reverse"})
        EXPECT_NE(keys.out.find(line), std::string::npos) << line;
}

TEST_F(TextureHabits, TheOutputNameAndTheArgumentGrammar) {
    write_file("-odd.jpg", read_file("photo.jpg"));
    const struct {
        const char* args;
        int status;
        const char* output;   // the file written, or the one that must not be
        const char* message;  // on standard error
    } cases[] = {
        {"photo.jpg out.png", 2, "out.png", "the output out.png does not end in .dds"},
        {"--force photo.jpg out.png", 0, "out.png", ""},
        {"photo.jpg OUT.DDS", 0, "OUT.DDS", ""},
        {"--format=dxt5 --quality=quick --set=g_mip_filter_type=7 photo.jpg a.dds", 0, "a.dds", ""},
        {"-- -odd.jpg b.dds", 0, "b.dds", ""},
        {"--height red photo.jpg c.dds", 2, "c.dds", "--height goes with --normal-map"},
        {"--normal-map --height=grey photo.jpg c.dds", 2, "c.dds", "unknown height grey"},
    };
    for (const auto& c : cases) {
        const RunResult r = texture(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << r.err;
        EXPECT_EQ(file_exists(c.output), c.status == 0) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << r.err;
    }
}

TEST_F(TextureHabits, APictureOfAnotherKindThanItsNameIsNamed) {
    write_bmp("pic.bmp", bmp_of(16, 16, smooth_pattern(16, 16)));
    write_file("pic.png", read_file("pic.bmp"));
    write_file("photo.tif", read_file("photo.jpg"));
    const struct {
        const char* binary;
        const char* args;
        const char* note;
    } cases[] = {
        {TEXTURE_BINARY, "pic.png out.dds", "; pic.png holds a BMP picture; rename it to .bmp\n"},
        {RAZIVAVU_BINARY, "photo.tif", "; photo.tif holds a JPEG picture; rename it to .jpg\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(c.binary, c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(c.note), std::string::npos) << c.args << r.err;
    }
}

// One progress line per level the file holds, also where a palette comes
// before the levels (off a terminal; on one the line is rewritten).
TEST_F(TextureHabits, ProgressCountsTheLevelsTheFileHolds) {
    write_bmp("big.bmp", bmp_of(512, 512, smooth_pattern(512, 512)));
    for (const char* format : {"p8", "dxt1"}) {
        const RunResult r =
            run(TEXTURE_BINARY, std::string("--format ") + format + " big.bmp o.dds");
        ASSERT_EQ(r.status, 0) << r.err;
        TexFile file;
        std::string error;
        ASSERT_TRUE(read_tex_file("o.dds", file, error)) << error;
        size_t lines = 0;
        for (size_t at = 0; (at = r.err.find(" levels done\n", at)) != std::string::npos; ++at)
            ++lines;
        EXPECT_EQ(lines, file.levels.size()) << format;
    }
}

}  // namespace
