// End-to-end runs of build/razivavu in a scratch directory, standard input at
// end of file: exit codes, console text and tile files.
//
// Every tile file must hold its header and exactly the levels it promises;
// only a block file of a tile whose sides are not powers of two stays a bare
// header (the block format refuses such sides). The countdown must agree
// with the file.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/common/run_program.h"
#include "tests/imageio/test_support.h"
#include "tool/tiletool.h"

using namespace testsupport;

namespace {

class EndToEnd : public ScratchDir {
  protected:
    // `prefix`: shell words before the command (limits, a timeout).
    RunResult run(const std::string& args, const std::string& prefix = "") {
        return run_program(RAZIVAVU_BINARY, args, prefix);
    }
};

const char kUsage[] =
    "welcome to razivavu\n\nusage:\n  razivavu file.bmp a b\n\n"
    "  w = width of input bmp in pixel\n  h = height of input bmp in pixel\n\n"
    "  if a>0 && b>0 then tile bmp into textures of size (a pixel)x(b pixel)\n"
    "  if a<0 && b<0 then tile bmp into textures of size ((w/a) pixel)x((h/b) pixel)\n\n";

BmpFixture picture(int32_t w, int32_t h) {
    BmpFixture s;
    s.width = w;
    s.height = h;
    s.pixels = rgb_pattern(w, h);
    return s;
}

// The library's chain: each side halved with (side + 1) / 2 until 1 x 1, so
// sides that are not powers of two get one level more than level_count.
std::vector<std::pair<int64_t, int64_t>> chain(int32_t w, int32_t h) {
    std::vector<std::pair<int64_t, int64_t>> levels{{w, h}};
    while (levels.back() != std::make_pair(int64_t{1}, int64_t{1})) {
        const auto [lw, lh] = levels.back();
        levels.push_back({(lw + 1) / 2, (lh + 1) / 2});
    }
    return levels;
}

int64_t level_bytes(bool blocks, int32_t w, int32_t h, int32_t first) {
    int64_t n = 0;
    const auto levels = chain(w, h);
    for (size_t l = static_cast<size_t>(first); l < levels.size(); ++l) {
        const auto [lw, lh] = levels[l];
        n += blocks ? 8 * ((lw + 3) / 4) * ((lh + 3) / 4) : 3 * lw * lh;
    }
    return n;
}

// Checks one tile file and returns the console line its writing printed.
std::string check_tile(const std::string& name, bool blocks, int32_t tw, int32_t th, int32_t skip) {
    const std::vector<uint8_t> file = read_file(name);
    const int32_t levels = level_count(tw, th);
    EXPECT_GE(file.size(), 32u) << name;
    if (file.size() < 32) return "";
    const std::vector<uint32_t> want = {12345,
                                        blocks ? 12u : 3u,
                                        uint32_t(tw >> skip),
                                        uint32_t(th >> skip),
                                        uint32_t(levels),
                                        32,
                                        0,
                                        0};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(get32(file, 4 * i), want[i]) << name << " word " << i;
    const int64_t data = static_cast<int64_t>(file.size()) - 32;
    const auto pow2 = [](int32_t v) { return v > 0 && (v & (v - 1)) == 0; };
    const bool refused = blocks && !(pow2(tw) && pow2(th));
    EXPECT_EQ(data, refused ? 0 : level_bytes(blocks, tw, th, skip)) << name;
    // The countdown prints level_count - level for every level kept.
    std::string line = std::to_string(levels) + ": ";
    const int32_t emitted = static_cast<int32_t>(chain(tw, th).size());
    if (data > 0)
        for (int32_t level = skip; level < emitted; ++level)
            line += std::to_string(levels - level) + " ";
    return line + "\n";
}

// The console text of a whole run, built from the tile files it left.
std::string expected_run(const std::string& input, const char* loading, int32_t w, int32_t h,
                         int32_t tw, int32_t th, bool separated = false) {
    std::ostringstream s;
    s << kUsage << loading << input << "\nwidth=" << w << "\nheight=" << h << "\ntiling to " << tw
      << "x" << th << " pixel\n";
    const int32_t cols = w / tw, rows = h / th;
    if (separated) {
        s << "names like " << tile_name(input, 1, 10, false, false) << " would repeat in a " << cols
          << "x" << rows << " grid; tiles are named " << tile_name(input, 0, 0, false, true)
          << " to " << tile_name(input, cols - 1, rows - 1, true, true) << "\n";
    }
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < cols; ++c) {
            const int32_t skip = r == 0 ? 1 : (r == rows - 1 ? 2 : 0);
            s << "creating " << c << "x" << r << "\n";
            s << check_tile(tile_name(input, c, r, false, separated), false, tw, th, skip);
            s << check_tile(tile_name(input, c, r, true, separated), true, tw, th, skip);
        }
    }
    s << "created " << cols * rows << " pano's\ndone\n";
    return s.str();
}

