// The small rules of the colour block: code rounding, the normal-map weights,
// the quick end-point choice and the packer's order and equal-end-point rules.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "blocks/block_encoder.h"
#include "tests/blocks/test_encode_support.h"

using namespace enc_test;

TEST(CodeRounding, WideningReplicatesTheTopBits) {
    EXPECT_EQ(expand5(0), 0);
    EXPECT_EQ(expand5(31), 255);
    EXPECT_EQ(expand5(16), 132);
    EXPECT_EQ(expand6(63), 255);
    EXPECT_EQ(expand6(32), 130);
    // Widening is strictly increasing, so each code has its own 8-bit value.
    for (int k = 1; k < 32; ++k) EXPECT_GT(expand5(k), expand5(k - 1));
    for (int k = 1; k < 64; ++k) EXPECT_GT(expand6(k), expand6(k - 1));
}

TEST(CodeRounding, NearestCodeIsTheClosestWidenedValueTiesDown) {
    for (int v = 0; v < 256; ++v) {
        const int k5 = nearest_code5(v);
        const int k6 = nearest_code6(v);
        for (int k = 0; k < 32; ++k) {
            const int d = std::abs(expand5(k) - v), best = std::abs(expand5(k5) - v);
            EXPECT_TRUE(d > best || (d == best && k >= k5)) << v << " " << k;
        }
        for (int k = 0; k < 64; ++k) {
            const int d = std::abs(expand6(k) - v), best = std::abs(expand6(k6) - v);
            EXPECT_TRUE(d > best || (d == best && k >= k6)) << v << " " << k;
        }
    }
    // Every widened value comes back to its own code.
    for (int k = 0; k < 32; ++k) EXPECT_EQ(nearest_code5(expand5(k)), k);
    for (int k = 0; k < 64; ++k) EXPECT_EQ(nearest_code6(expand6(k)), k);
    // 250 lies closer to code 30 (247) than to code 31 (255).
    EXPECT_EQ(nearest_code5(250), 30);
}

namespace {

BlockSamples samples_of(std::initializer_list<std::array<double, 3>> list) {
    BlockSamples b;
    int slots[16];
    const float w[3] = {0.309f, 0.609f, 0.082f};
    reset_block(b, slots, 16, w);
    for (const auto& s : list) {
        for (int c = 0; c < 3; ++c) b.samples[b.count][c] = s[size_t(c)];
        ++b.count;
    }
    return b;
}

void expect_weights(const BlockSamples& b, double r, double g, double bl) {
    EXPECT_EQ(b.weights[0], r);
    EXPECT_EQ(b.weights[1], g);
    EXPECT_EQ(b.weights[2], bl);
}

}  // namespace

TEST(NormalMapWeights, TypeOneIgnoresTheOrdinaryWeights) {
    BlockSamples b = samples_of({{1.0, 0.5, 0.5}});
    choose_block_weights(b, 1);
    expect_weights(b, 0.4, 0.4, 0.2);
    // Through the encoder: grey-scale weights or ordinary ones, same bytes.
    Lcg rng(3);
    std::vector<uint32_t> level(16 * 16);
    for (auto& p : level) p = argb(255, rng.below(256), rng.below(256), rng.below(256));
    const float ones[3] = {1.0f, 1.0f, 1.0f};
    EncodeOptions grey;
    grey.normalmap_type = 1;
    grey.weights = ones;
    EncodeOptions plain;
    plain.normalmap_type = 1;
    EXPECT_EQ(encode_level(level, 16, 16, grey), encode_level(level, 16, 16, plain));
    plain.normalmap_type = 0;
    EXPECT_NE(encode_level(level, 16, 16, grey), encode_level(level, 16, 16, plain));
}

TEST(NormalMapWeights, TypeTwoRanksChannelsByTheMeanDirection) {
    BlockSamples x = samples_of({{1.0, 0.5, 0.5}, {1.0, 0.5, 0.5}});
    choose_block_weights(x, 2);
    expect_weights(x, 0.5, 0.3, 0.2);  // green before blue on their tie
    BlockSamples z = samples_of({{0.5, 0.75, 1.0}, {0.5, 0.75, 1.0}});
    choose_block_weights(z, 2);
    expect_weights(z, 0.2, 0.3, 0.5);
    // Red and green tie for the largest share: red first.
    BlockSamples tie = samples_of({{0.0, 1.0, 0.5}});
    choose_block_weights(tie, 2);
    expect_weights(tie, 0.5, 0.3, 0.2);
    // A mean direction of zero.
    BlockSamples flat = samples_of({{0.0, 0.25, 0.5}, {1.0, 0.75, 0.5}});
    choose_block_weights(flat, 2);
    expect_weights(flat, 0.2, 0.3, 0.5);
    // Other types keep the weights they were given.
    BlockSamples plain = samples_of({{0.2, 0.2, 0.2}});
    choose_block_weights(plain, 0);
    expect_weights(plain, double(0.309f), double(0.609f), double(0.082f));
}

