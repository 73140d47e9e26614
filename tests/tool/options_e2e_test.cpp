// razivavu's options and its habits in scripts: standard input is never read
// unless it is a terminal, -q, -o, --strict, .jpeg names, extra arguments,
// the warnings about parts of the picture no tile holds, and the encoding
// options reaching the DXT1 files' settings.
#include <sys/stat.h>

#include <cstring>

#include "tests/common/run_program.h"
#include "tests/imageio/test_support.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

class ToolOptionsRun : public ScratchDir {
  protected:
    RunResult run(const std::string& args) { return run_program(RAZIVAVU_BINARY, args); }
    void picture(const std::string& name, int32_t w, int32_t h) {
        BmpFixture s;
        s.width = w;
        s.height = h;
        s.pixels = rgb_pattern(w, h);
        write_bmp(name, s);
    }
};

std::string parse(std::vector<std::string> args, ToolOptions& o) {
    args.insert(args.begin(), "razivavu");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return parse_tool_options(static_cast<int>(argv.size()), argv.data(), o);
}

TEST(ToolOptions, EncodingReachesTheDxt1SettingsOnly) {
    const struct {
        std::vector<std::string> args;
        TextureQuality quality;
        uint8_t grey;
        TextureDecoder decoder = TextureDecoder::Nearest;
    } cases[] = {
        {{"f.bmp"}, TextureQuality::Normal, 0},
        {{"--quality=fast", "--decoder", "truncate", "f.bmp"},
         TextureQuality::Fast,
         0,
         TextureDecoder::Truncate},
        {{"--decoder=exact", "--quality", "best", "f.bmp"},
         TextureQuality::Best,
         0,
         TextureDecoder::Exact},
        {{"--quality", "quick", "f.bmp"}, TextureQuality::Quick, 0},
        {{"--quality=high", "f.bmp"}, TextureQuality::High, 0},
        {{"--quality", "best", "--metric", "uniform", "f.bmp"}, TextureQuality::Best, 1},
        {{"--metric=perceptual", "--quality", "normal", "f.bmp"}, TextureQuality::Normal, 0},
    };
    for (const auto& c : cases) {
        ToolOptions o;
        ASSERT_EQ(parse(c.args, o), "") << c.args[0];
        EXPECT_EQ(o.operands, static_cast<int>(c.args.size()));
        TextureSettings dxt1, rgb, plain;
        texture_settings_init(dxt1);
        texture_settings_init(rgb);
        texture_settings_init(plain);
        apply_tile_encoding(dxt1, o.encoding, true);
        apply_tile_encoding(rgb, o.encoding, false);
        EXPECT_EQ(dxt1.quality, c.quality) << c.args[0];
        EXPECT_EQ(dxt1.g_b_grey_scale, c.grey) << c.args[0];
        EXPECT_EQ(dxt1.decoder, c.decoder) << c.args[0];
        EXPECT_EQ(std::memcmp(&rgb, &plain, sizeof rgb), 0) << c.args[0];
    }
}

TEST(ToolOptions, BadOptionsAreNamed) {
    const struct {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{"--quality", "fine", "f.bmp"}, "unknown quality fine"},
        {{"--quality"}, "unknown quality (none)"},
        {{"--metric", "psnr", "f.bmp"}, "unknown metric psnr"},
        {{"--decoder", "round", "f.bmp"}, "unknown decoder round (nearest, exact or truncate)"},
        {{"-o"}, "-o/--out needs a folder"},
        {{"-x", "f.bmp"}, "unknown option -x"},
        {{"--edges", "crop", "f.bmp"}, "unknown edges crop (drop or pad)"},
        {{"--tile-format", "dxt5", "f.bmp"},
         "unknown tile format dxt5 (dxt1, bc7, astc4x4, astc6x6 or astc8x8)"},
        {{"--tile-format"}, "unknown tile format (none)"},
    };
    for (const auto& c : cases) {
        ToolOptions o;
        EXPECT_EQ(parse(c.args, o).rfind(c.reason, 0), 0u) << c.reason;
    }
    ToolOptions o;  // after "--" and after the file nothing is an option
    ASSERT_EQ(parse({"-q", "--", "-odd.bmp", "-2", "-2"}, o), "");
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.operands, 3);
}