// --- failures before any tile ------------------------------------------------

TEST_F(EndToEnd, NoArgumentExits13) {
    const RunResult r = run("");
    EXPECT_EQ(r.status, 13);
    EXPECT_EQ(r.out, std::string(kUsage) + "ERROR: no input file specified\n");
}

TEST_F(EndToEnd, MissingOrEmptyInputIsAnErrorNamingTheFile) {
    RunResult r = run("nothere.bmp");
    EXPECT_EQ(r.status, EXIT_BAD_INPUT_FILE);
    EXPECT_EQ(r.out, kUsage);
    EXPECT_EQ(r.err, "ERROR: cannot read input file=nothere.bmp: No such file or directory\n");
    write_file("empty.bmp", {});
    r = run("empty.bmp");
    EXPECT_EQ(r.status, EXIT_BAD_INPUT_FILE);
    EXPECT_EQ(r.err, "ERROR: input file=empty.bmp is empty\n");
    EXPECT_TRUE(tile_files().empty());
}

TEST_F(EndToEnd, UnknownExtensionExitsMinus14) {
    write_bmp("pano.gif", picture(8, 8));
    const RunResult r = run("pano.gif");
    EXPECT_EQ(r.status, EXIT_UNKNOWN_TYPE & 0xFF);
    EXPECT_EQ(r.out, std::string(kUsage) + "ERROR: unknown file type=pano.gif\n");
    write_bmp("ab", picture(8, 8));  // shorter than an extension
    EXPECT_EQ(run("ab").status, EXIT_UNKNOWN_TYPE & 0xFF);
    EXPECT_TRUE(tile_files().empty());
}

TEST_F(EndToEnd, UnusableTileSizesWriteNothing) {
    write_bmp("pano.bmp", picture(64, 32));
    for (const char* args : {"0 0", "16", "-2 2", "abc 16", "16 1x", "40000 16", "-100 -1"}) {
        const RunResult r = run(std::string("pano.bmp ") + args);
        EXPECT_EQ(r.status, EXIT_BAD_TILE_SIZE) << args;
        EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << args << ": " << r.err;
    }
    EXPECT_TRUE(tile_files().empty());
}

TEST_F(EndToEnd, BadBmpStopsBeforeAnyTile) {
    BmpFixture deep = picture(8, 8);
    deep.bits = 16;
    write_bmp("deep.bmp", deep);
    const RunResult r = run("deep.bmp");
    EXPECT_EQ(r.status, EXIT_LOAD_FAILED);
    EXPECT_EQ(r.out, std::string(kUsage) + "loading BMP=deep.bmp\n");
    EXPECT_EQ(r.err, "ERROR: texture deep.bmp is no 4, 8 or 24bit BMP file (see vx.log)\n");
    EXPECT_NE(read_text("vx.log").find("vxgl:  texture deep.bmp is no 4, 8 or 24bit BMP file\n"),
              std::string::npos);
    EXPECT_TRUE(tile_files().empty());
}

TEST_F(EndToEnd, UndecodableJpegEndsWithStatusOneAndSaysSo) {
    write_file("junk.jpg", std::vector<uint8_t>(200, 0x11));
    const RunResult r = run("junk.jpg");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("ERROR: cannot decode jpeg junk.jpg: ", 0), 0u) << r.err;
    EXPECT_EQ(read_text("vx.log").rfind("JPEG ERROR=", 0), 0u);
    EXPECT_TRUE(tile_files().empty());
}

// --- whole runs --------------------------------------------------------------

