// The level walk and the colour block bytes: small and partial levels, solid
// blocks in both palette orders, the cutout threshold, descriptors and masks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "blocks/block_encoder.h"
#include "blocks/blocks.h"
#include "tests/blocks/test_encode_support.h"

using namespace enc_test;

namespace {

const uint32_t kWhite = argb(255, 255, 255, 255);
const uint32_t kBlack = argb(255, 0, 0, 0);

std::vector<uint8_t> bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list) v.push_back(uint8_t(b));
    return v;
}

std::vector<uint32_t> solid(int w, int h, uint32_t word) {
    return std::vector<uint32_t>(size_t(w * h), word);
}

std::vector<uint32_t> random_level(int w, int h, uint32_t seed) {
    Lcg rng(seed);
    std::vector<uint32_t> px(size_t(w * h));
    for (auto& p : px) p = argb(255, rng.below(256), rng.below(256), rng.below(256));
    return px;
}

}  // namespace

TEST(EncodeBlocks, OutputSizeOfSmallAndOddLevels) {
    EXPECT_EQ(block_data_size(5, 3, BLOCK_MODE_INTERP_ALPHA), 32);
    EXPECT_EQ(block_data_size(1, 1, BLOCK_MODE_OPAQUE), 8);
    EXPECT_EQ(block_data_size(2, 2, BLOCK_MODE_CUTOUT), 8);
    EXPECT_EQ(block_data_size(4, 2, BLOCK_MODE_EXPLICIT_ALPHA), 16);
    EXPECT_EQ(block_data_size(512, 512, BLOCK_MODE_OPAQUE), 131072);
}

