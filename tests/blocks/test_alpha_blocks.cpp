// The alpha halves: explicit nibbles, the interpolated search and its packing.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "blocks/alpha.h"
#include "blocks/blocks.h"
#include "tests/blocks/test_encode_support.h"

using namespace enc_test;

namespace {

std::vector<uint8_t> alpha_half(const std::vector<uint8_t>& block) {
    return std::vector<uint8_t>(block.begin(), block.begin() + 8);
}

std::vector<uint32_t> alpha_level(const std::vector<int>& alpha, int w, int h) {
    std::vector<uint32_t> px(size_t(w * h));
    for (size_t i = 0; i < px.size(); ++i) px[i] = argb(alpha[i], 40, 80, 120);
    return px;
}

void encode_alpha(const int alpha[16], int quick, uint8_t out[8]) {
    AlphaSamples a;
    encode_interp_alpha(alpha, 255, quick, a, out);
}

// Squared error of a decoded interpolated block against the 8-bit alphas.
double alpha_error(const uint8_t block[8], const int alpha[16]) {
    int decoded[16];
    decode_interp_alpha(block, decoded);
    double e = 0.0;
    for (int p = 0; p < 16; ++p) e += double(decoded[p] - alpha[p]) * (decoded[p] - alpha[p]);
    return e;
}

}  // namespace

TEST(ExplicitAlpha, NibblesRoundToTheNearestOfSixteenLevels) {
    const int alpha[16] = {255, 8, 9, 128, 0, 17, 25, 26, -1, -1, -1, -1, 255, -1, 255, -1};
    uint8_t out[8];
    encode_explicit_alpha(alpha, 255, out);
    // 8 * 15 / 255 = 0.47 -> 0; 9 -> 0.53 -> 1; 128 -> 7.53 -> 8; 25 -> 1.47 -> 1;
    // 26 -> 1.53 -> 2; outside pixels 0.
    const uint8_t want[8] = {0x0F, 0x81, 0x10, 0x21, 0x00, 0x00, 0x0F, 0x0F};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], want[i]) << i;
}