TEST_F(EndToEnd, TilesAGridWithRemainders) {
    write_bmp("pano.bmp", picture(70, 50));  // 4 x 3 tiles of 16, strips dropped
    const RunResult r = run("pano.bmp 16 16");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "WARNING: 6 columns at the right and 2 rows at the bottom of the picture are in no "
              "tile (--edges pad keeps them)\n" +
                  full_resolution_line(3));
    EXPECT_EQ(r.out, expected_run("pano.bmp", "loading BMP=", 70, 50, 16, 16));
    EXPECT_EQ(tile_files().size(), 4u * 3u * 2u);
}

TEST_F(EndToEnd, DefaultTileAndNegativeDivisors) {
    write_bmp("PANO.Bmp", picture(64, 32));
    RunResult r = run("PANO.Bmp -2 -2");  // halves: 32 x 16 tiles in a 2 x 2 grid
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_run("PANO.Bmp", "loading BMP=", 64, 32, 32, 16));
    r = run("PANO.Bmp");  // 512 x 512 does not fit: no tile at all
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("tiling to 512x512 pixel\ncreated 0 pano's\ndone\n"), std::string::npos);
}

TEST_F(EndToEnd, MinusTwoMinusTwoOnAFullSizePanorama) {
    write_bmp("pano.bmp", picture(2048, 1024));
    const RunResult r = run("pano.bmp -2 -2");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_run("pano.bmp", "loading BMP=", 2048, 1024, 1024, 512));
    EXPECT_EQ(tile_files(),
              (std::vector<std::string>{"pano00.vxt", "pano00c.vxt", "pano01.vxt", "pano01c.vxt",
                                        "pano10.vxt", "pano10c.vxt", "pano11.vxt", "pano11c.vxt"}));
}

TEST_F(EndToEnd, OneRowIsATopRowAndTwoRowsAreTopAndBottom) {
    write_bmp("one.bmp", picture(32, 16));
    RunResult r = run("one.bmp 16 16");
    EXPECT_EQ(r.out, expected_run("one.bmp", "loading BMP=", 32, 16, 16, 16));
    EXPECT_EQ(get32(read_file("one10.vxt"), 8), 8u);  // 16 >> 1
    write_bmp("two.bmp", picture(16, 32));
    r = run("two.bmp 16 16");
    EXPECT_EQ(r.out, expected_run("two.bmp", "loading BMP=", 16, 32, 16, 16));
    EXPECT_EQ(get32(read_file("two01c.vxt"), 8), 4u);  // 16 >> 2
}

TEST_F(EndToEnd, MiddleRowTilesStoreTheSourceTileAsLevelZero) {
    // 1024 x 1024 in 256 x 256 tiles: rows 1 and 2 are middle rows, which keep
    // level 0, and its bytes must be the source tile in R, G, B order.
    const BmpFixture source = picture(1024, 1024);
    write_bmp("big.bmp", source);
    const RunResult r = run("big.bmp 256 256");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_run("big.bmp", "loading BMP=", 1024, 1024, 256, 256));
    for (int32_t row = 1; row <= 2; ++row) {
        for (int32_t col = 0; col < 4; ++col) {
            const std::string name = tile_name("big.bmp", col, row, false, false);
            const std::vector<uint8_t> file = read_file(name);
            ASSERT_EQ(file.size(), 32u + static_cast<size_t>(level_bytes(false, 256, 256, 0)));
            for (int32_t y = 0; y < 256; ++y) {
                const size_t from = 3 * ((static_cast<size_t>(row) * 256 + y) * 1024 + col * 256);
                const bool same =
                    std::equal(source.pixels.begin() + from, source.pixels.begin() + from + 3 * 256,
                               file.begin() + 32 + 3 * 256 * y);
                ASSERT_TRUE(same) << name << " row " << y;
            }
            // The tile's DXT1 file keeps every level too (43704 bytes).
            EXPECT_EQ(read_file(tile_name("big.bmp", col, row, true, false)).size(),
                      32u + static_cast<size_t>(level_bytes(true, 256, 256, 0)));
        }
    }
}

TEST_F(EndToEnd, NonPowerOfTwoTilesKeepOnlyTheBlockFileHeader) {
    write_bmp("odd.bmp", picture(36, 36));
    const RunResult r = run("odd.bmp 12 12");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_run("odd.bmp", "loading BMP=", 36, 36, 12, 12));
    EXPECT_EQ(read_file("odd11c.vxt").size(), 32u);  // the block format refuses 12 x 12
    // Said once per run, not once per tile, with the sizes that would work.
    EXPECT_EQ(r.err,
              full_resolution_line(3) +
                  "WARNING: the DXT1 files (...c.vxt) will hold their header and no levels: DXT1 "
                  "needs tile sides that are powers of two, these tiles are 12x12; the nearest "
                  "power-of-two tile sizes are 8 8 and 16 16\n");
}