TEST_F(ToolOptionsRun, BadCommandLinesEndWithStatusTwoAndWriteNothing) {
    picture("pano.bmp", 32, 32);
    for (const char* args :
         {"--quality fine pano.bmp", "--metric psnr pano.bmp", "pano.bmp 16 16 17",
          "pano.bmp 16 16 -q", "--bogus pano.bmp", "--tile-format dxt5 pano.bmp"}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.status, EXIT_BAD_OPTION) << args;
        EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << args << ": " << r.err;
        EXPECT_EQ(r.out.rfind("welcome to razivavu\n", 0), 0u) << args;
    }
    EXPECT_NE(run("pano.bmp 16 16 -q").err.find("options go before the file"), std::string::npos);
    EXPECT_TRUE(tile_files().empty());
    const RunResult help = run("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* word :
         {"--quality", "--metric", "--out", "--strict", "-q", "--edges", "--full-rows"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    const RunResult version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("razivavu ") + razivavu_version() + "\n");
}

// A shell loop feeding names on standard input: every picture is tiled, and
// a pipe the tool does not own keeps every byte.
TEST_F(ToolOptionsRun, StandardInputIsReadOnlyFromATerminal) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) picture(name, 16, 16);
    write_file("list.txt", {'a', '.', 'b', 'm', 'p', '\n', 'b', '.', 'b', 'm', 'p', '\n', 'c', '.',
                            'b', 'm', 'p', '\n'});
    const std::string loop = "while read f; do '" + std::string(RAZIVAVU_BINARY) +
                             "' \"$f\" 16 16 > /dev/null || exit 9; done < list.txt";
    ASSERT_EQ(std::system(loop.c_str()), 0);
    EXPECT_EQ(tile_files(), (std::vector<std::string>{"a00.vxt", "a00c.vxt", "b00.vxt", "b00c.vxt",
                                                      "c00.vxt", "c00c.vxt"}));
    const std::string pipe = "printf 'kept' | { '" + std::string(RAZIVAVU_BINARY) +
                             "' a.bmp 16 16 > /dev/null 2>&1 && cat; } > piped.txt";
    ASSERT_EQ(std::system(pipe.c_str()), 0);
    EXPECT_EQ(read_text("piped.txt"), "kept");
}

TEST_F(ToolOptionsRun, QuietOutFolderAndMetricKeepTheFilesApartFromWhatTheyChoose) {
    picture("pano.bmp", 32, 32);
    ASSERT_EQ(run("pano.bmp 16 16").status, 0);
    ASSERT_EQ(mkdir("out", 0755), 0);
    const RunResult quiet = run("-q -o out --quality normal --metric perceptual pano.bmp 16 16");
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, full_resolution_line(2));
    ASSERT_EQ(mkdir("uniform", 0755), 0);
    ASSERT_EQ(run("--out=uniform --metric uniform pano.bmp 16 16").status, 0);
    for (const char* tile : {"pano00", "pano10", "pano01", "pano11"}) {
        const std::string rgb = std::string(tile) + ".vxt", dxt1 = std::string(tile) + "c.vxt";
        EXPECT_EQ(read_file("out/" + rgb), read_file(rgb)) << tile;
        EXPECT_EQ(read_file("out/" + dxt1), read_file(dxt1)) << tile;
        EXPECT_EQ(read_file("uniform/" + rgb), read_file(rgb)) << tile;
        EXPECT_NE(read_file("uniform/" + dxt1), read_file(dxt1)) << tile;
    }
    // A folder that is not there is made, as --mosaic makes its own; a file
    // in the way is not a folder.
    const RunResult made = run("-q -o new/deeper pano.bmp 16 16");
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(read_file("new/deeper/pano11c.vxt"), read_file("pano11c.vxt"));
    write_file("plain", {1});
    const RunResult blocked = run("-o plain pano.bmp 16 16");
    EXPECT_EQ(blocked.status, EXIT_WRITE_FAILED);
    EXPECT_EQ(blocked.err, "ERROR: output folder=plain is not a folder\n");
    // Under -q the two errors of standard output go to standard error.
    const RunResult none = run("-q");
    EXPECT_EQ(none.status, EXIT_NO_INPUT);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "ERROR: no input file specified\n");
}

