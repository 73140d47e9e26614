// razivavu-inspect --html through the real binaries (the page itself is
// tested in a browser under tests/browser): every stored level of both
// kinds lands as the PNG --png makes of it, grid.js carries the PSNR that
// --compare reports, a padded grid's page and mosaic keep to the picture
// the grid manifest gives, and a broken run or folder ends with its
// message and exit code.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/commands/commands_test_support.h"

using namespace cmdtest;

namespace {

class ViewerRun : public ScratchDir {
  protected:
    void make_run(int32_t w, int32_t h, const std::string& tiles, const std::string& options = "") {
        write_bmp("pic.bmp", bmp_of(w, h, smooth_pattern(w, h)));
        const RunResult r = run(RAZIVAVU_BINARY, options + " pic.bmp " + tiles);
        ASSERT_EQ(r.status, 0) << r.err;
    }
};

// The PSNR figures of one tile in a --compare --json report, as printed.
std::string compare_psnr(const std::string& json, const std::string& file) {
    size_t at = json.find("{\"file\":\"" + file + "\"");
    std::string out;
    const size_t end = json.find("]}", at);
    while ((at = json.find("\"psnr\":", at)) != std::string::npos && at < end) {
        at += 7;
        out += (out.empty() ? "" : ",") + json.substr(at, json.find('}', at) - at);
    }
    return "\"psnr\":[" + out + "]";
}

TEST_F(ViewerRun, EveryStoredLevelOfBothKindsIsThePngOfItsLevelWithTheComparisonsPsnr) {
    make_run(64, 48, "16 16");  // 4 x 3 tiles of 16 x 16: 5 levels, rows from 1, 0, 2
    const RunResult r = run(INSPECT_BINARY, "--html view pic");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("open file://" + dir() + "/view/index.html"), std::string::npos);
    for (const char* page : {"index.html", "viewer.js", "viewer.css", "grid.js"})
        EXPECT_TRUE(file_exists("view/" + std::string(page))) << page;
    const std::string grid = read_text("view/grid.js");
    EXPECT_NE(grid.find("\"cols\":4,\"rows\":3,\"tileWidth\":16,\"tileHeight\":16"),
              std::string::npos);
    const RunResult compare = run(INSPECT_BINARY, "--json --compare pic");
    ASSERT_EQ(compare.status, 0);
    for (const auto& [col, row, first] : {std::tuple{1, 0, 1}, {2, 1, 0}, {3, 2, 2}}) {
        const std::string tile = "pic" + std::to_string(col) + std::to_string(row);
        SCOPED_TRACE(tile);
        EXPECT_NE(grid.find("{\"first\":" + std::to_string(first) + ",\"levels\":" +
                            std::to_string(5 - first) + ",\"dxt1\":" + std::to_string(5 - first) +
                            "," + compare_psnr(compare.out, tile + "c.vxt")),
                  std::string::npos);
        ASSERT_EQ(run(INSPECT_BINARY, "--png levels " + tile + ".vxt " + tile + "c.vxt").status, 0);
        EXPECT_FALSE(file_exists("view/tiles/" + std::to_string(col) + "_" + std::to_string(row) +
                                 "_" + std::to_string(first - 1) + ".png"));
        for (int32_t level = first; level < 5; ++level)
            for (const char* kind : {"", "c"}) {
                TexImage page, png;
                const std::string at = std::to_string(col) + "_" + std::to_string(row) + "_" +
                                       std::to_string(level) + kind + ".png";
                ASSERT_TRUE(read_png("view/tiles/" + at, page)) << at;
                ASSERT_TRUE(read_png(
                    "levels/" + tile + kind + "_level" + std::to_string(level) + ".png", png));
                EXPECT_EQ(page.pixels, png.pixels) << at;
            }
    }
}

TEST_F(ViewerRun, TilesWithoutDxt1LevelsGiveAPageOfTheTwentyFourBitOnes) {
    // Sides that are no powers of two: the DXT1 files hold no level. Two
    // rows: the top one stores from level 1, the bottom one from level 2,
    // and the tile's side is still found (14 and 13 both halve twice to 4).
    make_run(42, 28, "14 14");
    const RunResult r = run(INSPECT_BINARY, "--html view pic");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string grid = read_text("view/grid.js");
    EXPECT_NE(grid.find("\"cols\":3,\"rows\":2,\"tileWidth\":14,\"tileHeight\":14"),
              std::string::npos);
    EXPECT_NE(grid.find("\"dxt1\":0,\"psnr\":[]"), std::string::npos);
    EXPECT_TRUE(file_exists("view/tiles/0_0_1.png"));
    EXPECT_TRUE(file_exists("view/tiles/0_1_2.png"));
    EXPECT_FALSE(file_exists("view/tiles/0_1_2c.png"));
}

TEST_F(ViewerRun, APaddedGridsPageAndMosaicKeepToThePictureTheManifestGives) {
    constexpr int32_t W = 69, H = 45;  // 5 x 3 padded tiles of 16; halving rounds up
    const std::string pad = "-q --edges pad --full-rows";
    // In this order: the parts' manifests are found when the whole run's is gone.
    const struct {
        std::vector<std::string> runs;
        bool manifest;
    } setups[] = {
        {{pad}, true}, {{pad}, false}, {{pad + " --part 0/2", pad + " --part 1/2"}, true}};
    for (const auto& s : setups) {
        for (const std::string& options : s.runs) make_run(W, H, "16 16", options);
        if (!s.manifest) std::remove("pic.grid.json");
        ASSERT_EQ(run(INSPECT_BINARY, "--html view pic").status, 0);
        EXPECT_EQ(read_text("view/grid.js")
                          .find(",\"pictureWidth\":" + std::to_string(W) + ",\"pictureHeight\":" +
                                std::to_string(H) + ",") != std::string::npos,
                  s.manifest);
        for (const int32_t level : {0, 1}) {
            const RunResult r =
                run(INSPECT_BINARY, "--mosaic " + std::to_string(level) + " --png out pic");
            TexImage mosaic;
            ASSERT_TRUE(read_png("out/pic_mosaic_level" + std::to_string(level) + ".png", mosaic))
                << r.err;
            const int32_t round = (1 << level) - 1;
            EXPECT_EQ(mosaic.width, s.manifest ? (W + round) >> level : 5 * (16 >> level));
            EXPECT_EQ(mosaic.height, s.manifest ? (H + round) >> level : 3 * (16 >> level));
            if (s.manifest && level == 0) {
                EXPECT_EQ(mosaic.pixels, smooth_pattern(W, H));
            }
        }
    }
}

TEST_F(ViewerRun, ABrokenRunOrFolderEndsWithItsReason) {
    make_run(64, 48, "16 16");
    std::remove("pic21c.vxt");
    // The page still shows the other tiles; the broken one is grey.
    const RunResult missing = run(INSPECT_BINARY, "--html view pic");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("pic21c.vxt"), std::string::npos) << missing.err;
    EXPECT_TRUE(file_exists("view/index.html"));
    EXPECT_FALSE(file_exists("view/tiles/2_1_0.png"));
    write_file("blocked", {1});
    const RunResult blocked = run(INSPECT_BINARY, "--html blocked pic");
    EXPECT_EQ(blocked.status, 3) << blocked.err;
    for (const char* args : {"--html", "--html view", "--html view pic pic",
                             "--json --html view pic", "--html view --compare pic"}) {
        const RunResult bad = run(INSPECT_BINARY, args);
        EXPECT_EQ(bad.status, 2) << args;
        EXPECT_NE(bad.err.find("usage"), std::string::npos) << args;
    }
}

}  // namespace
