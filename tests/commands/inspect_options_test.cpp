// razivavu-inspect on incomplete runs (the comparison fails and names what
// is missing), the mosaic of the DXT1 files, a PNG write that fails with the
// system's reason, and --version.
#include <gtest/gtest.h>

#include "tests/commands/commands_test_support.h"
#include "vxsystem/vxsystem.h"

using namespace cmdtest;

namespace {

class InspectOptions : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        write_bmp("pic.bmp", bmp_of(64, 48, smooth_pattern(64, 48)));  // 4 x 3 tiles
        ASSERT_EQ(run(RAZIVAVU_BINARY, "pic.bmp 16 16").status, 0);
    }
};

TEST_F(InspectOptions, IncompleteRunsFailAndNameWhatIsMissing) {
    ASSERT_EQ(std::remove("pic21c.vxt"), 0);
    const RunResult compare = run(INSPECT_BINARY, "--compare pic");
    EXPECT_EQ(compare.status, 1);
    EXPECT_EQ(compare.err,
              "razivavu-inspect: pic21c.vxt: missing\nrazivavu-inspect: 1 tiles of pic not "
              "compared\n");
    EXPECT_NE(compare.out.find("4 x 3 tiles, 11 compared"), std::string::npos) << compare.out;
    ASSERT_EQ(std::remove("pic21.vxt"), 0);
    ASSERT_EQ(std::remove("pic02.vxt"), 0);
    // Tiles missing from the grid are named, what is there is still shown.
    const struct {
        const char* args;
        const char* summary;
    } cases[] = {
        {"--compare pic", "razivavu-inspect: 2 tiles of pic not compared\n"},
        {"--mosaic 2 --png out pic",
         "razivavu-inspect: 2 tiles of pic (of 12) are missing or unreadable; drawn grey\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(INSPECT_BINARY, c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, std::string("razivavu-inspect: pic21.vxt: missing\n"
                                     "razivavu-inspect: pic02.vxt: missing\n") +
                             c.summary)
            << c.args;
    }
}

TEST_F(InspectOptions, AGridOfTilesThatAreNoPowersOfTwoIsReportedInOneLine) {
    write_bmp("odd.bmp", bmp_of(36, 36, smooth_pattern(36, 36)));  // 3 x 3 tiles of 12 x 12
    ASSERT_EQ(run(RAZIVAVU_BINARY, "odd.bmp 12 12").status, 0);
    const RunResult r = run(INSPECT_BINARY, "--compare odd");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "razivavu-inspect: the DXT1 files of 9 tiles of odd hold no levels: DXT1 needs "
              "tile sides that are powers of two, so there is nothing to compare\n");
    EXPECT_EQ(r.out, "odd: 3 x 3 tiles, 0 compared\n");
}

TEST_F(InspectOptions, MosaicOfTheDxt1FilesIsTheDecodedBlocks) {
    const RunResult r = run(INSPECT_BINARY, "--mosaic 2 --dxt1 --png out pic");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(run(INSPECT_BINARY, "--mosaic 2 --png out pic").status, 0);
    TexImage blocks, rgb;
    ASSERT_TRUE(read_png("out/pic_mosaic_dxt1_level2.png", blocks));
    ASSERT_TRUE(read_png("out/pic_mosaic_level2.png", rgb));
    EXPECT_EQ(blocks.width, 16);
    EXPECT_EQ(blocks.height, 12);
    ASSERT_EQ(blocks.pixels.size(), rgb.pixels.size());
    EXPECT_NE(blocks.pixels, rgb.pixels);
    for (size_t i = 0; i < rgb.pixels.size(); ++i)
        EXPECT_NEAR(blocks.pixels[i], rgb.pixels[i], 40) << i;
    EXPECT_EQ(run(INSPECT_BINARY, "--dxt1 pic00.vxt").status, 2);
    EXPECT_EQ(run(INSPECT_BINARY, "--version").out,
              std::string("razivavu-inspect ") + razivavu_version() + "\n");
}

TEST_F(InspectOptions, FailedPngWriteGivesTheSystemsReason) {
    // Files may not grow past 1 KB; the PNG of a noisy 64 x 64 level needs more.
    write_bmp("noisy.bmp", bmp_of(128, 128, rgb_pattern(128, 128)));
    ASSERT_EQ(run(RAZIVAVU_BINARY, "noisy.bmp 128 128").status, 0);
    const RunResult r =
        run_program(INSPECT_BINARY, "--png out noisy00.vxt", "trap '' XFSZ; ulimit -f 1; exec ");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "razivavu-inspect: cannot write out/noisy00_level1.png: File too large\n");
}

}  // namespace
