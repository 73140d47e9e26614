// The tool's job, mimicked: a 1024 x 1024 picture (rows of R, G, B) cut into
// tiles, each compressed twice through a sink that drops the magic, the
// header and the skipped levels, as the tool's tile sink does. Also pins the
// bytes of the 24-bit output.
#include <gtest/gtest.h>

#include "tests/common/pin_report.h"
#include "texcomp_test_util.h"

namespace {

// The tool's level-skipping sink, reduced to memory.
struct TileFile {
    int32_t calls = 0;
    int32_t skip_levels = 0;
    std::vector<std::vector<uint8_t>> levels;

    static int32_t sink(int32_t count, const uint8_t* buffer, void* user) {
        auto* t = static_cast<TileFile*>(user);
        t->calls += 1;
        if (t->calls < 3) return 0;
        if (t->skip_levels != 0 && t->calls < t->skip_levels + 3) return 0;
        t->levels.emplace_back(buffer, buffer + count);
        return count;
    }
};

struct TileJob {
    std::vector<uint8_t> picture;
    int32_t width, height, tile_w, tile_h;

    TileFile compress(int32_t col, int32_t row, int32_t code, int32_t skip) const {
        TileFile file;
        file.skip_levels = skip;
        TextureSettings s;
        texture_settings_init(s);
        s.user = &file;
        s.g_texture_format = code;
        s.g_b_swap_rgb = code == 0 ? 1 : 0;
        const uint8_t* tile = picture.data() + static_cast<size_t>(row) * tile_h * width * 3 +
                              static_cast<size_t>(col) * tile_w * 3;
        s.write_sink = &TileFile::sink;
        EXPECT_EQ(compress_texture(tile, tile_w, tile_h, width * 3, s, 3, nullptr, nullptr), 0);
        return file;
    }
    int32_t skip_of(int32_t row) const {
        const int32_t rows = height / tile_h;
        return row == 0 ? 1 : (row == rows - 1 ? 2 : 0);
    }
    std::vector<uint8_t> source_tile(int32_t col, int32_t row) const {
        std::vector<uint8_t> out;
        for (int32_t y = 0; y < tile_h; ++y) {
            const uint8_t* src = picture.data() +
                                 (static_cast<size_t>(row) * tile_h + y) * width * 3 +
                                 static_cast<size_t>(col) * tile_w * 3;
            out.insert(out.end(), src, src + tile_w * 3);
        }
        return out;
    }
};

std::vector<size_t> stored_sizes(int32_t side, int32_t code, int32_t skip) {
    std::vector<size_t> sizes;
    int level = 0;
    for (int32_t s = side;; s = (s + 1) / 2, ++level) {
        if (level >= skip) sizes.push_back(static_cast<size_t>(texture_level_size(code, s, s)));
        if (s == 1) break;
    }
    return sizes;
}

void run_job(const TileJob& job) {
    for (int32_t row = 0; row < job.height / job.tile_h; ++row)
        for (int32_t col = 0; col < job.width / job.tile_w; ++col) {
            SCOPED_TRACE(testing::Message() << "tile " << col << "," << row);
            const int32_t skip = job.skip_of(row);
            const TileFile rgb = job.compress(col, row, 8, skip);
            std::vector<size_t> sizes;
            for (const auto& l : rgb.levels) sizes.push_back(l.size());
            EXPECT_EQ(sizes, stored_sizes(job.tile_w, 8, skip));
            if (skip == 0) {
                ASSERT_FALSE(rgb.levels.empty());
                EXPECT_EQ(rgb.levels[0], job.source_tile(col, row));
            }
            const TileFile dxt = job.compress(col, row, 0, skip);
            sizes.clear();
            for (const auto& l : dxt.levels) sizes.push_back(l.size());
            EXPECT_EQ(sizes, stored_sizes(job.tile_w, 0, skip));
        }
}

}  // namespace

TEST(TileJob, DefaultTilesOfAThousandSquare) {
    TileJob job{gradient_picture(1024, 1024, 3), 1024, 1024, 512, 512};
    // Two rows: the top row stored from level 1, the bottom row from level 2.
    EXPECT_EQ(stored_sizes(512, 8, 1).front(), 196608u);
    EXPECT_EQ(stored_sizes(512, 0, 2).size(), 8u);
    run_job(job);
}

TEST(TileJob, MiddleRowsKeepTheSourceTile) {
    // Quarter tiles (the tool's arguments -4 -4): rows 1 and 2 store level 0,
    // which must be the source tile in R, G, B order.
    TileJob job{pattern_picture(1024, 1024, 3, 21), 1024, 1024, 256, 256};
    run_job(job);
}

TEST(TileJob, TwentyFourBitOutputIsPinned) {
    // Fixed picture, whole 24-bit stream hashed: any change of these bytes
    // (take-in, chain, resampler, conversion) shows up here. A deliberate
    // change of the resampler's arithmetic changes the value legitimately.
    const auto pic = gradient_picture(512, 384, 3);
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    ASSERT_EQ(compress_texture(pic.data(), 512, 384, 512 * 3, s, 3, nullptr, nullptr), 0);
    uint64_t h = 1469598103934665603ull;
    std::vector<PinPart> parts;
    for (size_t i = 0; i < cap.runs.size(); ++i) {
        h = fnv1a(cap.runs[i].bytes, h);
        const std::string name =
            i < 2 ? (i == 0 ? "magic" : "header") : "level " + std::to_string(i - 2);
        parts.push_back({name, cap.runs[i].bytes, size_t(512) * 3, "row of 512 pixels"});
    }
    EXPECT_EQ(cap.runs.size(), 2u + 10u);
    const std::string where = pin_difference("texcomp_24bit_tile", parts);
    EXPECT_EQ(h, 2250373813463708177ull) << h << "; " << where;
}

TEST(TileJob, BlockOutputIsPinned) {
    // The block file's whole stream on a fixed picture with smooth areas,
    // edges and noise, as photographs have: the end-point search, its
    // rounding and the chain all feed these bytes.
    const int32_t side = 256;
    auto pic = gradient_picture(side, side, 3);
    const auto noise = pattern_picture(side, side, 3, 9);
    for (size_t i = 0; i < pic.size(); ++i)
        pic[i] =
            static_cast<uint8_t>(pic[i] / 2 + (noise[i] & 0x1F) + ((i / 3) % 97 < 40 ? 60 : 0));
    Capture cap;
    TextureSettings s = settings_for(0, &cap);
    s.g_b_swap_rgb = 1;
    ASSERT_EQ(compress_texture(pic.data(), side, side, side * 3, s, 3, nullptr, nullptr), 0);
    uint64_t h = 1469598103934665603ull;
    std::vector<PinPart> parts;
    for (size_t i = 0; i < cap.runs.size(); ++i) {
        h = fnv1a(cap.runs[i].bytes, h);
        const std::string name =
            i < 2 ? (i == 0 ? "magic" : "header") : "level " + std::to_string(i - 2);
        parts.push_back({name, cap.runs[i].bytes, 8, "block"});
    }
    EXPECT_EQ(cap.runs.size(), 2u + 9u);
    const std::string where = pin_difference("texcomp_block_tile", parts);
    EXPECT_EQ(h, 782449673081637511ull) << h << "; " << where;
}