TEST_F(EndToEnd, ThePowerOfTwoWarningComesExactlyForOtherSides) {
    write_bmp("p.bmp", picture(48, 32));
    const struct {
        const char* size;
        bool warned;
    } cases[] = {{"16 16", false}, {"16 8", false},  {"12 16", true},
                 {"16 12", true},  {"-3 -2", false},  // 16 x 16
                 {"-4 -2", true},                     // 12 x 16
                 {"", false}};  // 512 x 512: no tile at all, nothing to warn of
    for (const auto& c : cases) {
        const RunResult r = run(std::string("-q p.bmp ") + c.size);
        EXPECT_EQ(r.status, 0) << c.size;
        EXPECT_EQ(r.err.find("powers of two") != std::string::npos, c.warned) << c.size << r.err;
    }
}

TEST_F(EndToEnd, JpegInputTiles) {
    const JpegFixture s = squares_jpeg(32, 48, 3, false, 100);
    ASSERT_TRUE(write_jpeg("pano.JPG", s));
    const RunResult r = run("pano.JPG 16 16");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_run("pano.JPG", "loading jpg=", 32, 48, 16, 16));
}

TEST_F(EndToEnd, CompanionAlphaPictureIsWalkedFourBytesAPixel) {
    // With and without a companion the colours are the same, so the 24-bit
    // tiles must be too; stepping 3 bytes through a 4-byte picture would not.
    write_bmp("a.bmp", picture(48, 48));
    ASSERT_EQ(run("a.bmp 16 16").status, 0);
    const std::vector<uint8_t> plain = read_file("a11.vxt");
    BmpFixture alpha = picture(48, 48);
    std::fill(alpha.pixels.begin(), alpha.pixels.end(), 128);
    write_bmp("a_trans.bmp", alpha);
    const RunResult r = run("a.bmp 16 16");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_run("a.bmp", "loading BMP=", 48, 48, 16, 16));
    EXPECT_EQ(read_file("a11.vxt"), plain);
}

TEST_F(EndToEnd, CollidingGridGetsSeparatedNames) {
    write_bmp("g.bmp", picture(48, 44));  // 12 x 11 tiles of 4: "110" twice
    const RunResult r = run("g.bmp 4 4");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_run("g.bmp", "loading BMP=", 48, 44, 4, 4, true));
    EXPECT_EQ(tile_files().size(), 12u * 11u * 2u);
    EXPECT_TRUE(file_exists("g1_10.vxt"));
    EXPECT_TRUE(file_exists("g11_0c.vxt"));
}

TEST_F(EndToEnd, LongInputName) {
    const std::string base(200, 'L');
    write_bmp(base + ".bmp", picture(16, 16));
    const RunResult r = run(base + ".bmp 16 16");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_run(base + ".bmp", "loading BMP=", 16, 16, 16, 16));
}

// --- failing writes ----------------------------------------------------------

TEST_F(EndToEnd, UncreatableTileFileStopsTheRun) {
    write_bmp("pano.bmp", picture(32, 16));
    ASSERT_EQ(mkdir("pano10.vxt.part", 0755), 0);  // in the way of the third file
    const RunResult r = run("pano.bmp 16 16");
    EXPECT_EQ(r.status, EXIT_WRITE_FAILED);
    EXPECT_EQ(r.err, full_resolution_line(1) +
                         "ERROR: cannot create tile file=pano10.vxt.part: File exists\n");
    EXPECT_EQ(r.out.find("created"), std::string::npos);
    EXPECT_EQ(tile_files(),
              (std::vector<std::string>{"pano00.vxt", "pano00c.vxt", "pano10.vxt.part"}));
}

TEST_F(EndToEnd, FullDiskStopsTheRunWithTheSystemsReason) {
    write_bmp("pano.bmp", picture(64, 64));
    // Files may not grow past 1 KB; the first tile file needs more.
    const RunResult r = run("pano.bmp 64 64", "trap '' XFSZ; ulimit -f 1; exec ");
    EXPECT_EQ(r.status, EXIT_WRITE_FAILED);
    EXPECT_EQ(r.err, full_resolution_line(1) +
                         "ERROR: cannot write tile file=pano00.vxt: File too large; no part of it "
                         "is left behind\n");
    EXPECT_EQ(tile_files(), std::vector<std::string>{});
}

