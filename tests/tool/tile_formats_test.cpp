// --tile-format: the block file of every tile in bc7 or an ASTC instead of
// dxt1, read back by texfile, named in the grid manifest, checked by --check
// and kept by --resume; unknown formats refused before anything is written.
#include <cctype>
#include <filesystem>

#include "tests/common/run_program.h"
#include "tests/imageio/test_support.h"
#include "texfile/texfile.h"
#include "tool/tiletool.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class TileFormats : public ScratchDir {
  protected:
    // 64 x 48 in tiles of 16: 4 columns, 3 rows; a smooth picture, so that
    // every block format decodes close to it.
    void SetUp() override {
        ScratchDir::SetUp();
        BmpFixture s;
        s.width = 64;
        s.height = 48;
        for (int32_t y = 0; y < s.height; ++y)
            for (int32_t x = 0; x < s.width; ++x) {
                s.pixels.push_back(static_cast<uint8_t>(x * 4));
                s.pixels.push_back(static_cast<uint8_t>(y * 5));
                s.pixels.push_back(static_cast<uint8_t>(200 - x * 2));
            }
        write_bmp("pano.bmp", s);
    }
};

TexImage level0(const std::string& name, int32_t format, size_t levels) {
    TexFile file;
    std::string error;
    TexImage image;
    EXPECT_TRUE(read_tex_file(name, file, error)) << name << ": " << error;
    EXPECT_EQ(file.format, format) << name;
    EXPECT_EQ(file.levels.size(), levels) << name;
    EXPECT_EQ(static_cast<int64_t>(file.bytes.size()), fs::file_size(name)) << name;
    if (!file.levels.empty()) {
        EXPECT_TRUE(decode_tex_level(file, 0, image, error)) << error;
    }
    return image;
}

double mean_difference(const TexImage& a, const TexImage& b) {
    EXPECT_EQ(a.pixels.size(), b.pixels.size());
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        sum += std::abs(int{a.pixels[i]} - int{b.pixels[i]});
    return a.pixels.empty() ? 1e9 : sum / static_cast<double>(a.pixels.size());
}

TEST_F(TileFormats, EveryFormatsBlockFilesReadBackCloseToTheTwentyFourBitFiles) {
    const struct {
        const char* format;
        TextureFormat library;
        double closeness;  // mean difference per channel (4 x 4 levels included); red and blue
                           // exchanged would differ by tens
    } cases[] = {
        {"dxt1", TextureFormat::Dxt1, 10},      {"bc7", TextureFormat::Bc7, 5},
        {"astc4x4", TextureFormat::Astc4x4, 3}, {"astc6x6", TextureFormat::Astc6x6, 4},
        {"astc8x8", TextureFormat::Astc8x8, 6},
    };
    for (const auto& c : cases)
        for (const bool full_rows : {false, true}) {
            SCOPED_TRACE(std::string(c.format) + (full_rows ? " full rows" : ""));
            const RunResult r = run_program(
                RAZIVAVU_BINARY, std::string("-q -o out --tile-format ") + c.format +
                                     (full_rows ? " --full-rows" : "") + " pano.bmp 16 16");
            ASSERT_EQ(r.status, 0) << r.err;
            const std::string grid = read_text("out/pano.grid.json");
            EXPECT_NE(grid.find(std::string("\"tile_format\": \"") + c.format + "\""),
                      std::string::npos);
            EXPECT_NE(grid.find(std::string("\"format\": \"") + c.format + "\""),
                      std::string::npos);
            for (int32_t row = 0; row < 3; ++row)
                for (int32_t col = 0; col < 4; ++col) {
                    const std::string base = "out/pano" + std::to_string(col) + std::to_string(row);
                    // 16 x 16 has five levels; the top and bottom rows drop one and two.
                    const size_t levels = full_rows ? 5 : row == 0 ? 4 : row == 2 ? 3 : 5;
                    const TexImage rgb = level0(base + ".vxt", 8, levels);
                    const TexImage blocks =
                        level0(base + "c.vxt", static_cast<int32_t>(c.library), levels);
                    EXPECT_LT(mean_difference(rgb, blocks), c.closeness) << base;
                }
            EXPECT_EQ(run_program(INSPECT_BINARY, "--check --deep out/pano").status, 0);
            fs::remove_all("out");
        }
}

TEST_F(TileFormats, ResumeKeepsAndCheckNamesTheFilesOfTheFormat) {
    ASSERT_EQ(run_program(RAZIVAVU_BINARY, "-q --tile-format astc4x4 pano.bmp 16 16").status, 0);
    const auto whole = read_file("pano11c.vxt");
    fs::remove("pano11c.vxt");
    const RunResult check = run_program(INSPECT_BINARY, "--check pano");
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("pano11c.vxt: missing"), std::string::npos) << check.out;
    const RunResult resumed =
        run_program(RAZIVAVU_BINARY, "--resume --tile-format astc4x4 pano.bmp 16 16");
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("created 1 pano's\nkept 11 pano's"), std::string::npos)
        << resumed.out;
    EXPECT_TRUE(read_file("pano11c.vxt") == whole);
    EXPECT_EQ(run_program(INSPECT_BINARY, "--check --deep pano").status, 0);
    // Without the manifest the block files' header codes tell the format.
    fs::remove("pano.grid.json");
    const RunResult headers = run_program(INSPECT_BINARY, "--check pano");
    EXPECT_EQ(headers.status, 0) << headers.out;
    EXPECT_NE(headers.out.find("pano: complete"), std::string::npos) << headers.out;
}

TEST_F(TileFormats, TilesNotPowersOfTwoGiveBlockFilesOfTheHeaderAlone) {
    for (const char* format : {"dxt1", "bc7", "astc8x8"}) {
        SCOPED_TRACE(format);
        const RunResult r = run_program(
            RAZIVAVU_BINARY, std::string("-q -o out --tile-format ") + format + " pano.bmp 24 24");
        ASSERT_EQ(r.status, 0) << r.err;
        std::string upper = format;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_NE(r.err.find("the " + upper +
                             " files (...c.vxt) will hold their header and no "
                             "levels: " +
                             upper + " needs tile sides that are powers of two"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(fs::file_size("out/pano11c.vxt"), static_cast<uintmax_t>(TILE_HEADER_SIZE));
        EXPECT_EQ(run_program(INSPECT_BINARY, "--check --deep out/pano").status, 0);
        fs::remove_all("out");
    }
}

TEST_F(TileFormats, FormatsNoTileFileHoldsAreRefusedBeforeAnyFile) {
    for (const char* format : {"dxt5", "rgb888", "bc4", "png", ""}) {
        SCOPED_TRACE(format);
        const RunResult r =
            run_program(RAZIVAVU_BINARY, std::string("-q --tile-format '") + format + "' pano.bmp");
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("unknown tile format"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists("pano00.vxt"));
        EXPECT_FALSE(fs::exists("pano.grid.json"));
    }
}

}  // namespace
