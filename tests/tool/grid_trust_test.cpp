// A grid as a whole: a damaged picture never ends as a success and its rows
// are marked, --resume refuses to mix two grids, and a grid whose rows drop
// level 0 says so before the first tile.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/common/run_program.h"
#include "tests/imageio/png_tiff_support.h"
#include "tests/imageio/test_support.h"
#include "texfile/texfile.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class GridTrust : public ScratchDir {};

// 64 x 256 in tiles of 16: 4 columns, 16 rows.
std::vector<uint8_t> jpeg_bytes() {
    EXPECT_TRUE(write_jpeg("whole.jpg", squares_jpeg(64, 256, 3, false, 100)));
    return read_file("whole.jpg");
}

TEST_F(GridTrust, EveryKindOfDamageEndsWithStatusOneAndMarksItsRows) {
    const std::vector<uint8_t> jpeg = jpeg_bytes();
    const size_t sos = find_marker(jpeg, 0xDA) + 14;  // the first byte of entropy data
    const size_t middle = sos + (jpeg.size() - sos) / 2;
    const size_t span = (jpeg.size() - middle) / 4;  // well inside the data
    const auto spoil = [&](const std::function<void(std::vector<uint8_t>&)>& how) {
        std::vector<uint8_t> b = jpeg;
        how(b);
        return b;
    };
    SampledPicture p;
    p.width = 64;
    p.height = 256;
    ASSERT_TRUE(write_png("whole.png", p));
    ASSERT_TRUE(write_tiff("whole.tif", p, {COMPRESSION_LZW, false, 0, 8}));
    const std::vector<uint8_t> png = read_file("whole.png");
    std::vector<uint8_t> tif = read_file("whole.tif");
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"over.jpg", spoil([&](auto& b) {
             for (size_t i = 0; i < span; ++i) b[middle + i] = static_cast<uint8_t>(i * 37);
         })},
        {"zero.jpg", spoil([&](auto& b) { std::fill_n(b.begin() + middle, span, 0); })},
        {"cut.jpg", spoil([&](auto& b) { b.resize(middle); })},
        {"extra.jpg", spoil([&](auto& b) { b.insert(b.end() - 2, 40, 0x55); })},
        {"marker.jpg", spoil([&](auto& b) {
             const uint8_t rst[] = {0xFF, 0xD3};
             b.insert(b.begin() + middle, rst, rst + 2);
         })},
        {"crc.png",
         [&] {
             std::vector<uint8_t> b = png;
             b[b.size() / 2] ^= 0x40;  // inside the picture data: its checksum no longer holds
             return b;
         }()},
        {"strip.tif",
         [&] {
             std::vector<uint8_t> b = tif;
             std::fill(b.begin() + b.size() / 2, b.begin() + b.size() * 3 / 5, 0xFF);
             return b;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(c.name, c.bytes);
        const RunResult r = run_program(RAZIVAVU_BINARY, std::string("-q ") + c.name + " 16 16");
        EXPECT_EQ(r.status, 1) << r.err;
        // The run names the first row of tiles the damage touched ...
        EXPECT_TRUE(r.err.find(" of tiles on; ") != std::string::npos ||
                    r.err.find(" of tiles and the rows below are not written") !=
                        std::string::npos ||
                    r.err.find(" rows of tiles written") != std::string::npos)
            << r.err;
        // ... and --check reports the rows the manifest marks.
        const std::string base = fs::path(c.name).stem().string();
        const RunResult check = run_program(INSPECT_BINARY, "--check " + base);
        EXPECT_EQ(check.status, 1) << check.out;
        EXPECT_NE(check.out.find(" damaged: the picture's data there could not be read ("),
                  std::string::npos)
            << check.out;
    }
}