TEST_F(EndToEnd, StalePartFilesAndPlantedLinksAreReplacedNeverWrittenThrough) {
    write_bmp("pano.bmp", picture(32, 16));
    write_file("victim", {7, 7, 7});
    ASSERT_EQ(symlink("victim", "pano00c.vxt.part"), 0);
    write_file("pano10.vxt.part", {1, 2});  // left by a run that was killed
    const RunResult r = run("pano.bmp 16 16");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file("victim"), (std::vector<uint8_t>{7, 7, 7}));
    EXPECT_EQ(tile_files(),
              (std::vector<std::string>{"pano00.vxt", "pano00c.vxt", "pano10.vxt", "pano10c.vxt"}));
    EXPECT_GT(read_file("pano10.vxt").size(), 32u);
}

TEST_F(EndToEnd, FolderAtTheTileNameGivesTheSystemsReason) {
    write_bmp("pano.bmp", picture(16, 16));
    ASSERT_EQ(mkdir("pano00.vxt", 0755), 0);
    write_file("pano00.vxt/keep", {1});
    const RunResult r = run("pano.bmp 16 16");
    EXPECT_EQ(r.status, EXIT_WRITE_FAILED);
    EXPECT_EQ(r.err, full_resolution_line(1) +
                         "ERROR: cannot write tile file=pano00.vxt: Is a directory; no part of it "
                         "is left behind\n");
}

TEST_F(EndToEnd, DamagedJpegTilesAndSaysSo) {
    const JpegFixture s = squares_jpeg(32, 32, 3, false, 100);
    ASSERT_TRUE(write_jpeg("whole.jpg", s));
    std::vector<uint8_t> bytes = read_file("whole.jpg");
    const size_t sos =
        find_marker(bytes, 0xDA);  // cut halfway through the data after the scan header
    ASSERT_GT(sos, 0u);
    bytes.resize(sos + (bytes.size() - sos) / 2);
    write_file("cut.jpg", bytes);
    const RunResult r = run("cut.jpg 16 16");
    // Tiled whole, filler and all, but never called a success.
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, full_resolution_line(2) +
                         "WARNING: picture cut.jpg is damaged (Premature end of JPEG file); its "
                         "tiles hold filler where its data is missing\n"
                         "ERROR: picture cut.jpg is damaged (Premature end of JPEG file) from row "
                         "0 of tiles on; cut.grid.json marks rows 0 to 1 damaged\n");
    EXPECT_TRUE(file_exists("cut11c.vxt"));
}

TEST_F(EndToEnd, PictureOverTheMemoryLimitEndsWithStatusOne) {
    write_bmp("pano.bmp", picture(512, 512));
    const RunResult r = run("pano.bmp", "RAZIVAVU_MAX_MEMORY_MB=1 ");
    EXPECT_EQ(r.status, EXIT_LOAD_FAILED);
    EXPECT_NE(r.err.find("more than the memory limit of 1 MB (set RAZIVAVU_MAX_MEMORY_MB"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(tile_files(), std::vector<std::string>{});
}

TEST_F(EndToEnd, FifoInputEndsWithStatusTwoWithoutWaiting) {
    ASSERT_EQ(mkfifo("pano.bmp", 0644), 0);
    // Without the fix the tool waits for a writer; the timeout ends it with 124.
    const RunResult r = run("pano.bmp", "timeout 20 ");
    EXPECT_EQ(r.status, EXIT_BAD_INPUT_FILE);
    EXPECT_EQ(r.err, "ERROR: input file=pano.bmp is not a regular file\n");
}

TEST_F(EndToEnd, FifoCompanionIsNotTaken) {
    write_bmp("pano.bmp", picture(16, 16));
    ASSERT_EQ(mkfifo("pano_trans.bmp", 0644), 0);
    const RunResult r = run("pano.bmp 16 16", "timeout 20 ");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_run("pano.bmp", "loading BMP=", 16, 16, 16, 16));
    EXPECT_NE(read_text("vx.log").find("vxgl:  alpha file pano_trans.bmp is not a regular file"),
              std::string::npos);
}

}  // namespace