TEST_F(ToolOptionsRun, PartsInNoTileAreReported) {
    const struct {
        int32_t w, h;
        const char* args;
        const char* warning;
        int rows;  // of tiles, for the line on full resolution that follows
    } cases[] = {
        {70, 50, "16 16",
         "WARNING: 6 columns at the right and 2 rows at the bottom of the picture are in no "
         "tile (--edges pad keeps them)\n",
         3},
        {70, 48, "16 16",
         "WARNING: 6 columns at the right of the picture are in no tile (--edges pad keeps "
         "them)\n",
         3},
        {64, 40, "16 16",
         "WARNING: 8 rows at the bottom of the picture are in no tile (--edges pad keeps them)\n",
         2},
        {64, 48, "16 16", "", 3},
        {64, 32, "",
         "WARNING: the picture (64x32) holds no whole tile of 512x512; no tile is written "
         "(--edges pad makes one of it)\n",
         0},
    };
    for (const auto& c : cases) {
        picture("pano.bmp", c.w, c.h);
        const RunResult r = run(std::string("pano.bmp ") + c.args);
        EXPECT_EQ(r.status, 0) << c.w << "x" << c.h;
        EXPECT_EQ(r.err, c.warning + (c.rows > 0 ? full_resolution_line(c.rows) : ""))
            << c.w << "x" << c.h;
    }
}

TEST_F(ToolOptionsRun, JpegNamesAndStrictDamage) {
    const JpegFixture s = squares_jpeg(32, 32, 3, false, 100);
    ASSERT_TRUE(write_jpeg("pano.jpeg", s));
    const RunResult r = run("pano.jpeg 16 16");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("loading jpg=pano.jpeg\n"), std::string::npos);
    EXPECT_TRUE(file_exists("pano11c.vxt"));
    // A damaged JPEG: a warning and filler, or with --strict the end of the
    // run with nothing of the damaged row of tiles.
    std::vector<uint8_t> bytes = read_file("pano.jpeg");
    const size_t sos = find_marker(bytes, 0xDA);
    ASSERT_GT(sos, 0u);
    bytes.resize(sos + (bytes.size() - sos) / 2);
    write_file("cut.JPEG", bytes);
    const RunResult strict = run("--strict cut.JPEG 16 16");
    EXPECT_EQ(strict.status, EXIT_LOAD_FAILED);
    EXPECT_EQ(strict.err, full_resolution_line(2) +
                              "ERROR: picture cut.JPEG is damaged (Premature end of JPEG file); "
                              "--strict ends the run there\n");
    EXPECT_FALSE(file_exists("cut11c.vxt"));
    for (const std::string& f : tile_files()) EXPECT_EQ(f.find(".part"), std::string::npos) << f;
}

TEST_F(ToolOptionsRun, TheLogGoesWhereRazivavuLogSays) {
    write_file("bad.png", {1, 2, 3});  // a loader that fails logs why
    const struct {
        const char* env;
        const char* log;  // the file that receives the log, or none
    } cases[] = {{"", "vx.log"}, {"RAZIVAVU_LOG=mine.log ", "mine.log"}, {"RAZIVAVU_LOG= ", ""}};
    for (const auto& c : cases) {
        for (const char* f : {"vx.log", "mine.log"}) std::remove(f);
        const RunResult r = run_program(RAZIVAVU_BINARY, "-q bad.png", c.env);
        EXPECT_EQ(r.status, EXIT_LOAD_FAILED) << c.env;
        for (const char* f : {"vx.log", "mine.log"})
            EXPECT_EQ(file_exists(f), std::string(f) == c.log) << c.env << f;
    }
}

}  // namespace