TEST_F(GridTrust, ResumeRefusesAnotherGridAndRewritesNothing) {
    write_bmp("pano.bmp", bmp_picture(70, 50, 24, false));
    write_bmp("other.bmp", bmp_picture(70, 50, 24, true));  // same size, other rows
    const struct {
        const char* first;  // the earlier run's options (on pano.bmp unless a file is named)
        const char* again;  // this run's
        const char* difference;
    } cases[] = {
        {"", "--edges pad", "--edges drop in pano.grid.json, pad in this run"},
        {"", "--full-rows", "--full-rows off in pano.grid.json, on in this run"},
        {"", "--quality high", "--quality normal in pano.grid.json, high in this run"},
        {"", "--decoder exact", "--decoder nearest in pano.grid.json, exact in this run"},
        {"", "--metric uniform", "--metric perceptual in pano.grid.json, uniform in this run"},
        {"", "--tile-format bc7", "--tile-format dxt1 in pano.grid.json, bc7 in this run"},
        {"--tile-format astc6x6", "", "--tile-format astc6x6 in pano.grid.json, dxt1 in this run"},
        {"--edges pad --full-rows", "", "--edges pad in pano.grid.json, drop in this run"},
        {"", "SIZE 32 16", "tile size 16x16 in pano.grid.json, 32x16 in this run"},
        {"", "PICTURE", "the picture's content differs"},
        // A folder written before grids had manifests: the tile headers.
        {"NOMANIFEST", "--full-rows", "pano00.vxt is another grid's tile (its header says 8x8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.again);
        for (const auto& e : fs::directory_iterator("."))
            if (e.path().extension() == ".vxt" || e.path().extension() == ".json")
                fs::remove(e.path());
        const std::string first = c.first;
        const bool bare = first == "NOMANIFEST";
        ASSERT_EQ(
            run_program(RAZIVAVU_BINARY, "-q " + (bare ? "" : first) + " pano.bmp 16 16").status,
            0);
        if (bare) fs::remove("pano.grid.json");
        const auto before = folder_files(".");
        std::string again = c.again;
        std::string input = "pano.bmp 16 16";
        if (again.rfind("SIZE ", 0) == 0) input = "pano.bmp " + again.substr(5), again = "";
        if (again == "PICTURE") {
            fs::copy_file("other.bmp", "pano.bmp", fs::copy_options::overwrite_existing);
            again = "";
        }
        const RunResult r = run_program(RAZIVAVU_BINARY, "-q --resume " + again + " " + input);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("--resume would mix two grids: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.difference), std::string::npos) << r.err;
        auto after = folder_files(".");
        after.erase("pano.bmp");
        auto kept = before;
        kept.erase("pano.bmp");
        EXPECT_TRUE(after == kept) << "a file was written";
        write_bmp("pano.bmp", bmp_picture(70, 50, 24, false));
    }
}

TEST_F(GridTrust, ResumeWritesTheRowsAManifestMarksDamagedAnew) {
    // A picture mended in its middle keeps its size and ends, so it is the
    // same grid; the rows its damage touched must not be kept.
    write_bmp("pano.bmp", bmp_picture(32, 48, 24, false));
    ASSERT_EQ(run_program(RAZIVAVU_BINARY, "-q pano.bmp 16 16").status, 0);
    std::string text = read_text("pano.grid.json");
    const std::string clean = "\"damage\": null";
    ASSERT_NE(text.find(clean), std::string::npos);
    text.replace(text.find(clean), clean.size(),
                 "\"damage\": {\"first_row\": 1, \"reason\": \"x\"}");
    write_file("pano.grid.json", std::vector<uint8_t>(text.begin(), text.end()));
    const RunResult r = run_program(RAZIVAVU_BINARY, "--resume pano.bmp 16 16");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("kept 1x0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("creating 0x1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("created 4 pano's\nkept 2 pano's"), std::string::npos) << r.out;
    EXPECT_EQ(run_program(INSPECT_BINARY, "--check pano").status, 0);
}

TEST_F(GridTrust, TheLevelLineComesBeforeTheFirstTile) {
    const struct {
        int height;  // in tiles of 16
        const char* options;
        std::string line;
    } cases[] = {
        {16, "", full_resolution_line(1)}, {32, "", full_resolution_line(2)},
        {48, "", full_resolution_line(3)}, {16, "--full-rows", ""},
        {32, "--full-rows", ""},           {48, "--full-rows", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.height) + " " + c.options);
        write_bmp("pano.bmp", bmp_picture(32, c.height, 24, false));
        const RunResult r =
            run_program(RAZIVAVU_BINARY, std::string(c.options) + " pano.bmp 16 16");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, c.line);
    }
}