TEST(QuickFit, FarthestPairBecomesTheEndPoints) {
    BlockSamples b =
        samples_of({{0.5, 0.5, 0.5}, {0.0, 0.0, 1.0}, {0.6, 0.5, 0.5}, {1.0, 1.0, 0.0}});
    quick_colour_fit(b);
    EXPECT_EQ(b.endpoints[0][0], 0);
    EXPECT_EQ(b.endpoints[0][1], 0);
    EXPECT_EQ(b.endpoints[0][2], 31);
    EXPECT_EQ(b.endpoints[1][0], 31);
    EXPECT_EQ(b.endpoints[1][1], 63);
    EXPECT_EQ(b.endpoints[1][2], 0);
    EXPECT_EQ(b.indices[1], 0);
    EXPECT_EQ(b.indices[3], 1);
    // Equal distances: the first pair in (i, j) order stays.
    BlockSamples tie = samples_of({{0.0, 0.0, 0.0}, {1.0, 1.0, 0.0}, {1.0, 0.0, 1.0}});
    quick_colour_fit(tie);
    EXPECT_EQ(tie.endpoints[0][0], 0);
    EXPECT_EQ(tie.endpoints[1][0], 31);
    EXPECT_EQ(tie.endpoints[1][1], 63);
    EXPECT_EQ(tie.endpoints[1][2], 0);
}

TEST(QuickFit, SingleSampleIsBothEndPoints) {
    BlockSamples b = samples_of({{1.0, 0.0, 0.0}});
    // Leftovers of an earlier block must not be read.
    b.samples[1][0] = 0.0;
    b.samples[1][1] = 1.0;
    quick_colour_fit(b);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(b.endpoints[k][0], 31);
        EXPECT_EQ(b.endpoints[k][1], 0);
        EXPECT_EQ(b.endpoints[k][2], 0);
    }
    // A cutout block with one opaque pixel: three colours, that pixel's colour.
    std::vector<uint32_t> level(16, argb(0, 0, 0, 0));
    level[6] = argb(255, 0, 255, 0);
    EncodeOptions o;
    o.mode = BLOCK_MODE_CUTOUT;
    o.quick = 1;
    const auto data = encode_level(level, 4, 4, o);
    Colour c[16];
    decode_colour_block(data.data(), c);
    EXPECT_LE(read16(&data[0]), read16(&data[2]));
    for (int p = 0; p < 16; ++p) EXPECT_EQ(c[p].a, p == 6 ? 255 : 0) << p;
    EXPECT_EQ(c[6].g, 255);
    EXPECT_EQ(c[6].r, 0);
}

TEST(QuickFit, PaletteSizeFollowsForceTransparencyAndError) {
    // The midpoint of black and white sits exactly in the three-colour palette.
    BlockSamples mid = samples_of({{0.0, 0.0, 0.0}, {1.0, 1.0, 1.0}, {0.5, 0.5, 0.5}});
    quick_colour_fit(mid);
    EXPECT_EQ(mid.colour_mode, 3);
    EXPECT_EQ(mid.indices[2], 2);
    BlockSamples forced = samples_of({{0.0, 0.0, 0.0}, {1.0, 1.0, 1.0}, {0.5, 0.5, 0.5}});
    forced.force_four = 1;
    quick_colour_fit(forced);
    EXPECT_EQ(forced.colour_mode, 4);
    // A third sits exactly in the four-colour palette; with a hole the block
    // must still take three colours.
    BlockSamples third =
        samples_of({{0.0, 0.0, 0.0}, {1.0, 1.0, 1.0}, {1.0 / 3, 1.0 / 3, 1.0 / 3}});
    quick_colour_fit(third);
    EXPECT_EQ(third.colour_mode, 4);
    EXPECT_EQ(third.indices[2], 2);
    third.has_transparent = 1;
    quick_colour_fit(third);
    EXPECT_EQ(third.colour_mode, 3);
    // Equal errors (two colours only) prefer four colours.
    BlockSamples two = samples_of({{0.0, 0.0, 0.0}, {1.0, 1.0, 1.0}});
    quick_colour_fit(two);
    EXPECT_EQ(two.colour_mode, 4);
}