// Solid white: both end points encode to 0xFFFF; the equal-end-point rule
// wraps c0 to 0, and the order rule then decides the palette.
TEST(EncodeBlocks, SolidWhiteInBothPaletteOrders) {
    for (int quick = 0; quick < 2; ++quick) {
        EncodeOptions o;
        o.quick = quick;
        // A one-block level with every pixel gathered may use four colours.
        EXPECT_EQ(encode_level(solid(4, 4, kWhite), 4, 4, o), bytes({0xFF, 0xFF, 0, 0, 0, 0, 0, 0}))
            << "quick " << quick;
    }
    // Larger levels keep to three colours in the full search: no swap.
    const auto three = encode_level(solid(8, 8, kWhite), 8, 8);
    for (size_t k = 0; k < 4; ++k)
        EXPECT_EQ(block_bytes(three, k, 8), bytes({0, 0, 0xFF, 0xFF, 0x55, 0x55, 0x55, 0x55}));
    EncodeOptions force;
    force.force_four = 1;
    const auto four = encode_level(solid(8, 8, kWhite), 8, 8, force);
    EXPECT_EQ(block_bytes(four, 3, 8), bytes({0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
}

TEST(EncodeBlocks, SolidBlackInBothPaletteOrders) {
    EXPECT_EQ(encode_level(solid(4, 4, kBlack), 4, 4), bytes({1, 0, 0, 0, 0x55, 0x55, 0x55, 0x55}));
    const auto three = encode_level(solid(8, 4, kBlack), 8, 4);
    EXPECT_EQ(block_bytes(three, 1, 8), bytes({0, 0, 1, 0, 0, 0, 0, 0}));
    EncodeOptions quick;
    quick.quick = 1;
    EXPECT_EQ(encode_level(solid(4, 4, kBlack), 4, 4, quick),
              bytes({1, 0, 0, 0, 0x55, 0x55, 0x55, 0x55}));
}

// One block per small level; pixels outside the level carry index 3.
TEST(EncodeBlocks, SmallLevelsMakeOneBlockWithIndexThreeOutside) {
    const uint32_t red = argb(255, 255, 0, 0);
    for (int quick = 0; quick < 2; ++quick) {
        EncodeOptions o;
        o.quick = quick;
        // 1x1: one sample, the same end point twice, separated to F801/F800.
        EXPECT_EQ(encode_level({red}, 1, 1, o),
                  bytes({0x01, 0xF8, 0x00, 0xF8, 0xFD, 0xFF, 0xFF, 0xFF}));
        const std::vector<uint32_t> two = {kBlack, kWhite, kWhite, kBlack};
        const auto b2 = encode_level(two, 2, 2, o);
        ASSERT_EQ(b2.size(), 8u);
        const auto b4 =
            encode_level({kBlack, kWhite, kBlack, kWhite, kWhite, kBlack, kWhite, kBlack}, 4, 2, o);
        ASSERT_EQ(b4.size(), 8u);
        Colour c[16];
        decode_colour_block(b2.data(), c);
        for (int p = 0; p < 16; ++p) {
            const bool inside = (p & 3) < 2 && (p >> 2) < 2;
            if (!inside) {
                EXPECT_EQ(colour_index(b2.data(), p), 3) << p;
                continue;
            }
            const uint32_t want = two[size_t((p & 3) + 2 * (p >> 2))];
            EXPECT_EQ(c[p].r, red_of(want));
            EXPECT_EQ(c[p].g, green_of(want));
        }
        for (int p = 8; p < 16; ++p) EXPECT_EQ(colour_index(b4.data(), p), 3) << p;
        decode_colour_block(b4.data(), c);
        EXPECT_EQ(c[0].r, 0);
        EXPECT_EQ(c[1].r, 255);
        EXPECT_EQ(c[4].r, 255);
    }
}

// A partial block reads only its own pixels: the columns beyond the level's
// width are never taken from the next row.
TEST(EncodeBlocks, PartialEdgeBlocksIgnoreTheirMissingPixels) {
    auto narrow = random_level(5, 4, 11);
    auto tall = random_level(5, 8, 12);
    for (int y = 0; y < 4; ++y) tall[size_t(4 + 5 * y)] = narrow[size_t(4 + 5 * y)];
    for (int quick = 0; quick < 2; ++quick) {
        EncodeOptions o;
        o.quick = quick;
        const auto a = encode_level(narrow, 5, 4, o);
        const auto b = encode_level(tall, 5, 8, o);
        ASSERT_EQ(a.size(), 16u);
        ASSERT_EQ(b.size(), 32u);
        EXPECT_EQ(block_bytes(a, 1, 8), block_bytes(b, 1, 8));
        for (int row = 0; row < 4; ++row)
            for (int col = 1; col < 4; ++col)
                EXPECT_EQ(colour_index(a.data() + 8, 4 * row + col), 3);
    }
    // Bottom edge of a 6x6 level: rows 6 and 7 of the last blocks are outside.
    const auto six = encode_level(random_level(6, 6, 13), 6, 6);
    ASSERT_EQ(six.size(), 32u);
    for (int p = 8; p < 16; ++p) EXPECT_EQ(colour_index(six.data() + 24, p), 3) << p;
    for (int p = 0; p < 8; p += 4) {
        EXPECT_EQ(colour_index(six.data() + 24, p + 2), 3) << p;
        EXPECT_EQ(colour_index(six.data() + 24, p + 3), 3) << p;
    }
}

TEST(EncodeBlocks, CutoutThresholdKeepsAlpha128TransparentAnd129Opaque) {
    auto level = solid(4, 4, kWhite);
    level[5] = argb(128, 255, 255, 255);
    EncodeOptions o;
    o.mode = BLOCK_MODE_CUTOUT;
    // Fifteen white samples on a one-block level of sixteen pixels: three
    // colours, end points 0x0000 / 0xFFFF, white is index 1, pixel 5 index 3.
    EXPECT_EQ(encode_level(level, 4, 4, o), bytes({0, 0, 0xFF, 0xFF, 0x55, 0x5D, 0x55, 0x55}));
    // At 129 all sixteen are samples; the cutout mode still separates equal
    // end points into three-colour order, so white is index 1 everywhere.
    level[5] = argb(129, 255, 255, 255);
    EXPECT_EQ(encode_level(level, 4, 4, o), bytes({0, 0, 0xFF, 0xFF, 0x55, 0x55, 0x55, 0x55}));
    o.quick = 1;
    level[5] = argb(128, 255, 255, 255);
    EXPECT_EQ(encode_level(level, 4, 4, o), bytes({0, 0, 0xFF, 0xFF, 0x55, 0x5D, 0x55, 0x55}));
}

TEST(EncodeBlocks, AllTransparentCutoutBlock) {
    for (int quick = 0; quick < 2; ++quick) {
        EncodeOptions o;
        o.mode = BLOCK_MODE_CUTOUT;
        o.quick = quick;
        const auto level = solid(8, 4, argb(0, 200, 10, 30));
        const auto data = encode_level(level, 8, 4, o);
        for (size_t k = 0; k < 2; ++k)
            EXPECT_EQ(block_bytes(data, k, 8), bytes({0, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    }
}

// Whatever the colours, a cutout block with a dropped pixel must stay in
// three-colour order, or its index 3 would not be transparent.
TEST(EncodeBlocks, CutoutBlocksWithHolesStayInThreeColourOrder) {
    Lcg rng(77);
    for (int quick = 0; quick < 2; ++quick) {
        std::vector<uint32_t> level(64 * 16);
        for (auto& p : level)
            p = argb(rng.below(4) == 0 ? 0 : 255, rng.below(256), rng.below(256), rng.below(256));
        EncodeOptions o;
        o.mode = BLOCK_MODE_CUTOUT;
        o.quick = quick;
        const auto data = encode_level(level, 64, 16, o);
        const auto decoded = decode_level(data, 64, 16, BLOCK_MODE_CUTOUT);
        for (size_t k = 0; k < data.size() / 8; ++k) {
            const int x0 = int(k % 16) * 4, y0 = int(k / 16) * 4;
            bool hole = false;
            for (int p = 0; p < 16; ++p)
                hole |= alpha_of(level[size_t(x0 + (p & 3) + 64 * (y0 + (p >> 2)))]) == 0;
            if (hole) {
                EXPECT_LE(read16(&data[8 * k]), read16(&data[8 * k + 2])) << k;
            }
        }
        for (size_t i = 0; i < level.size(); ++i)
            EXPECT_EQ(alpha_of(decoded[i]) == 0, alpha_of(level[i]) == 0) << i;
    }
}

// The record is reused from block to block: a block's bytes may not depend
// on what was encoded before it.
TEST(EncodeBlocks, BlockBytesDoNotDependOnThePreviousBlock) {
    const int modes[4] = {BLOCK_MODE_OPAQUE, BLOCK_MODE_CUTOUT, BLOCK_MODE_EXPLICIT_ALPHA,
                          BLOCK_MODE_INTERP_ALPHA};
    Lcg rng(5);
    for (int mode : modes) {
        for (int quick = 0; quick < 2; ++quick) {
            std::vector<uint32_t> first(8 * 4), second(8 * 4);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 8; ++x) {
                    const size_t i = size_t(x + 8 * y);
                    if (x < 4) {
                        first[i] =
                            argb(rng.below(256), rng.below(256), rng.below(256), rng.below(256));
                        second[i] = argb(255, 20, 20, 20);
                    } else {
                        // A solid or fully transparent block after a busy one.
                        first[i] = second[i] =
                            argb(mode == BLOCK_MODE_CUTOUT ? 0 : 255, 90, 90, 90);
                    }
                }
            EncodeOptions o;
            o.mode = mode;
            o.quick = quick;
            const size_t per = (mode & 0xFF00) ? 16 : 8;
            EXPECT_EQ(block_bytes(encode_level(first, 8, 4, o), 1, per),
                      block_bytes(encode_level(second, 8, 4, o), 1, per))
                << "mode " << mode << " quick " << quick;
        }
    }
}

// The level view: the channel order and a row pitch with padding give the
// bytes of the packed blue-green-red-alpha level, and any band of block rows
// gives the whole level's bytes at its place.
TEST(EncodeBlocks, LevelViewOrderPitchAndBands) {
    auto level = random_level(20, 18, 21);
    for (size_t i = 0; i < level.size(); i += 3) level[i] &= 0x00FFFFFF;  // some transparent
    std::vector<uint8_t> rgba(level.size() * 4 + 64);
    const int64_t pitch = 20 * 4 + 8;  // rows padded by two pixels
    std::vector<uint8_t> padded(size_t(pitch) * 18, 0xEE);
    for (size_t i = 0; i < level.size(); ++i) {
        const uint32_t w = level[i];
        const uint8_t bytes[4] = {uint8_t(red_of(w)), uint8_t(green_of(w)), uint8_t(blue_of(w)),
                                  uint8_t(alpha_of(w))};
        for (int c = 0; c < 4; ++c) rgba[4 * i + size_t(c)] = bytes[c];
        std::memcpy(&padded[(i / 20) * size_t(pitch) + (i % 20) * 4], &w, 4);
    }
    for (int mode : {BLOCK_MODE_OPAQUE, BLOCK_MODE_CUTOUT, BLOCK_MODE_INTERP_ALPHA})
        for (int quick = 0; quick < 2; ++quick)
            for (int diffusion = 0; diffusion < 2; ++diffusion) {
                EncodeOptions o;
                o.mode = mode;
                o.quick = quick;
                o.diffusion = diffusion;
                const auto whole = encode_level(level, 20, 18, o);
                const int64_t size = int64_t(whole.size());
                const BlockOptions options = block_options(o);
                const std::vector<std::pair<BlockLevel, const char*>> views = {
                    {BlockLevel{rgba.data(), 20, 18, 80, ChannelOrder::Rgba}, "rgba"},
                    {BlockLevel{padded.data(), 20, 18, pitch, ChannelOrder::Bgra}, "padded"}};
                for (const auto& [view, name] : views) {
                    std::vector<uint8_t> out(whole.size());
                    ASSERT_EQ(encode_blocks(view, options, out.data(), size), BlockResult::Ok);
                    EXPECT_EQ(out, whole) << name << " mode " << mode << " quick " << quick;
                }
                // Bands of one and of two block rows, out of order.
                const size_t row_bytes = whole.size() / 5;
                std::vector<uint8_t> banded(whole.size());
                for (int first : {3, 0, 1, 4}) {
                    const int rows = first == 1 ? 2 : 1;
                    ASSERT_EQ(encode_block_rows(level_view(level, 20, 18), options, first, rows,
                                                &banded[row_bytes * size_t(first)],
                                                int64_t(row_bytes) * rows),
                              BlockResult::Ok);
                }
                EXPECT_EQ(banded, whole) << "bands, mode " << mode << " diffusion " << diffusion;
            }
}

TEST(EncodeBlocks, RefusesCallsItCannotServe) {
    const auto level = solid(8, 8, kWhite);
    const BlockLevel view = level_view(level, 8, 8);
    const BlockOptions plain = block_options(EncodeOptions());
    BlockOptions unknown_mode = plain;
    unknown_mode.mode = 1;
    BlockLevel short_pitch = view;
    short_pitch.pitch = 28;
    BlockLevel no_pixels = view;
    no_pixels.pixels = nullptr;
    std::vector<uint8_t> data(32, 0xCD);
    struct Case {
        BlockLevel level;
        BlockOptions options;
        int32_t first, rows;
        bool has_out;
        int64_t size;
        BlockResult expected;
    } cases[] = {
        {view, plain, 0, 2, true, 24, BlockResult::Refused},  // too small a buffer
        {view, unknown_mode, 0, 2, true, 32, BlockResult::Refused},
        {view, plain, 0, 2, false, 32, BlockResult::Refused},
        {no_pixels, plain, 0, 2, true, 32, BlockResult::Refused},
        {short_pitch, plain, 0, 2, true, 32, BlockResult::Refused},
        {view, plain, 1, 2, true, 32, BlockResult::Refused},  // rows past the level
        {view, plain, -1, 1, true, 32, BlockResult::Refused},
        {view, plain, 2, 0, true, 0, BlockResult::Ok},  // no rows: nothing to do
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encode_block_rows(c.level, c.options, c.first, c.rows,
                                    c.has_out ? data.data() : nullptr, c.size),
                  c.expected);
        EXPECT_EQ(data, std::vector<uint8_t>(32, 0xCD));
    }
    EXPECT_EQ(encode_blocks(view, plain, data.data(), 32), BlockResult::Ok);
    EXPECT_STRNE(block_result_message(BlockResult::Ok), block_result_message(BlockResult::Refused));
}

// The quick search on blocks of one colour (which the walk answers without
// gathering): the colour's nearest codes as both end points, separated by
// the equal-end-point rule, every pixel on the colour.
TEST(EncodeBlocks, QuickSolidBlocksGiveTheColoursOwnCodes) {
    Lcg rng(31);
    auto nearest = [](int v, int top, int (*expand)(int)) {
        int best = 0;
        for (int k = 1; k <= top; ++k)
            if (std::abs(expand(k) - v) < std::abs(expand(best) - v)) best = k;
        return best;
    };
    std::vector<uint32_t> level(16 * 8);
    std::vector<uint32_t> colours(8);
    for (auto& c : colours)
        c = argb(rng.below(256), rng.below(256), rng.below(256), rng.below(256));
    colours[0] = argb(255, 255, 255, 255);
    colours[1] = argb(7, 0, 0, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            level[size_t(x + 16 * y)] = colours[size_t(x / 4 + 4 * (y / 4))];
    EncodeOptions o;
    o.quick = 1;
    for (int force = 0; force < 2; ++force) {
        o.force_four = force;
        const auto data = encode_level(level, 16, 8, o);
        for (size_t k = 0; k < 8; ++k) {
            const uint32_t c = colours[k];
            const uint32_t code =
                uint32_t(nearest(red_of(c), 31, expand5) << 11 |
                         nearest(green_of(c), 63, expand6) << 5 | nearest(blue_of(c), 31, expand5));
            const uint32_t c0 = (code + 1) & 0xFFFF;
            const bool swapped = code >= c0;  // only white wraps
            EXPECT_EQ(read16(&data[8 * k]), swapped ? code : c0) << k;
            EXPECT_EQ(read16(&data[8 * k + 2]), swapped ? c0 : code) << k;
            EXPECT_EQ(read32(&data[8 * k + 4]), swapped ? 0u : 0x55555555u) << k;
        }
    }
}
