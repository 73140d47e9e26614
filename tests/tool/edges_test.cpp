// --edges pad and --full-rows: what a picture of any size keeps.
//
// A pad run must write the very files a drop run writes for the picture
// extended to whole tiles by repeating its last column and row; --full-rows
// must store level 0 in every row. Both with the other options and threads.
#include <sys/stat.h>

#include <filesystem>

#include "tests/common/run_program.h"
#include "tests/imageio/test_support.h"
#include "tileformat/tileformat.h"
#include "tool/tiletool.h"

using namespace testsupport;

namespace {

class Edges : public ScratchDir {};

BmpFixture picture(int32_t w, int32_t h, const std::vector<uint8_t>& pixels) {
    BmpFixture s;
    s.width = w;
    s.height = h;
    s.pixels = pixels;
    return s;
}

// The picture continued to w2 x h2 by its last column and its last row.
std::vector<uint8_t> extended(const std::vector<uint8_t>& p, int32_t w, int32_t h, int32_t w2,
                              int32_t h2) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < h2; ++y)
        for (int32_t x = 0; x < w2; ++x) {
            const size_t at =
                (static_cast<size_t>(std::min(y, h - 1)) * w + std::min(x, w - 1)) * 3;
            out.insert(out.end(), p.begin() + at, p.begin() + at + 3);
        }
    return out;
}

std::map<std::string, std::vector<uint8_t>> files_in(const std::string& dir) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".vxt")
            files[e.path().filename().string()] = read_file(e.path().string());
    return files;
}

TEST_F(Edges, PadWritesTheFilesOfThePictureExtendedToWholeTiles) {
    const struct {
        int32_t w, h;
        const char* options;  // besides --edges pad and -o
        const char* size;
        int32_t w2, h2;        // the extended picture
        const char* ext_size;  // its tile size
        const char* env;
    } cases[] = {
        {70, 50, "", "16 16", 80, 64, "16 16", "RAZIVAVU_THREADS=1"},
        {70, 50, "--quality high --full-rows", "16 16", 80, 64, "16 16", "RAZIVAVU_THREADS=3"},
        {37, 21, "", "-2 -2", 54, 30, "18 10",
         "RAZIVAVU_WHOLE_PICTURE=1"},  // 18 x 10 tiles, a third column and row
        {20, 9, "--quality=quick", "32 16", 32, 16, "32 16", ""},  // smaller than one tile
        {64, 48, "", "16 16", 64, 48, "16 16", ""},                // nothing to pad
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> source = rgb_pattern(c.w, c.h);
        std::filesystem::remove_all("pad");
        std::filesystem::remove_all("ext");
        ASSERT_EQ(mkdir("pad", 0755), 0);
        ASSERT_EQ(mkdir("ext", 0755), 0);
        write_bmp("p.bmp", picture(c.w, c.h, source));
        write_bmp("ext/p.bmp", picture(c.w2, c.h2, extended(source, c.w, c.h, c.w2, c.h2)));
        const std::string env = std::string(c.env) + " ";
        const RunResult pad =
            run_program(RAZIVAVU_BINARY,
                        std::string("--edges pad -o pad ") + c.options + " p.bmp " + c.size, env);
        ASSERT_EQ(pad.status, 0) << c.w << "x" << c.h << pad.err;
        EXPECT_EQ(pad.err.find("in no tile"), std::string::npos) << pad.err;
        const RunResult drop =
            run_program(RAZIVAVU_BINARY, std::string(c.options) + " ext/p.bmp " + c.ext_size, env);
        ASSERT_EQ(drop.status, 0) << drop.err;
        // The loading lines name the two pictures; from the tile size on the
        // console text is the same.
        const auto tiles = [](const std::string& out) { return out.substr(out.find("tiling to")); };
        EXPECT_EQ(tiles(pad.out), tiles(drop.out)) << c.w << "x" << c.h;
        const auto padded = files_in("pad");
        EXPECT_FALSE(padded.empty());
        EXPECT_EQ(padded, files_in("ext")) << c.w << "x" << c.h;
    }
}

TEST_F(Edges, FullRowsStoreLevelZeroInEveryRow) {
    write_bmp("p.bmp", picture(64, 48, rgb_pattern(64, 48)));
    const struct {
        const char* size;
        int32_t w, h;
    } cases[] = {{"16 16", 16, 16}, {"64 16", 64, 16}, {"16 48", 16, 48}, {"-4 -2", 16, 24}};
    for (const auto& c : cases) {
        for (const std::string& name : tile_files()) std::remove(name.c_str());
        const RunResult r =
            run_program(RAZIVAVU_BINARY, std::string("--full-rows p.bmp ") + c.size);
        ASSERT_EQ(r.status, 0) << c.size << r.err;
        TileGrid whole = make_grid(64, 48, c.w, c.h);
        whole.full_rows = true;
        ASSERT_FALSE(tile_files().empty());
        for (const std::string& name : tile_files()) {
            const std::vector<uint8_t> file = read_file(name);
            ASSERT_GE(file.size(), size_t{TILE_HEADER_SIZE}) << name;
            const TileHeader header = decode_tile_header(file.data());
            EXPECT_EQ(header.width, c.w) << c.size << " " << name;
            EXPECT_EQ(header.height, c.h) << c.size << " " << name;
            EXPECT_EQ(int64_t(file.size()),
                      tile_file_bytes(whole, 0, header.format_code == TILE_CODE_BLOCKS))
                << c.size << " " << name;
        }
    }
}

}  // namespace
