// The neighbourhood variant: 6x6 windows, raised sizes of small levels, and
// the parts it shares with the plain level walk.
#include <gtest/gtest.h>

#include <vector>

#include "blocks/block_encoder.h"
#include "tests/blocks/test_encode_support.h"

using namespace enc_test;

namespace {

std::vector<uint32_t> random_level(int w, int h, uint32_t seed, bool random_alpha = false) {
    Lcg rng(seed);
    std::vector<uint32_t> px(size_t(w * h));
    for (auto& p : px)
        p = argb(random_alpha ? rng.below(256) : 255, rng.below(256), rng.below(256),
                 rng.below(256));
    return px;
}

int window_count(const WorkLevel& level, int x0, int y0, int mode, int* has_transparent = nullptr) {
    BlockSamples b;
    int slots[DIFFUSION_WINDOW_SLOTS];
    reset_block(b, slots, DIFFUSION_WINDOW_SLOTS, perceptual_weights);
    gather_window(level, x0, y0, mode, b, slots);
    if (has_transparent) *has_transparent = b.has_transparent;
    return b.count;
}

EncodeOptions diffused(int mode = BLOCK_MODE_OPAQUE, int quick = 0) {
    EncodeOptions o;
    o.mode = mode;
    o.quick = quick;
    o.diffusion = 1;
    return o;
}

}  // namespace

TEST(DiffusedBlocks, WindowSampleCountsInsideAtEdgesAndInCorners) {
    const auto px = random_level(12, 12, 1);
    const WorkLevel level = make_work_level(level_view(px, 12, 12), 12, 12, 0, 12);
    EXPECT_EQ(window_count(level, 4, 4, BLOCK_MODE_OPAQUE), 36);
    EXPECT_EQ(window_count(level, 0, 0, BLOCK_MODE_OPAQUE), 25);
    EXPECT_EQ(window_count(level, 8, 8, BLOCK_MODE_OPAQUE), 25);
    EXPECT_EQ(window_count(level, 8, 0, BLOCK_MODE_OPAQUE), 25);
    EXPECT_EQ(window_count(level, 4, 0, BLOCK_MODE_OPAQUE), 30);
}

TEST(DiffusedBlocks, TransparentRingPixelsAreLeftOut) {
    auto px = random_level(12, 12, 2);
    px[3 + 12 * 3] = argb(128, 10, 20, 30);  // ring of block (4, 4)
    px[8 + 12 * 8] = argb(129, 10, 20, 30);  // also ring, still opaque
    const WorkLevel level = make_work_level(level_view(px, 12, 12), 12, 12, 0, 12);
    int holes = 0;
    EXPECT_EQ(window_count(level, 4, 4, BLOCK_MODE_CUTOUT, &holes), 35);
    EXPECT_EQ(holes, 1);
    EXPECT_EQ(window_count(level, 4, 4, BLOCK_MODE_OPAQUE, &holes), 36);
    EXPECT_EQ(holes, 0);
    // The colour of a transparent ring pixel cannot matter.
    auto other = px;
    other[3 + 12 * 3] = argb(0, 250, 0, 250);
    for (int quick = 0; quick < 2; ++quick) {
        const auto a = encode_level(px, 12, 12, diffused(BLOCK_MODE_CUTOUT, quick));
        const auto b = encode_level(other, 12, 12, diffused(BLOCK_MODE_CUTOUT, quick));
        EXPECT_EQ(block_bytes(a, 4, 8), block_bytes(b, 4, 8));
    }
}

// A ring pixel pulls the end points of the block it borders but gets no
// index there.
TEST(DiffusedBlocks, RingPixelsShapeEndPointsButGetNoIndex) {
    std::vector<uint32_t> flat(64, argb(255, 100, 120, 140));
    auto spot = flat;
    spot[4 + 8 * 1] = argb(255, 250, 0, 0);  // column 4: block (4, 0), ring of block (0, 0)
    for (int quick = 0; quick < 2; ++quick) {
        const auto a = encode_level(flat, 8, 8, diffused(BLOCK_MODE_OPAQUE, quick));
        const auto b = encode_level(spot, 8, 8, diffused(BLOCK_MODE_OPAQUE, quick));
        EXPECT_NE(block_bytes(a, 0, 8), block_bytes(b, 0, 8));
        // The plain walk does not look beyond the block.
        EncodeOptions plain;
        plain.quick = quick;
        EXPECT_EQ(block_bytes(encode_level(flat, 8, 8, plain), 0, 8),
                  block_bytes(encode_level(spot, 8, 8, plain), 0, 8));
        // Block (0, 0) still decodes close to its own flat colour.
        const auto decoded = decode_level(b, 8, 8, BLOCK_MODE_OPAQUE);
        for (int p = 0; p < 16; ++p) {
            const uint32_t c = decoded[size_t((p & 3) + 8 * (p >> 2))];
            EXPECT_LE(std::abs(red_of(c) - 100), 12) << p;
            EXPECT_LE(std::abs(green_of(c) - 120), 12) << p;
        }
    }
}