TEST_F(GridTrust, SyncWritesTheSameFiles) {
    write_bmp("pano.bmp", bmp_picture(64, 48, 24, false));
    for (const char* dir : {"plain", "synced"}) ASSERT_EQ(mkdir(dir, 0755), 0);
    ASSERT_EQ(run_program(RAZIVAVU_BINARY, "-q -o plain pano.bmp 16 16").status, 0);
    const RunResult r = run_program(RAZIVAVU_BINARY, "-q --sync -o synced pano.bmp 16 16");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(folder_files("synced").size(), 2u * 4 * 3 + 1);
    EXPECT_TRUE(folder_files("synced") == folder_files("plain"));
    // Where strace is at hand: every file and the folder reach the disk.
    if (std::system("command -v strace > /dev/null") != 0) return;
    // (The leak check of a sanitizer build cannot run under a tracer.)
    const std::string traced =
        "ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e trace=fsync -o trace.txt " +
        std::string(RAZIVAVU_BINARY) + " -q --sync -o synced pano.bmp 16 16";
    ASSERT_EQ(std::system(traced.c_str()), 0);
    const std::string trace = read_text("trace.txt");
    size_t calls = 0;
    for (size_t at = trace.find("fsync("); at != std::string::npos;
         at = trace.find("fsync(", at + 1))
        ++calls;
    EXPECT_EQ(calls, 2u * 4 * 3 + 3) << trace;  // the tiles, the manifest, the folder twice
}

TEST_F(GridTrust, TheExampleLoaderFindsEveryLevelByTheManifest) {
    if (std::system("command -v python3 > /dev/null") != 0) GTEST_SKIP() << "no python3";
    write_bmp("pano.bmp", bmp_picture(70, 50, 24, false));
    for (const char* options : {"", "--full-rows --edges pad "}) {
        SCOPED_TRACE(options);
        for (const auto& e : fs::directory_iterator("."))
            if (e.path().extension() == ".vxt" || e.path().extension() == ".json")
                fs::remove(e.path());
        ASSERT_EQ(
            run_program(RAZIVAVU_BINARY, std::string("-q ") + options + "pano.bmp 16 8").status, 0);
        // What the loader finds for every tile, level and file ...
        const std::string script =
            "import sys; sys.path.insert(0, '" + fs::path(GRID_LOADER).parent_path().string() +
            "')\nfrom load_grid import tile_level\nimport json\n"
            "g = json.load(open('pano.grid.json'))\n"
            "for t in g['tiles']:\n"
            "  for fmt in ('rgb888', 'dxt1'):\n"
            "    for k in range(g['grid']['levels']):\n"
            "      f = tile_level('pano', t['col'], t['row'], k, fmt)\n"
            "      if f: print(t['col'], t['row'], k, fmt, f[1][0], f[1][1], f[0].hex())\n";
        write_file("find.py", std::vector<uint8_t>(script.begin(), script.end()));
        ASSERT_EQ(std::system("python3 find.py > found.txt"), 0);
        // ... is every stored level the tile files hold, byte for byte.
        const std::string grid = read_text("pano.grid.json");
        std::string expected;
        for (int32_t row = 0; row < 7; ++row)
            for (int32_t col = 0; col < 5; ++col) {
                if (grid.find("\"col\": " + std::to_string(col) +
                              ", \"row\": " + std::to_string(row) + ",") == std::string::npos)
                    continue;
                for (const bool block_file : {false, true}) {
                    TexFile file;
                    std::string error;
                    const std::string name = "pano" + std::to_string(col) + std::to_string(row) +
                                             (block_file ? "c" : "") + ".vxt";
                    ASSERT_TRUE(read_tex_file(name, file, error)) << error;
                    const std::vector<uint8_t> bytes = read_file(name);
                    for (const TexLevel& l : file.levels) {
                        std::string hex;
                        char two[3];
                        for (int64_t i = 0; i < l.size; ++i) {
                            std::snprintf(two, sizeof two, "%02x", bytes[l.offset + i]);
                            hex += two;
                        }
                        expected += std::to_string(col) + " " + std::to_string(row) + " " +
                                    std::to_string(l.index) + (block_file ? " dxt1 " : " rgb888 ") +
                                    std::to_string(l.width) + " " + std::to_string(l.height) + " " +
                                    hex + "\n";
                    }
                }
            }
        std::string found = read_text("found.txt");
        // The loader lists formats per level, the reader per file: compare as sets.
        const auto sorted = [](const std::string& text) {
            std::vector<std::string> lines;
            std::istringstream in(text);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
            std::sort(lines.begin(), lines.end());
            return lines;
        };
        EXPECT_FALSE(expected.empty());
        EXPECT_TRUE(sorted(found) == sorted(expected));
    }
}

}  // namespace
