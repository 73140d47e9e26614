// razivavu-inspect through the real binaries on a razivavu run made in the
// test: PNG levels equal the source crop, the DXT1 tiles keep their PSNR,
// the mosaic equals each tile reduced as the chain does, the comparison
// reports every level; bad files end with their message and exit code.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>

#include "tests/commands/commands_test_support.h"
#include "tests/commands/streams.h"
#include "texcomp/texcomp.h"

using namespace cmdtest;

namespace {

constexpr int32_t W = 64, H = 48, T = 16;  // a 4 x 3 grid of 16 x 16 tiles

class InspectRun : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        source_ = smooth_pattern(W, H);
        write_bmp("pic.bmp", bmp_of(W, H, source_));
        const RunResult r = run(RAZIVAVU_BINARY, "pic.bmp 16 16");
        ASSERT_EQ(r.status, 0) << r.err;
    }

    std::vector<uint8_t> crop(int32_t col, int32_t row) const {
        std::vector<uint8_t> out;
        for (int32_t y = 0; y < T; ++y) {
            const size_t at = (static_cast<size_t>(row * T + y) * W + col * T) * 3;
            out.insert(out.end(), source_.begin() + at, source_.begin() + at + T * 3);
        }
        return out;
    }

    // Level `level` of a tile as the library's chain makes it: R, G, B bytes.
    std::vector<uint8_t> chain_level(int32_t col, int32_t row, int32_t level) const {
        struct Pick {
            int32_t level;
            std::vector<uint8_t> bytes;
            static int32_t cb(const uint8_t* b, int32_t l, int32_t n, int32_t, int32_t, void* u) {
                auto* p = static_cast<Pick*>(u);
                if (l == p->level) p->bytes.assign(b, b + n);
                return n;
            }
        } pick{level, {}};
        TextureSettings s;
        texture_settings_init(s);
        s.g_texture_format = 8;
        s.user = &pick;
        const std::vector<uint8_t> tile = crop(col, row);
        EXPECT_EQ(compress_texture(tile.data(), T, T, T * 3, s, 3, Pick::cb, nullptr), 0);
        return pick.bytes;
    }

    std::vector<uint8_t> source_;
};

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sse = 0;
    for (size_t i = 0; i < a.size(); ++i) sse += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return sse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / (sse / a.size()));
}

TEST_F(InspectRun, LevelZeroOfAMiddleRowTileIsTheSourceCropAndItsTwinKeepsThePsnr) {
    const RunResult r = run(INSPECT_BINARY, "--png out pic21.vxt pic21c.vxt pic20.vxt");
    ASSERT_EQ(r.status, 0) << r.err;
    TexImage rgb, blocks;
    ASSERT_TRUE(read_png("out/pic21_level0.png", rgb));
    EXPECT_EQ(rgb.channels, 3);
    EXPECT_EQ(rgb.pixels, crop(2, 1));
    ASSERT_TRUE(read_png("out/pic21c_level0.png", blocks));
    ASSERT_EQ(blocks.pixels.size(), rgb.pixels.size());
    EXPECT_GE(psnr(blocks.pixels, rgb.pixels), 38.0);
    // The top row stores from level 1 and names its files by the chain's levels.
    EXPECT_FALSE(file_exists("out/pic20_level0.png"));
    EXPECT_TRUE(file_exists("out/pic20_level1.png"));
    EXPECT_TRUE(file_exists("out/pic20_level4.png"));
}

TEST_F(InspectRun, MosaicAtLevelTwoIsEveryTileReducedAsTheChainDoes) {
    const RunResult r = run(INSPECT_BINARY, "--mosaic 2 --png out pic");
    ASSERT_EQ(r.status, 0) << r.err;
    TexImage mosaic;
    ASSERT_TRUE(read_png("out/pic_mosaic_level2.png", mosaic));
    ASSERT_EQ(mosaic.width, 4 * 4);
    ASSERT_EQ(mosaic.height, 3 * 4);
    for (int32_t row = 0; row < 3; ++row)
        for (int32_t col = 0; col < 4; ++col) {
            const std::vector<uint8_t> want = chain_level(col, row, 2);
            ASSERT_EQ(want.size(), 4u * 4u * 3u);
            for (int32_t y = 0; y < 4; ++y) {
                const size_t at = (static_cast<size_t>(row * 4 + y) * mosaic.width + col * 4) * 3;
                EXPECT_EQ(std::vector<uint8_t>(mosaic.pixels.begin() + at,
                                               mosaic.pixels.begin() + at + 12),
                          std::vector<uint8_t>(want.begin() + y * 12, want.begin() + y * 12 + 12))
                    << col << "," << row << " row " << y;
            }
        }
}

TEST_F(InspectRun, MosaicBelowTheFirstLevelEveryRowStoresNamesTheRowsAndTheLevelDrawn) {
    const struct {
        const char* options;  // of a run again, or null
        int32_t asked, drawn;
        const char* rows;  // null: no line
    } cases[] = {{nullptr, 0, 2, "row 0 stores levels from 1 on, row 2 from 2 on"},
                 {nullptr, 1, 2, "row 2 stores levels from 2 on"},
                 {nullptr, 2, 2, nullptr},
                 {"--full-rows", 0, 0, nullptr}};
    for (const auto& c : cases) {
        if (c.options) {
            ASSERT_EQ(run(RAZIVAVU_BINARY, std::string(c.options) + " pic.bmp 16 16").status, 0);
        }
        const RunResult r =
            run(INSPECT_BINARY, "--mosaic " + std::to_string(c.asked) + " --png out pic");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, c.rows ? "razivavu-inspect: level " + std::to_string(c.asked) +
                                      " is not stored by every row (" + c.rows +
                                      "); every row is drawn from level " +
                                      std::to_string(c.drawn) + ", none magnified\n"
                                : "");
        EXPECT_TRUE(file_exists("out/pic_mosaic_level" + std::to_string(c.drawn) + ".png"));
    }
    const RunResult beyond = run(INSPECT_BINARY, "--mosaic 9 --png out pic");
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("no level 9"), std::string::npos) << beyond.err;
    const RunResult missing = run(INSPECT_BINARY, "--mosaic 2 --png out nothing");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no tile files"), std::string::npos) << missing.err;
}