// Levels below a block are raised to 4 in that direction; the raised
// positions repeat the nearest real pixel and are sampled and indexed.
TEST(DiffusedBlocks, SmallLevelsAreRaisedAndRepeatTheirEdge) {
    const auto px = random_level(2, 3, 3);
    const WorkLevel level = make_work_level(level_view(px, 2, 3), 4, 4, 0, 4);
    EXPECT_EQ(level.at(3, 0).r, level.at(1, 0).r);
    EXPECT_EQ(level.at(3, 3).g, level.at(1, 2).g);
    EXPECT_EQ(level.at(0, 3).b, level.at(0, 2).b);
    EXPECT_EQ(window_count(level, 0, 0, BLOCK_MODE_OPAQUE), 16);

    // A single red pixel fills the whole raised block: every index is 1.
    for (int quick = 0; quick < 2; ++quick) {
        const auto one =
            encode_level({argb(255, 255, 0, 0)}, 1, 1, diffused(BLOCK_MODE_OPAQUE, quick));
        EXPECT_EQ(one, std::vector<uint8_t>({0x01, 0xF8, 0x00, 0xF8, 0x55, 0x55, 0x55, 0x55}));
    }
    // Thin levels in every mode stay within their pixels (checked under the
    // address sanitizer) and fill exactly one row or column of blocks.
    for (int mode : {BLOCK_MODE_OPAQUE, BLOCK_MODE_CUTOUT, BLOCK_MODE_EXPLICIT_ALPHA,
                     BLOCK_MODE_INTERP_ALPHA}) {
        for (const auto& size : {std::pair<int, int>{1, 8}, {8, 2}, {3, 1}}) {
            const auto thin = random_level(size.first, size.second, 4, true);
            const auto data2 = encode_level(thin, size.first, size.second, diffused(mode));
            EXPECT_EQ(int(data2.size()), block_data_size(size.first, size.second, mode));
        }
    }
}

// Every level uses four-colour blocks, even one larger than a block.
TEST(DiffusedBlocks, SolidWhiteTakesFourColourOrder) {
    const std::vector<uint32_t> white(64, argb(255, 255, 255, 255));
    const auto data = encode_level(white, 8, 8, diffused());
    for (size_t k = 0; k < 4; ++k)
        EXPECT_EQ(block_bytes(data, k, 8), std::vector<uint8_t>({0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
}

// The alpha halves look only at the block's own pixels, as in the plain walk.
TEST(DiffusedBlocks, AlphaHalvesMatchThePlainWalk) {
    const auto px = random_level(12, 8, 5, true);
    for (int mode : {BLOCK_MODE_EXPLICIT_ALPHA, BLOCK_MODE_INTERP_ALPHA}) {
        for (int quick = 0; quick < 2; ++quick) {
            EncodeOptions plain;
            plain.mode = mode;
            plain.quick = quick;
            const auto a = encode_level(px, 12, 8, plain);
            const auto b = encode_level(px, 12, 8, diffused(mode, quick));
            for (size_t k = 0; k < 6; ++k)
                EXPECT_EQ(
                    std::vector<uint8_t>(a.begin() + long(16 * k), a.begin() + long(16 * k + 8)),
                    std::vector<uint8_t>(b.begin() + long(16 * k), b.begin() + long(16 * k + 8)))
                    << mode << " " << k;
        }
    }
}

// Every pixel the cutout mode drops as transparent must decode as transparent:
// blocks with transparent pixels of their own keep to three colours, in the
// variant as in the plain walk.
TEST(DiffusedBlocks, CutoutKeepsEveryTransparentPixel) {
    const int w = 32, h = 32;
    Lcg rng(7);
    std::vector<uint32_t> px(size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Scattered holes over a busy picture: many blocks mix both kinds.
            const int a = rng.below(5) == 0 ? rng.below(129) : 129 + rng.below(127);
            px[size_t(x + y * w)] = argb(a, rng.below(256), (x * 8) & 255, (y * 8) & 255);
        }
    for (int quick = 0; quick < 2; ++quick) {
        const auto data = encode_level(px, w, h, diffused(BLOCK_MODE_CUTOUT, quick));
        const auto out = decode_level(data, w, h, BLOCK_MODE_CUTOUT);
        int transparent = 0, lost = 0;
        for (size_t i = 0; i < px.size(); ++i) {
            if (alpha_of(px[i]) > 128) continue;
            ++transparent;
            if (alpha_of(out[i]) != 0) ++lost;
        }
        EXPECT_GT(transparent, 100);
        EXPECT_EQ(lost, 0) << "quick " << quick;
    }
}
