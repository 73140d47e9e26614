// The tool on PNG and TIFF input: the same picture as a BMP gives the same
// tile files; damaged files end the run with status 1 and no tile.
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>

#include "tests/common/run_program.h"
#include "tests/imageio/png_tiff_support.h"
#include "tests/imageio/test_support.h"
#include "tool/tiletool.h"

using namespace testsupport;

namespace {

class Formats : public ScratchDir {
  protected:
    int run(const std::string& args) {
        const RunResult r = run_program(RAZIVAVU_BINARY, args);
        out_ = r.out;
        err_ = r.err;
        return r.status;
    }
    std::string out_;
    std::string err_;
};

// The RGB sample picture as a 24-bit BMP.
BmpFixture as_bmp(const SampledPicture& p) {
    BmpFixture b;
    b.width = p.width;
    b.height = p.height;
    b.pixels = expected_pixels(p);
    return b;
}

TEST_F(Formats, PngAndTiffTileLikeTheSameBmp) {
    SampledPicture p;
    p.width = 70;
    p.height = 50;
    write_bmp("ref.bmp", as_bmp(p));
    ASSERT_TRUE(write_png("a.PNG", p));
    TiffLayout strips;
    strips.compression = COMPRESSION_LZW;
    ASSERT_TRUE(write_tiff("b.tif", p, strips));
    TiffLayout tiles;
    tiles.tile_side = 32;
    tiles.big = true;
    ASSERT_TRUE(write_tiff("c.TIFF", p, tiles));
    p.bits = 16;
    ASSERT_TRUE(write_png("d.png", p));
    const struct {
        const char* name;
        const char* base;
        const char* loading;
    } inputs[] = {{"a.PNG", "a", "loading png="},
                  {"b.tif", "b", "loading tif="},
                  {"c.TIFF", "c", "loading tif="},
                  {"d.png", "d", "loading png="}};
    ASSERT_EQ(run("ref.bmp 16 16"), 0) << err_;
    const std::string ref_out = out_;
    for (const auto& in : inputs) {
        ASSERT_EQ(run(std::string(in.name) + " 16 16"), 0) << in.name << err_;
        std::string want = ref_out;
        want.replace(want.find("loading BMP=ref.bmp"), 19, std::string(in.loading) + in.name);
        EXPECT_EQ(out_, want) << in.name;
        for (int32_t row = 0; row < 3; ++row)
            for (int32_t col = 0; col < 4; ++col)
                for (bool blocks : {false, true})
                    EXPECT_EQ(read_file(tile_name(in.name, col, row, blocks, false)),
                              read_file(tile_name("ref.bmp", col, row, blocks, false)))
                        << in.name << " " << col << "x" << row;
        EXPECT_TRUE(file_exists(std::string(in.base) + "32c.vxt")) << in.name;
    }
}

TEST_F(Formats, DamagedPngAndTiffEndWithStatusOneAndNoTile) {
    SampledPicture p;
    p.width = 64;
    p.height = 64;
    ASSERT_TRUE(write_png("p.png", p));
    ASSERT_TRUE(write_tiff("t.tif", p, TiffLayout{}));
    for (const char* name : {"p.png", "t.tif"}) {
        std::vector<uint8_t> bytes = read_file(name);
        bytes.resize(bytes.size() * 2 / 3);
        write_file(name, bytes);
        EXPECT_EQ(run(std::string(name) + " 16 16"), 1) << name;
        EXPECT_NE(err_.find("ERROR: cannot decode"), std::string::npos) << err_;
        EXPECT_TRUE(tile_files().empty()) << name;
    }
}

}  // namespace