TEST_F(InspectRun, CompareReportsEveryLevelAndTheWorstTile) {
    const RunResult text = run(INSPECT_BINARY, "--compare pic");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("4 x 3 tiles, 12 compared"), std::string::npos) << text.out;
    for (int level = 0; level <= 4; ++level)
        EXPECT_NE(text.out.find("level " + std::to_string(level) + ":"), std::string::npos)
            << level;
    EXPECT_NE(text.out.find("level 0: 4 tiles"), std::string::npos) << text.out;
    const RunResult json = run(INSPECT_BINARY, "--compare pic --json");
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(json.out.rfind("{\"base\":\"pic\",\"cols\":4,\"rows\":3,\"levels\":[", 0), 0u)
        << json.out;
    EXPECT_NE(json.out.find("\"file\":\"pic21c.vxt\",\"twin\":\"pic21.vxt\""), std::string::npos);
    EXPECT_NE(json.out.find("\"skipped\":[]"), std::string::npos);
}

TEST_F(InspectRun, TableAndJsonOfGoodFiles) {
    const RunResult r = run(INSPECT_BINARY, "pic11.vxt pic02c.vxt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("pic11.vxt: tile file, code 3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("5 levels stored, none dropped"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("3 levels stored, from level 2"), std::string::npos) << r.out;
    const RunResult j = run(INSPECT_BINARY, "--json pic11.vxt");
    EXPECT_NE(j.out.find("\"levels\":[{\"face\":0,\"level\":0,\"width\":16,\"height\":16"),
              std::string::npos)
        << j.out;
}

TEST_F(InspectRun, EveryBadFileKindEndsWithItsMessage) {
    const std::vector<uint8_t> tile = read_file("pic11.vxt");
    ASSERT_EQ(run(TEXTURE_BINARY, "-q --format dxt5 --rect 0,0,31,31 pic.bmp good.dds").status, 0);
    const std::vector<uint8_t> stream = read_file("good.dds");
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    auto with = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        put32(b, at, v);
        return b;
    };
    const Case cases[] = {
        {"short.vxt", std::vector<uint8_t>(tile.begin(), tile.end() - 1), "short file"},
        {"long.vxt",
         [&] {
             auto b = tile;
             b.push_back(1);
             return b;
         }(),
         "long file"},
        {"magic.vxt", with(tile, 0, 54321), "bad magic"},
        {"sizes.vxt", with(tile, 8, 0xFFFFFF00u), "impossible sizes"},
        {"code.vxt", with(tile, 4, 7),
         "tile format code 7 is none of a tile file's (3, 12, 100 + the format of bc7 or astc)"},
        {"short.dds", std::vector<uint8_t>(stream.begin(), stream.end() - 16), "short file"},
        {"long.dds",
         [&] {
             auto b = stream;
             b.resize(b.size() + 16);
             return b;
         }(),
         "long file"},
        {"sizes.dds", with(stream, 16, 0), "impossible sizes"},
        {"mips.dds", with(stream, 28, 30), "impossible sizes"},
        {"format.dds", with(stream, 84, 0x31545845), "the pixel-format block names no format"},
        {"tiny.dds", {'D', 'D'}, "short file"},
    };
    for (const Case& c : cases) {
        write_file(c.name, c.bytes);
        const RunResult r = run(INSPECT_BINARY, std::string("pic11.vxt ") + c.name);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_NE(r.err.find(std::string(c.name) + ": " + c.message), std::string::npos)
            << c.name << ": " << r.err;
        // The good file beside it is still reported.
        EXPECT_NE(r.out.find("pic11.vxt: tile file"), std::string::npos) << c.name;
        const RunResult j = run(INSPECT_BINARY, std::string("--json ") + c.name);
        EXPECT_EQ(j.status, 1);
        EXPECT_NE(j.out.find("\"ok\":false,\"error\":\"" + std::string(c.message)),
                  std::string::npos)
            << j.out;
        const RunResult png = run(INSPECT_BINARY, std::string("--png out ") + c.name);
        EXPECT_EQ(png.status, 1) << c.name;
    }
    EXPECT_EQ(run(INSPECT_BINARY, "missing.vxt").status, 1);
    // A FIFO is refused at once; opening it would wait for a writer.
    ASSERT_EQ(mkfifo("pipe.vxt", 0644), 0);
    const RunResult fifo = run(INSPECT_BINARY, "pipe.vxt");
    EXPECT_EQ(fifo.status, 1);
    EXPECT_NE(fifo.err.find("pipe.vxt: cannot open the file: not a regular file"),
              std::string::npos)
        << fifo.err;
}

TEST_F(InspectRun, CommandLineMistakes) {
    for (const char* args :
         {"", "--png", "--mosaic x --png out pic", "--mosaic 2 pic", "--compare",
          "--compare pic extra.vxt", "--frobnicate pic11.vxt", "--png out --json pic11.vxt"}) {
        const RunResult r = run(INSPECT_BINARY, args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << args;
    }
    EXPECT_EQ(run(INSPECT_BINARY, "--help").status, 0);
}

}  // namespace