TEST(ExplicitAlpha, LevelOfTwoByTwoLeavesOutsidePixelsAtZero) {
    const auto level = alpha_level({255, 255, 255, 255}, 2, 2);
    EncodeOptions o;
    o.mode = BLOCK_MODE_EXPLICIT_ALPHA;
    o.quick = 1;
    const auto data = encode_level(level, 2, 2, o);
    ASSERT_EQ(data.size(), 16u);
    const std::vector<uint8_t> want = {0xFF, 0x00, 0xFF, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(alpha_half(data), want);
}

TEST(InterpAlpha, UniformOpaqueBlockStaysInSixValueOrder) {
    const auto level = alpha_level(std::vector<int>(16, 255), 4, 4);
    for (int quick = 0; quick < 2; ++quick) {
        EncodeOptions o;
        o.mode = BLOCK_MODE_INTERP_ALPHA;
        o.quick = quick;
        const std::vector<uint8_t> want = {255, 255, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(alpha_half(encode_level(level, 4, 4, o)), want) << quick;
    }
}

// All 0 or all 1: the eight-value configuration fits exactly and keeps its
// place on the tie; the packer then separates the equal end points.
TEST(InterpAlpha, AllZeroOrAllOneIsDecidedByTheFirstConfiguration) {
    for (float v : {0.0f, 1.0f}) {
        AlphaSamples a;
        a.count = 16;
        for (int i = 0; i < 16; ++i) a.samples[i] = v;
        fit_alpha_endpoints(a);
        EXPECT_EQ(a.levels, 8);
        EXPECT_EQ(a.a0, int(v * 255));
        EXPECT_EQ(a.a1, int(v * 255));
    }
    int zero[16] = {};
    uint8_t out[8];
    encode_alpha(zero, 0, out);
    const uint8_t want[8] = {0, 1, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], want[i]);
}

// Hard edges with a few soft pixels: only the six-value palette with the
// fixed 0 and 255 entries keeps both extremes exact and fits the rest.
TEST(InterpAlpha, ZeroAndOpaqueWithIntermediatesUseTheFixedEntries) {
    const int alpha[16] = {0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 255, 255, 100, 120, 140, 160};
    uint8_t out[8];
    encode_alpha(alpha, 0, out);
    EXPECT_LE(out[0], out[1]) << "six-value palette";
    int decoded[16];
    decode_interp_alpha(out, decoded);
    for (int p = 0; p < 12; ++p) {
        EXPECT_EQ(decoded[p], alpha[p]) << p;
        EXPECT_EQ(interp_alpha_index(out, p), alpha[p] == 0 ? 6 : 7) << p;
    }
    // The soft pixels lie on a six-value ramp from 100 to 160: within 4.
    for (int p = 12; p < 16; ++p) EXPECT_LE(std::abs(decoded[p] - alpha[p]), 4) << p;

    // Each single extreme is served by its own configuration as well.
    const int with_zero[16] = {0, 0, 0, 0, 0, 0, 0, 0, 200, 210, 220, 230, 240, 250, 245, 205};
    encode_alpha(with_zero, 0, out);
    decode_interp_alpha(out, decoded);
    for (int p = 0; p < 8; ++p) EXPECT_EQ(interp_alpha_index(out, p), 6) << p;
    for (int p = 8; p < 16; ++p) EXPECT_LE(std::abs(decoded[p] - with_zero[p]), 6) << p;
    const int with_one[16] = {255, 255, 255, 255, 255, 255, 255, 255, 0, 10, 20, 30, 40, 50, 5, 15};
    encode_alpha(with_one, 0, out);
    decode_interp_alpha(out, decoded);
    for (int p = 0; p < 8; ++p) EXPECT_EQ(interp_alpha_index(out, p), 7) << p;
    for (int p = 8; p < 16; ++p) EXPECT_LE(std::abs(decoded[p] - with_one[p]), 6) << p;
}

TEST(InterpAlpha, RefineSettlesOnOneValueAndOnExactRamps) {
    const float v = float(128 / 255.0);
    const float one[3] = {v, v, v};
    int a0 = -1, a1 = -1, index[8];
    EXPECT_NEAR(refine_alpha_levels(8, one, 3, a0, a1, index), 0.0, 1e-6);
    EXPECT_EQ(a0, 128);
    EXPECT_EQ(a1, 128);
    // Values on an exact eight-value ramp from 14 to 238 (step 32) come back
    // exactly, end points in order.
    float ramp[8];
    for (int i = 0; i < 8; ++i) ramp[i] = float((14 + 32 * i) / 255.0);
    EXPECT_NEAR(refine_alpha_levels(8, ramp, 8, a0, a1, index), 0.0, 1e-6);
    EXPECT_EQ(a0, 14);
    EXPECT_EQ(a1, 238);
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(index[7], 1);
    EXPECT_EQ(index[1], 2);
    // No values: no error, nothing written.
    a0 = a1 = -7;
    EXPECT_EQ(refine_alpha_levels(6, ramp, 0, a0, a1, index), 0.0);
    EXPECT_EQ(a0, -7);
}

// The packer's order rule and remapping must keep every pixel on the value
// the encoder chose for it.
TEST(InterpAlpha, PackingKeepsEveryChosenValue) {
    int slots[16];
    for (int p = 0; p < 16; ++p) slots[p] = p < 12 ? p : -1;
    for (int levels : {8, 6}) {
        for (int order = 0; order < 2; ++order) {
            AlphaSamples a;
            a.count = 12;
            a.levels = levels;
            a.a0 = order ? 200 : 10;
            a.a1 = order ? 10 : 200;
            for (int i = 0; i < 12; ++i) a.indices[i] = i % 8;
            // The encoder's palette, as positions from a0 to a1 plus 0 and 255.
            int want[12];
            for (int i = 0; i < 12; ++i) {
                const int k = i % 8;
                if (k == 0)
                    want[i] = a.a0;
                else if (k == 1)
                    want[i] = a.a1;
                else if (k < levels)
                    want[i] =
                        ((levels - k) * a.a0 + (k - 1) * a.a1 + (levels - 2) / 2) / (levels - 1);
                else
                    want[i] = k == 6 ? 0 : 255;
            }
            uint8_t out[8];
            pack_interp_alpha(a, slots, out);
            EXPECT_EQ(out[0] > out[1], levels == 8);
            int decoded[16];
            decode_interp_alpha(out, decoded);
            for (int i = 0; i < 12; ++i) EXPECT_EQ(decoded[i], want[i]) << levels << " " << i;
            for (int p = 12; p < 16; ++p) EXPECT_EQ(interp_alpha_index(out, p), 0);
        }
    }
}

// Over many blocks the search must do at least as well as the quick choice.
TEST(InterpAlpha, SearchBeatsQuickOnAverage) {
    Lcg rng(99);
    double full = 0.0, quick = 0.0;
    for (int n = 0; n < 3000; ++n) {
        int alpha[16];
        const int kind = n % 3;
        const int base = rng.below(256), spread = 1 + rng.below(120);
        for (int& a : alpha) {
            int v = kind == 0 ? rng.below(256) : base + rng.below(spread) - spread / 2;
            if (kind == 2 && rng.below(4) == 0) v = rng.below(2) ? 0 : 255;
            a = v < 0 ? 0 : (v > 255 ? 255 : v);
        }
        uint8_t out[8];
        encode_alpha(alpha, 0, out);
        full += alpha_error(out, alpha);
        encode_alpha(alpha, 1, out);
        quick += alpha_error(out, alpha);
    }
    EXPECT_LE(full, quick);
}
