// Command line, tile size, grid, level count, row classes and names.
#include <set>

#include "gtest/gtest.h"
#include "tool/tiletool.h"

namespace {

std::string size_error(std::vector<std::string> args, TileRequest& r) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return parse_tile_request(static_cast<int>(argv.size()), argv.data(), r);
}

TEST(PictureKind, LastThreeCharactersAnyCase) {
    EXPECT_EQ(picture_kind("pano.bmp"), PictureKind::bmp);
    EXPECT_EQ(picture_kind("PANO.Bmp"), PictureKind::bmp);
    EXPECT_EQ(picture_kind("pano.JPG"), PictureKind::jpeg);
    EXPECT_EQ(picture_kind("panobmp"), PictureKind::bmp);  // only the last three count
    EXPECT_EQ(picture_kind("pano.JPEG"), PictureKind::jpeg);
    EXPECT_EQ(picture_kind("pano.jpe"), PictureKind::unknown);
    EXPECT_EQ(picture_kind("pano.gif"), PictureKind::unknown);
    EXPECT_EQ(picture_kind("pano.pNg"), PictureKind::png);
    EXPECT_EQ(picture_kind("pano.TIF"), PictureKind::tiff);
    EXPECT_EQ(picture_kind("pano.Tiff"), PictureKind::tiff);
    EXPECT_EQ(picture_kind("panotiff"), PictureKind::unknown);  // ".tiff" needs its dot
    EXPECT_EQ(tile_name("pano.tiff", 1, 2, true, false), "pano12c.vxt");
    EXPECT_EQ(tile_name("pano.tif", 1, 2, false, false), "pano12.vxt");
    EXPECT_EQ(tile_name("pano.jpeg", 1, 2, false, false), "pano12.vxt");
    EXPECT_EQ(tile_name("x.ajpg", 1, 2, false, false), "x.12.vxt");
    EXPECT_EQ(picture_kind("bmp"), PictureKind::bmp);
    EXPECT_EQ(picture_kind("mp"), PictureKind::unknown);  // never reads before the name
    EXPECT_EQ(picture_kind(""), PictureKind::unknown);
}

TEST(TileRequest, AcceptsTwoNonZeroNumbersOfOneSign) {
    TileRequest r;
    EXPECT_EQ(size_error({}, r), "");
    EXPECT_FALSE(r.given);
    EXPECT_EQ(size_error({"256", "128"}, r), "");
    EXPECT_TRUE(r.given);
    EXPECT_EQ(r.a, 256);
    EXPECT_EQ(r.b, 128);
    EXPECT_EQ(size_error({"-2", "-3", "ignored"}, r), "");
    EXPECT_EQ(r.a, -2);
    EXPECT_EQ(r.b, -3);
}

TEST(TileRequest, RejectsWhatAtoiWouldHaveTurnedIntoNonsense) {
    TileRequest r;
    EXPECT_NE(size_error({"256"}, r), "");     // b missing
    EXPECT_NE(size_error({"0", "0"}, r), "");  // zero sides
    EXPECT_NE(size_error({"256", "0"}, r), "");
    EXPECT_NE(size_error({"-2", "2"}, r), "");  // signs differ
    EXPECT_NE(size_error({"2", "-2"}, r), "");
    EXPECT_NE(size_error({"abc", "256"}, r), "");  // not numbers
    EXPECT_NE(size_error({"256", "12x"}, r), "");
    EXPECT_NE(size_error({"", "256"}, r), "");
    EXPECT_NE(size_error({"99999999999", "1"}, r), "");
    EXPECT_NE(size_error({"32768", "512"}, r), "");  // sides are 16-bit in the library
    EXPECT_EQ(size_error({"32767", "1"}, r), "");
}

TEST(TileSize, DefaultPositiveAndDivided) {
    int32_t w = 0, h = 0;
    EXPECT_EQ(tile_size_for(TileRequest{}, 2048, 1024, w, h), "");
    EXPECT_EQ(w, 512);
    EXPECT_EQ(h, 512);
    EXPECT_EQ(tile_size_for(TileRequest{true, -2, -2}, 2048, 1024, w, h), "");
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 512);
    EXPECT_EQ(tile_size_for(TileRequest{true, 300, 200}, 10, 10, w, h),
              "");  // bigger than the picture
    EXPECT_EQ(w, 300);
    EXPECT_EQ(h, 200);
}

TEST(TileSize, DivisionsGivingNothingOrTooMuchAreRefused) {
    int32_t w = 7, h = 7;
    EXPECT_NE(tile_size_for(TileRequest{true, -3000, -1}, 2048, 1024, w, h), "");
    EXPECT_NE(tile_size_for(TileRequest{true, INT32_MIN, INT32_MIN}, 2048, 1024, w, h), "");
    EXPECT_NE(tile_size_for(TileRequest{true, -1, -1}, 40000, 100, w, h), "");
    EXPECT_EQ(w, 7);  // untouched on failure
    EXPECT_EQ(tile_size_for(TileRequest{true, -1, -1}, 32767, 1, w, h), "");
}