namespace {

// Packs end points and indices chosen by hand; pixel p holds sample p.
std::vector<uint8_t> pack(int colour_mode, const int e0[3], const int e1[3],
                          std::vector<int> indices, int mode = BLOCK_MODE_OPAQUE) {
    BlockSamples b;
    b.count = int(indices.size());
    b.colour_mode = colour_mode;
    for (int c = 0; c < 3; ++c) {
        b.endpoints[0][c] = e0[c];
        b.endpoints[1][c] = e1[c];
    }
    int slots[16];
    for (int p = 0; p < 16; ++p) slots[p] = p < b.count ? p : -1;
    for (int i = 0; i < b.count; ++i) b.indices[i] = indices[size_t(i)];
    std::vector<uint8_t> out(8);
    pack_colour_block(b, slots, mode, out.data());
    return out;
}

}  // namespace

TEST(ColourPacking, OrderRuleKeepsEveryPixelOnItsColour) {
    const int lo[3] = {2, 10, 3}, hi[3] = {20, 40, 25};
    const std::vector<int> idx = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2};
    for (int colour_mode : {3, 4}) {
        for (int order = 0; order < 2; ++order) {
            const int* e0 = order ? hi : lo;
            const int* e1 = order ? lo : hi;
            std::vector<int> use = idx;
            if (colour_mode == 3)
                for (int& v : use) v = v == 3 ? 2 : v;
            const auto block = pack(colour_mode, e0, e1, use);
            const uint32_t c0 = read16(&block[0]), c1 = read16(&block[2]);
            EXPECT_EQ(c0 > c1, colour_mode == 4);
            // The colour each sample was given, from the chosen end points.
            Colour pal[4];
            colour_palette(block.data(), pal);
            const uint32_t want0 = uint32_t((e0[0] << 11) | (e0[1] << 5) | e0[2]);
            const Colour first = widen565(want0),
                         second = widen565(uint32_t((e1[0] << 11) | (e1[1] << 5) | e1[2]));
            for (int p = 0; p < 16; ++p) {
                const Colour got = pal[colour_index(block.data(), p)];
                if (p >= int(use.size())) {
                    EXPECT_EQ(colour_index(block.data(), p), 3);
                    continue;
                }
                const int v = use[size_t(p)];
                const Colour& end = v == 0 ? first : second;
                if (v < 2) {
                    EXPECT_EQ(got.r, end.r) << colour_mode << order << p;
                    EXPECT_EQ(got.b, end.b) << colour_mode << order << p;
                } else {
                    // Interpolants: closer to e0 for index 2 of four colours.
                    const int from_first = std::abs(got.r - first.r);
                    const int from_second = std::abs(got.r - second.r);
                    if (colour_mode == 4) {
                        EXPECT_EQ(from_first < from_second, v == 2) << order << p;
                    } else {
                        EXPECT_LE(std::abs(from_first - from_second), 1) << order << p;
                    }
                }
            }
        }
    }
}

