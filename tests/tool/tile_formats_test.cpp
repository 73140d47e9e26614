// --tile-format: each tile's block file in another format of the library,
// read back close to the 24-bit file, checked by --check, kept by --resume.
#include <cstring>
#include <filesystem>

#include "tests/common/run_program.h"
#include "tests/imageio/test_support.h"
#include "texfile/texfile.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class TileFormats : public ScratchDir {};

TexImage level0(const std::string& name, int32_t format, size_t levels) {
    TexFile f;
    std::string error;
    TexImage image;
    EXPECT_TRUE(read_tex_file(name, f, error) && f.format == format && f.levels.size() == levels &&
                decode_tex_level(f, 0, image, error))
        << name << " " << error;
    return image;
}

TEST_F(TileFormats, BlockFilesReadBackCloseToTheTwentyFourBitFilesAndResume) {
    BmpFixture s;  // 4 x 3 tiles of 16, smooth so that every format stays close
    s.width = 64;
    s.height = 48;
    for (int32_t i = 0; i < 64 * 48; ++i)
        for (int v : {i % 64 * 4, i / 64 * 5, 200 - i % 64 * 2}) s.pixels.push_back(uint8_t(v));
    write_bmp("pano.bmp", s);
    const struct {
        const char* args;
        TextureFormat format;
        double closeness;  // mean difference a channel; red and blue exchanged: tens
    } cases[] = {{"dxt1", TextureFormat::Dxt1, 10},
                 {"bc7 --full-rows", TextureFormat::Bc7, 5},
                 {"astc4x4", TextureFormat::Astc4x4, 3},
                 {"astc6x6 --full-rows", TextureFormat::Astc6x6, 4},
                 {"astc8x8", TextureFormat::Astc8x8, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        fs::remove_all("out");
        const std::string run =
            std::string("-q -o out --tile-format ") + c.args + " pano.bmp 16 16";
        ASSERT_EQ(run_program(RAZIVAVU_BINARY, run).status, 0);
        for (int32_t t = 0; t < 12; ++t) {
            const std::string base = "out/pano" + std::to_string(t % 4) + std::to_string(t / 4);
            const bool full = std::strstr(c.args, "full") || t / 4 == 1;
            const size_t levels = full ? 5 : t / 4 == 0 ? 4 : 3;  // top, bottom drop 1, 2
            const TexImage rgb = level0(base + ".vxt", 8, levels);
            const TexImage blocks = level0(base + "c.vxt", static_cast<int32_t>(c.format), levels);
            double sum = 0;
            for (size_t i = 0; i < rgb.pixels.size() && i < blocks.pixels.size(); ++i)
                sum += std::abs(int{rgb.pixels[i]} - int{blocks.pixels[i]});
            EXPECT_LT(sum / static_cast<double>(blocks.pixels.size()), c.closeness) << base;
        }
        EXPECT_EQ(run_program(INSPECT_BINARY, "--check --deep out/pano").status, 0);
        fs::remove("out/pano11c.vxt");
        EXPECT_NE(run_program(INSPECT_BINARY, "--check out/pano").out.find("pano11c.vxt: missing"),
                  std::string::npos);
        const RunResult resumed = run_program(RAZIVAVU_BINARY, "--resume " + run.substr(3));
        EXPECT_NE(resumed.out.find("created 1 pano's\nkept 11 pano's"), std::string::npos);
        fs::remove("out/pano.grid.json");  // without it the header codes tell the format
        EXPECT_EQ(run_program(INSPECT_BINARY, "--check out/pano").status, 0);
    }
}

TEST_F(TileFormats, TilesNotPowersOfTwoGiveBlockFilesOfTheHeaderAlone) {
    write_bmp("pano.bmp", bmp_picture(48, 48, 24, false));
    const RunResult r = run_program(RAZIVAVU_BINARY, "-q --tile-format bc7 pano.bmp 24 24");
    EXPECT_NE(r.err.find("the BC7 files (...c.vxt) will hold their header and no levels: BC7 "),
              std::string::npos);
    EXPECT_EQ(fs::file_size("pano11c.vxt"), 32u);
    EXPECT_EQ(run_program(INSPECT_BINARY, "--check --deep pano").status, 0);
}

}  // namespace