TEST(LevelCount, CountsHalvingsOfTheLargerSide) {
    EXPECT_EQ(level_count(512, 512), 10);
    EXPECT_EQ(level_count(512, 256), 10);
    EXPECT_EQ(level_count(256, 512), 10);
    EXPECT_EQ(level_count(1, 1), 1);
    EXPECT_EQ(level_count(2, 1), 2);
    EXPECT_EQ(level_count(300, 300), 9);
    EXPECT_EQ(level_count(1024, 512), 11);
    EXPECT_EQ(level_count(32767, 1), 15);
}

TEST(Grid, WholeTilesOnlyRemaindersDropped) {
    TileGrid g = make_grid(2048, 1024, 512, 512);
    EXPECT_EQ(g.cols, 4);
    EXPECT_EQ(g.rows, 2);
    EXPECT_EQ(g.level_count, 10);
    g = make_grid(1100, 700, 512, 256);
    EXPECT_EQ(g.cols, 2);
    EXPECT_EQ(g.rows, 2);
    g = make_grid(500, 2000, 512, 512);  // narrower than one tile
    EXPECT_EQ(g.cols, 0);
    EXPECT_EQ(g.rows, 3);
    g = make_grid(2048, 1024, 1024, 512);  // what -2 -2 asks for
    EXPECT_EQ(g.cols, 2);
    EXPECT_EQ(g.rows, 2);
    EXPECT_EQ(g.level_count, 11);
}

TEST(SkipLevels, TopRowFirstThenBottomRow) {
    EXPECT_EQ(skip_levels_for_row(0, 1), 1);  // one row is a top row
    EXPECT_EQ(skip_levels_for_row(0, 2), 1);
    EXPECT_EQ(skip_levels_for_row(1, 2), 2);
    EXPECT_EQ(skip_levels_for_row(0, 4), 1);
    EXPECT_EQ(skip_levels_for_row(1, 4), 0);
    EXPECT_EQ(skip_levels_for_row(2, 4), 0);
    EXPECT_EQ(skip_levels_for_row(3, 4), 2);
}

TEST(TileName, ReplacesDotAndExtension) {
    EXPECT_EQ(tile_name("pano.bmp", 3, 0, false, false), "pano30.vxt");
    EXPECT_EQ(tile_name("pano.bmp", 3, 0, true, false), "pano30c.vxt");
    EXPECT_EQ(tile_name("dir/PANO.JPG", 12, 7, false, false), "dir/PANO127.vxt");
    EXPECT_EQ(tile_name("pano.bmp", 1, 12, false, true), "pano1_12.vxt");
    EXPECT_EQ(tile_name("pano.bmp", 11, 2, true, true), "pano11_2c.vxt");
    EXPECT_EQ(tile_name("bmp", 0, 1, false, false), "01.vxt");  // short names
    const std::string long_name(300, 'p');
    EXPECT_EQ(tile_name(long_name + ".bmp", 1, 2, true, false), long_name + "12c.vxt");
}

TEST(TileName, CollisionRuleAgreesWithEveryName) {
    // The closed rule against brute force over all grids up to 40 x 40.
    for (int32_t cols = 1; cols <= 40; ++cols) {
        for (int32_t rows = 1; rows <= 40; ++rows) {
            std::set<std::string> names;
            for (int32_t r = 0; r < rows; ++r)
                for (int32_t c = 0; c < cols; ++c)
                    names.insert(tile_name("p.bmp", c, r, false, false));
            const bool repeats = names.size() != static_cast<size_t>(cols) * rows;
            ASSERT_EQ(grid_names_collide(cols, rows), repeats) << cols << " x " << rows;
        }
    }
    // The separated names never repeat, also where the plain ones do.
    std::set<std::string> names;
    for (int32_t r = 0; r < 40; ++r)
        for (int32_t c = 0; c < 130; ++c) names.insert(tile_name("p.bmp", c, r, true, true));
    EXPECT_EQ(names.size(), 40u * 130u);
}

TEST(Pow2Advice, NamesTheSizesAroundTheTileAndTheDivisionsThatGiveThem) {
    const struct {
        TileRequest request;
        int32_t width, height, tile_width, tile_height;
        const char* advice;
    } cases[] = {
        {{true, 12, 12}, 36, 36, 12, 12, "the nearest power-of-two tile sizes are 8 8 and 16 16"},
        {{true, 300, 256},
         900,
         512,
         300,
         256,
         "the nearest power-of-two tile sizes are 256 256 and 512 256"},
        {{true, 20000, 1}, 20000, 1, 20000, 1, "the nearest power-of-two tile sizes are 16384 1"},
        {{true, -4, -2},
         4272,
         2848,
         1068,
         1424,
         "the nearest power-of-two tile sizes are 1024 1024 and 2048 2048 (no division of the "
         "4272x2848 picture gives them; give the size instead)"},
        {{true, -3, -2},
         4096,
         2048,
         1365,
         1024,
         "the nearest power-of-two tile sizes are 1024 1024 and 2048 1024 (as a division: -4 -2 "
         "gives 1024x1024, -2 -2 gives 2048x1024)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pow2_tile_advice(c.request, c.width, c.height, c.tile_width, c.tile_height),
                  c.advice);
}

}  // namespace