TEST(ColourPacking, EqualEndPointsWrapAtSixteenBits) {
    const int white[3] = {31, 63, 31}, black[3] = {0, 0, 0};
    const std::vector<int> idx(16, 2);
    using V = std::vector<uint8_t>;
    EXPECT_EQ(pack(4, white, white, idx), V({0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(pack(3, white, white, idx), V({0, 0, 0xFF, 0xFF, 0x55, 0x55, 0x55, 0x55}));
    EXPECT_EQ(pack(4, black, black, idx), V({1, 0, 0, 0, 0x55, 0x55, 0x55, 0x55}));
    EXPECT_EQ(pack(3, black, black, idx), V({0, 0, 1, 0, 0, 0, 0, 0}));
    // Cutout: c1 moves up instead, and the block is three-colour whatever the
    // search said; white wraps c1 to 0 and the order rule swaps.
    EXPECT_EQ(pack(4, black, black, idx, BLOCK_MODE_CUTOUT), V({0, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(pack(4, white, white, idx, BLOCK_MODE_CUTOUT),
              V({0, 0, 0xFF, 0xFF, 0x55, 0x55, 0x55, 0x55}));
}

// The branch-free farthest-pair search must pick exactly the pair the plain
// scan picks, also when distances tie or differ below single precision.
TEST(QuickFit, FastFarthestPairMatchesThePlainScan) {
    Lcg rng(42);
    double samples[BLOCK_MAX_SAMPLES][3];
    for (int trial = 0; trial < 20000; ++trial) {
        const int n = 1 + rng.below(trial % 2 ? 16 : 36);
        const int kind = trial % 4;
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < 3; ++c) {
                double v = kind == 0 ? rng.below(256) / 255.0 : rng.below(4) / 3.0;
                if (kind == 2) v += rng.below(3) * 1e-9;  // below float resolution
                if (kind == 3) v += rng.below(3) * 3e-8;  // around it
                samples[i][c] = v;
            }
        int fa = -1, fb = -1, sa = -2, sb = -2;
        SampleChannels c;
        split_channels(samples, n, c);
        farthest_pair(c, n, fa, fb);
        farthest_pair_scan(samples, n, sa, sb);
        ASSERT_EQ(fa, sa) << trial;
        ASSERT_EQ(fb, sb) << trial;
    }
}

namespace {

// The quick search exactly as its steps read, with no shortcut: the fast
// paths of quick_colour_fit must agree with it on every output.
void plain_quick_fit(BlockSamples& b) {
    int ia = 0, ib = 0;
    farthest_pair_scan(b.samples, b.count, ia, ib);
    const double* a = b.samples[ia];
    const double* z = b.samples[ib];
    double three[3][3], four[4][3];
    for (int c = 0; c < 3; ++c) {
        three[0][c] = four[0][c] = a[c];
        three[1][c] = four[1][c] = z[c];
        three[2][c] = (a[c] + z[c]) / 2.0;
        four[2][c] = (2.0 * a[c] + z[c]) / 3.0;
        four[3][c] = (a[c] + 2.0 * z[c]) / 3.0;
    }
    auto choose = [&](const double(*pal)[3], int entries, int* out) {
        double error = 0.0;
        for (int i = 0; i < b.count; ++i) {
            int best = 0;
            double best_d = 0.0;
            for (int j = 0; j < entries; ++j) {
                double d = 0.0;
                for (int c = 0; c < 3; ++c) {
                    const double diff = b.samples[i][c] - pal[j][c];
                    d += b.weights[c] * b.weights[c] * (diff * diff);
                }
                if (j == 0 || d < best_d) {
                    best_d = d;
                    best = j;
                }
            }
            out[i] = best;
            error += best_d;
        }
        return error;
    };
    int idx3[BLOCK_MAX_SAMPLES], idx4[BLOCK_MAX_SAMPLES];
    const double e3 = choose(three, 3, idx3);
    const double e4 = choose(four, 4, idx4);
    b.colour_mode = b.force_four ? 4 : (b.has_transparent ? 3 : (e4 <= e3 ? 4 : 3));
    for (int i = 0; i < b.count; ++i) b.indices[i] = b.colour_mode == 4 ? idx4[i] : idx3[i];
    auto nearest = [](int v, int top, int (*expand)(int)) {
        int best = 0;
        for (int k = 1; k <= top; ++k)
            if (std::abs(expand(k) - v) < std::abs(expand(best) - v)) best = k;
        return best;
    };
    for (int e = 0; e < 2; ++e) {
        const double* s = e == 0 ? a : z;
        b.endpoints[e][0] = nearest(int(s[0] * 255.0 + 0.5), 31, expand5);
        b.endpoints[e][1] = nearest(int(s[1] * 255.0 + 0.5), 63, expand6);
        b.endpoints[e][2] = nearest(int(s[2] * 255.0 + 0.5), 31, expand5);
    }
}

}  // namespace

TEST(QuickFit, FastPathsMatchThePlainSteps) {
    Lcg rng(2024);
    for (int trial = 0; trial < 20000; ++trial) {
        BlockSamples fast;
        int slots[DIFFUSION_WINDOW_SLOTS];
        const float w[3] = {rng.below(4) == 0 ? 1.0f : 0.309f, 0.609f,
                            trial % 7 == 0 ? 0.0f : 0.082f};
        reset_block(fast, slots, DIFFUSION_WINDOW_SLOTS, w);
        const int n = 1 + rng.below(trial % 3 == 0 ? 36 : 16);
        const int colours = 1 + rng.below(trial % 2 ? 6 : 16);
        double palette[16][3];
        for (auto& p : palette)
            for (double& v : p) v = (trial % 5 == 0 ? rng.below(3) * 127 : rng.below(256)) / 255.0;
        for (int i = 0; i < n; ++i) {
            for (int c = 0; c < 3; ++c) fast.samples[i][c] = palette[rng.below(colours)][c];
        }
        fast.count = n;
        fast.force_four = rng.below(4) == 0;
        fast.has_transparent = rng.below(4) == 0;
        BlockSamples plain = fast;
        quick_colour_fit(fast);
        plain_quick_fit(plain);
        ASSERT_EQ(fast.colour_mode, plain.colour_mode) << trial;
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(fast.indices[i], plain.indices[i]) << trial << " " << i;
        for (int e = 0; e < 2; ++e)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(fast.endpoints[e][c], plain.endpoints[e][c]) << trial;
    }
}

// Samples that are whole 8-bit levels, as the gather makes them, together
// with their packed levels. Few distinct levels per channel make many pairs
// tie at the largest distance, the case the level search settles on doubles.
void level_block(Lcg& rng, int trial, BlockSamples& b, uint32_t* levels) {
    const int n = 1 + rng.below(16);
    const int colours = 1 + rng.below(trial % 2 ? 12 : 16);
    uint32_t palette[16];
    for (uint32_t& p : palette) {
        p = 0;
        for (int c = 0; c < 3; ++c) {
            const int v = trial % 3 == 0   ? rng.below(4) * 85
                          : trial % 3 == 1 ? rng.below(256)
                                           : 100 + rng.below(3);
            p = (p << 8) | uint32_t(v);
        }
    }
    for (int i = 0; i < n; ++i) {
        levels[i] = palette[rng.below(colours)];
        for (int c = 0; c < 3; ++c)
            b.samples[i][c] = double((levels[i] >> (16 - 8 * c)) & 0xFF) / 255.0;
    }
    b.count = n;
}

TEST(QuickFit, LevelFarthestPairMatchesThePlainScan) {
    Lcg rng(77);
    for (int trial = 0; trial < 20000; ++trial) {
        BlockSamples b;
        uint32_t levels[16];
        level_block(rng, trial, b, levels);
        int la = -1, lb = -1, sa = -2, sb = -2;
        farthest_pair_levels(levels, b.samples, b.count, la, lb);
        farthest_pair_scan(b.samples, b.count, sa, sb);
        ASSERT_EQ(la, sa) << trial;
        ASSERT_EQ(lb, sb) << trial;
    }
}

TEST(QuickFit, LevelPathMatchesThePlainSteps) {
    Lcg rng(99);
    for (int trial = 0; trial < 20000; ++trial) {
        BlockSamples fast;
        int slots[16];
        const float w[3] = {rng.below(4) == 0 ? 1.0f : 0.309f, 0.609f,
                            trial % 7 == 0 ? 0.0f : 0.082f};
        reset_block(fast, slots, 16, w);
        uint32_t levels[16];
        level_block(rng, trial, fast, levels);
        fast.force_four = rng.below(4) == 0;
        fast.has_transparent = rng.below(4) == 0;
        BlockSamples plain = fast;
        quick_colour_fit_levels(fast, levels);
        plain_quick_fit(plain);
        ASSERT_EQ(fast.colour_mode, plain.colour_mode) << trial;
        for (int i = 0; i < fast.count; ++i)
            ASSERT_EQ(fast.indices[i], plain.indices[i]) << trial << " " << i;
        for (int e = 0; e < 2; ++e)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(fast.endpoints[e][c], plain.endpoints[e][c]) << trial;
    }
}

// The pair Fast starts from holds the colours of the plain scan's pair, with
// the levels and without, so that its end points are the quick choice's.
TEST(QuickFit, QuickPairHoldsTheScansColours) {
    Lcg rng(5);
    for (int trial = 0; trial < 20000; ++trial) {
        BlockSamples b;
        uint32_t levels[16];
        level_block(rng, trial, b, levels);
        int sa = 0, sb = 0;
        farthest_pair_scan(b.samples, b.count, sa, sb);
        for (const uint32_t* given :
             {static_cast<const uint32_t*>(levels), static_cast<const uint32_t*>(nullptr)}) {
            int qa = -1, qb = -1;
            quick_colour_pair(b, given, qa, qb);
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(b.samples[qa][c], b.samples[sa][c]) << trial;
                ASSERT_EQ(b.samples[qb][c], b.samples[sb][c]) << trial;
            }
        }
    }
}
