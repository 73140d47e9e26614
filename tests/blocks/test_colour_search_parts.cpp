// The steps of the full colour end-point search, each on inputs small
// enough to work out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "blocks/colour_search.h"
#include "tests/common/test_random.h"

namespace {

// A block of 8-bit colours with weights (1, 1, 1), prepared as the search
// prepares it.
void make_set(ColourSet& cs, const int (*rgb)[3], int count, int max_colours = 3) {
    static BlockSamples b;
    b = BlockSamples();
    b.count = count;
    b.max_colours = max_colours;
    for (int c = 0; c < 3; ++c) b.weights[c] = 1.0;
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) b.samples[i][c] = rgb[i][c] / 255.0;
    }
    prepare_colour_set(b, cs);
    build_distinct_colours(cs);
}

// A set given directly by shares and centred sums (red channel only), for
// split searches whose arithmetic must stay exact in binary.
void make_line_set(ColourSet& cs, const double* f, const double* s_red, int n) {
    cs = ColourSet();
    cs.n = n;
    cs.count = n;
    for (int k = 0; k < n; ++k) {
        DistinctColour& d = cs.colours[k];
        d.f = f[k];
        d.s[0] = s_red[k];
        d.s[1] = 0.0;
        d.s[2] = 0.0;
        d.u[0] = s_red[k] / f[k];
        d.u[1] = 0.0;
        d.u[2] = 0.0;
    }
    for (int c = 0; c < 3; ++c) {
        cs.w[c] = 1.0;
        cs.lo[c] = -10.0;
        cs.hi[c] = 10.0;
    }
}

// Error of the distinct colours against the box-constrained line of the cut
// (i1, i2) of `order` into three groups, less sum f |y|^2, summed term by term.
double literal_boxed_score(const ColourSet& cs, const uint8_t* order, int i1, int i2) {
    const int n = cs.n;
    int t[BLOCK_MAX_SAMPLES];
    double p = 0.0;
    double ft2 = 0.0;
    double x[3] = {0.0, 0.0, 0.0};
    for (int k = 0; k < n; ++k) {
        t[k] = k < i1 ? 0 : (k < i2 ? 1 : 2);
        const DistinctColour& d = cs.colours[order[k]];
        p += d.f * t[k];
        ft2 += d.f * t[k] * t[k];
        for (int c = 0; c < 3; ++c) x[c] += t[k] * d.s[c];
    }
    const double q = ft2 - p * p;
    const int m = i2 < n ? 2 : 1;
    const double a0 = -p, a1 = m - p;
    const double g00 = a1 * a1 + q, g11 = a0 * a0 + q, g01 = a0 * a1 + q;
    double e[2][3];
    for (int c = 0; c < 3; ++c) {
        const double u0 = a0 * x[c] / q, u1 = a1 * x[c] / q;
        double e0 = std::clamp(u0, cs.lo[c], cs.hi[c]);
        const double e1 = std::clamp(u1 + (e0 - u0) * g01 / g11, cs.lo[c], cs.hi[c]);
        e0 = std::clamp(u0 + (e1 - u1) * g01 / g00, cs.lo[c], cs.hi[c]);
        e[0][c] = e0;
        e[1][c] = e1;
    }
    double residual = 0.0;
    double constant = 0.0;
    for (int k = 0; k < n; ++k) {
        const DistinctColour& d = cs.colours[order[k]];
        for (int c = 0; c < 3; ++c) {
            const double y = d.u[c] - cs.mean[c];
            const double l = (e[0][c] * (m - t[k]) + e[1][c] * t[k]) / m;
            residual += d.f * (y - l) * (y - l);
            constant += d.f * y * y;
        }
    }
    return residual - constant;
}

const uint8_t kIdentity[BLOCK_MAX_SAMPLES] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

}  // namespace

TEST(ColourSet, DistinctColoursKeepFirstAppearanceAndShares) {
    const int rgb[6][3] = {{10, 20, 30}, {200, 0, 0}, {10, 20, 30},
                           {0, 0, 255},  {200, 0, 0}, {10, 20, 30}};
    ColourSet cs;
    make_set(cs, rgb, 6);
    ASSERT_EQ(cs.n, 3);
    EXPECT_DOUBLE_EQ(cs.colours[0].f, 0.5);
    EXPECT_DOUBLE_EQ(cs.colours[1].f, 2.0 / 6.0);
    EXPECT_DOUBLE_EQ(cs.colours[2].f, 1.0 / 6.0);
    const int expected_map[6] = {0, 1, 0, 2, 1, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(cs.sample_colour[i], expected_map[i]);
    // The centred sums of all entries add up to nothing.
    for (int c = 0; c < 3; ++c) {
        const double sum = cs.colours[0].s[c] + cs.colours[1].s[c] + cs.colours[2].s[c];
        EXPECT_NEAR(sum, 0.0, 1e-15);
        EXPECT_NEAR(cs.colours[0].s[c], 0.5 * (cs.colours[0].u[c] - cs.mean[c]), 1e-15);
        EXPECT_DOUBLE_EQ(cs.lo[c], -cs.mean[c]);
        EXPECT_DOUBLE_EQ(cs.hi[c], 1.0 - cs.mean[c]);
    }
    EXPECT_EQ(cs.grey, 0);
}

TEST(ColourSet, GreyMeansChannelsWithinTwoLevels) {
    const int near_grey[2][3] = {{100, 102, 100}, {50, 48, 50}};
    const int tinted[2][3] = {{100, 103, 100}, {50, 50, 50}};
    ColourSet cs;
    make_set(cs, near_grey, 2);
    EXPECT_EQ(cs.grey, 1);
    make_set(cs, tinted, 2);
    EXPECT_EQ(cs.grey, 0);
}

TEST(ColourSet, NegativeWeightsCountAsZero) {
    BlockSamples b;
    b.count = 2;
    b.weights[0] = -1.0;
    b.weights[1] = 0.5;
    b.weights[2] = 0.25;
    b.samples[0][0] = 0.2;
    b.samples[1][0] = 0.8;
    ColourSet cs;
    EXPECT_EQ(prepare_colour_set(b, cs), 0);
    EXPECT_EQ(cs.w[0], 0.0);
    EXPECT_EQ(cs.q[1][0], 0.0);
}

TEST(PrincipalAxis, UnitLengthWithPositiveLeadingComponent) {
    // Colours spread along (1, -2, 1) with a little noise across.
    int rgb[16][3];
    for (int i = 0; i < 16; ++i) {
        rgb[i][0] = 60 + 5 * i + (i % 3);
        rgb[i][1] = 200 - 10 * i;
        rgb[i][2] = 40 + 5 * i + (i % 2);
    }
    ColourSet cs;
    make_set(cs, rgb, 16);
    double axis[3];
    principal_axis(cs, axis);
    const double len = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    EXPECT_NEAR(len, 1.0, 1e-12);
    // Green dominates the spread, so its component is the positive one.
    EXPECT_GT(axis[1], 0.0);
    const double cosine = (axis[0] * -1.0 + axis[1] * 2.0 + axis[2] * -1.0) / std::sqrt(6.0);
    EXPECT_GT(cosine, 0.999);
}

TEST(PrincipalAxis, FollowsAnExactLine) {
    const int rgb[4][3] = {{0, 0, 0}, {30, 60, 90}, {60, 120, 180}, {90, 180, 255}};
    ColourSet cs;
    make_set(cs, rgb, 3);  // the first three lie exactly on (1, 2, 3)
    double axis[3];
    principal_axis(cs, axis);
    const double r = 1.0 / std::sqrt(14.0);
    EXPECT_NEAR(axis[0], r, 1e-12);
    EXPECT_NEAR(axis[1], 2.0 * r, 1e-12);
    EXPECT_NEAR(axis[2], 3.0 * r, 1e-12);
}

TEST(FarthestPairAxis, FirstStrictlyLargestPairInTableOrder) {
    // All three pairs are equally far apart; the first pair found wins.
    const int rgb[3][3] = {{0, 0, 0}, {255, 255, 0}, {255, 0, 255}};
    ColourSet cs;
    make_set(cs, rgb, 3);
    double axis[3];
    farthest_pair_axis(cs, axis);
    EXPECT_DOUBLE_EQ(axis[0], -1.0 / std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(axis[1], -1.0 / std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(axis[2], 0.0);
}

TEST(OrderAlongAxis, TieRulesOrderEqualProjections) {
    // Entries 1, 2 and 4 share a projection on the red axis.
    const int rgb[5][3] = {{200, 0, 0}, {100, 0, 0}, {100, 50, 0}, {0, 0, 0}, {100, 0, 90}};
    ColourSet cs;
    make_set(cs, rgb, 5);
    const double red[3] = {1.0, 0.0, 0.0};
    uint8_t order[BLOCK_MAX_SAMPLES];
    order_along_axis(cs, red, 0, order);
    const uint8_t earliest_first[5] = {3, 1, 2, 4, 0};
    EXPECT_EQ(0, std::memcmp(order, earliest_first, 5));
    order_along_axis(cs, red, 1, order);
    const uint8_t latest_first[5] = {3, 4, 2, 1, 0};
    EXPECT_EQ(0, std::memcmp(order, latest_first, 5));
    // A negative axis reverses distinct projections but not the tie rule.
    const double minus_red[3] = {-1.0, 0.0, 0.0};
    order_along_axis(cs, minus_red, 0, order);
    const uint8_t reversed[5] = {0, 1, 2, 4, 3};
    EXPECT_EQ(0, std::memcmp(order, reversed, 5));
}

TEST(OrderAlongAxis, ReorderFromAnyPermutationGivesTheSameList) {
    // Few levels per channel, so that many projections tie.
    TestRandom rnd{99};
    for (int round = 0; round < 3000; ++round) {
        const int count = 3 + rnd.below(14);
        int rgb[16][3];
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < 3; ++c) rgb[i][c] = 85 * rnd.below(4);
        ColourSet cs;
        make_set(cs, rgb, count);
        double axis[3];
        for (double& a : axis) a = (rnd.below(5) - 2) * 0.5;
        for (int rule = 0; rule < 2; ++rule) {
            uint8_t want[BLOCK_MAX_SAMPLES];
            order_along_axis(cs, axis, rule, want);
            uint8_t got[BLOCK_MAX_SAMPLES];
            for (int i = 0; i < cs.n; ++i) got[i] = static_cast<uint8_t>(i);
            for (int i = cs.n - 1; i > 0; --i) std::swap(got[i], got[rnd.below(i + 1)]);
            reorder_along_axis(cs, axis, rule, got);
            ASSERT_EQ(0, std::memcmp(got, want, static_cast<size_t>(cs.n)))
                << "round " << round << " rule " << rule;
        }
    }
}

TEST(SameOrder, EqualOrReversed) {
    const uint8_t a[4] = {0, 2, 1, 3};
    const uint8_t same[4] = {0, 2, 1, 3};
    const uint8_t backwards[4] = {3, 1, 2, 0};
    const uint8_t other[4] = {0, 1, 2, 3};
    EXPECT_TRUE(same_order(a, same, 4));
    EXPECT_TRUE(same_order(a, backwards, 4));
    EXPECT_FALSE(same_order(a, other, 4));
    // A palindrome-free list differing only in the middle is not the same.
    const uint8_t swapped_middle[4] = {0, 1, 2, 3};
    EXPECT_FALSE(same_order(backwards, swapped_middle, 4));
}

TEST(OrderHistory, LooksBackAndAroundOnceWrapped) {
    OrderHistory ring{};
    const int n = 3;
    auto fill = [&](int slot, uint8_t a, uint8_t b, uint8_t c) {
        ring.slot[slot][0] = a;
        ring.slot[slot][1] = b;
        ring.slot[slot][2] = c;
    };
    fill(0, 0, 1, 2);
    fill(5, 1, 0, 2);  // a stale slot ahead of the current one
    ring.h = 0;
    history_advance(ring);
    fill(1, 2, 1, 0);  // slot 0 reversed
    EXPECT_TRUE(history_repeats(ring, n));
    fill(1, 1, 0, 2);  // equals slot 5, which is ahead and not yet wrapped
    EXPECT_FALSE(history_repeats(ring, n));
    for (int i = 0; i < 15; ++i) history_advance(ring);
    EXPECT_EQ(ring.h, 0);
    EXPECT_EQ(ring.wrapped, 1);
    history_advance(ring);
    EXPECT_EQ(ring.h, 1);
    EXPECT_TRUE(history_repeats(ring, n));  // now slot 5 counts
}

TEST(BestSplit, ThreeEvenColoursOnALineSplitIntoThreeGroups) {
    // Red 0, 0.5 and 1 with equal shares: positions 0, 1, 2 fit exactly.
    const double f[3] = {1.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0};
    const double s[3] = {-0.5 / 3.0, 0.0, 0.5 / 3.0};
    ColourSet cs;
    make_line_set(cs, f, s, 3);
    SplitResult r;
    best_split(cs, kIdentity, 2, r);
    EXPECT_EQ(r.intervals, 2);
    EXPECT_NEAR(r.e[0][0], -0.5, 1e-12);
    EXPECT_NEAR(r.e[1][0], 0.5, 1e-12);
    EXPECT_EQ(r.e[0][1], 0.0);
    EXPECT_NEAR(r.score, -1.0 / 6.0, 1e-12);
    EXPECT_NEAR(r.axis[0], 1.0 / 3.0, 1e-12);
}

TEST(BestSplit, EqualScoresGoToTheCutExaminedLast) {
    // Red -2, -1, 1, 2 with shares 1/4: the cuts {0}{1}{2,3} and {0,1}{2}{3}
    // are mirror images with the same score (exact in binary). The first is
    // examined after the second, so it wins.
    const double f[4] = {0.25, 0.25, 0.25, 0.25};
    const double s[4] = {-0.5, -0.25, 0.25, 0.5};
    ColourSet cs;
    make_line_set(cs, f, s, 4);
    SplitResult r;
    best_split(cs, kIdentity, 2, r);
    EXPECT_EQ(r.intervals, 2);
    // Positions 0, 1, 2, 2: P = 1.25, Q = 0.6875, X = 1.25.
    EXPECT_DOUBLE_EQ(r.e[0][0], -1.25 * 1.25 / 0.6875);
    EXPECT_DOUBLE_EQ(r.e[1][0], 0.75 * 1.25 / 0.6875);
    EXPECT_DOUBLE_EQ(r.score, -1.5625 / 0.6875);
}

TEST(BestSplit, FourColoursUseFourPositions) {
    const double f[4] = {0.25, 0.25, 0.25, 0.25};
    const double s[4] = {-0.375, -0.125, 0.125, 0.375};  // red -1.5 .. 1.5 evenly
    ColourSet cs;
    make_line_set(cs, f, s, 4);
    SplitResult r;
    best_split(cs, kIdentity, 3, r);
    EXPECT_EQ(r.intervals, 3);
    EXPECT_DOUBLE_EQ(r.e[0][0], -1.5);
    EXPECT_DOUBLE_EQ(r.e[1][0], 1.5);
    // Limited to three colours the same set needs a different line.
    best_split(cs, kIdentity, 2, r);
    EXPECT_EQ(r.intervals, 2);
}

TEST(BestSplit, TwoColoursGiveOneIntervalAtTheirOwnValues) {
    const double f[2] = {0.75, 0.25};
    const double s[2] = {-0.75 * 0.25, 0.25 * 0.75};  // red -0.25 and 0.75
    ColourSet cs;
    make_line_set(cs, f, s, 2);
    SplitResult r;
    best_split(cs, kIdentity, 3, r);
    EXPECT_EQ(r.intervals, 1);
    EXPECT_DOUBLE_EQ(r.e[0][0], -0.25);
    EXPECT_DOUBLE_EQ(r.e[1][0], 0.75);
}

TEST(BestSplitBoxed, EndPointsStayInTheBoxAndScoreIsTheResidual) {
    // A dark block: the free line would run below black.
    const int rgb[16][3] = {{0, 0, 0},   {2, 1, 0},   {40, 6, 3}, {60, 5, 2},
                            {80, 20, 4}, {5, 0, 1},   {0, 2, 0},  {90, 30, 9},
                            {0, 0, 0},   {2, 1, 0},   {40, 6, 3}, {60, 5, 2},
                            {1, 0, 0},   {70, 25, 6}, {3, 3, 3},  {100, 35, 12}};
    ColourSet cs;
    make_set(cs, rgb, 16);
    double axis[3];
    principal_axis(cs, axis);
    uint8_t order[BLOCK_MAX_SAMPLES];
    order_along_axis(cs, axis, 0, order);
    SplitResult free_fit;
    best_split(cs, order, 2, free_fit);
    bool outside = false;
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) {
            outside = outside || free_fit.e[k][c] < cs.lo[c] || free_fit.e[k][c] > cs.hi[c];
        }
    }
    ASSERT_TRUE(outside);
    SplitResult r;
    best_split_boxed(cs, order, 2, r);
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(r.e[k][c], cs.lo[c]);
            EXPECT_LE(r.e[k][c], cs.hi[c]);
        }
    }
    // The score is the error against the constrained line less sum f |y|^2;
    // recompute it literally for every three-group cut and compare.
    double best = 0.0;
    for (int i1 = cs.n - 1; i1 >= 1; --i1) {
        for (int i2 = cs.n; i2 >= i1; --i2) {
            const double score = literal_boxed_score(cs, order, i1, i2);
            if ((i1 == cs.n - 1 && i2 == cs.n) || score <= best) best = score;
        }
    }
    EXPECT_NEAR(r.score, best, 1e-12);
}

TEST(SolidTable, EntriesReachTheirValue) {
    const SolidTable& t = solid_table();
    auto expand = [](int code, int bits) {
        return bits == 5 ? (code << 3) | (code >> 2) : (code << 2) | (code >> 4);
    };
    for (int g = 0; g < 2; ++g) {
        for (int ch = 0; ch < 3; ++ch) {
            const int bits = ch == 1 && g == 1 ? 6 : 5;
            for (int p = 0; p < 3; ++p) {
                EXPECT_TRUE(t.entry[g][0][ch][p].valid);
                EXPECT_TRUE(t.entry[g][255][ch][p].valid);
                for (int v = 0; v < 256; ++v) {
                    const SolidEntry& e = t.entry[g][v][ch][p];
                    if (!e.valid) continue;
                    const int x0 = expand(e.e0 >> (8 - bits), bits);
                    const int x1 = expand(e.e1 >> (8 - bits), bits);
                    const int reached[3] = {x0, (x0 + x1) / 2, (x0 + 2 * x1 + 1) / 3};
                    EXPECT_EQ(reached[p], v) << g << " " << ch << " " << p << " " << v;
                    if (p == 0) {
                        EXPECT_EQ(e.e0, e.e1);
                    }
                }
            }
        }
    }
    // The middle entry reaches values between two 5-bit levels: 99 and 107
    // are codes 12 and 13, and their middle 103 is no level of its own.
    EXPECT_FALSE(t.entry[0][103][0][0].valid);
    EXPECT_TRUE(t.entry[0][103][0][1].valid);
}

TEST(QuantizeEndpoints, RoundsEachEndToTheLevelThatFitsThePalette) {
    // Red 99 and 107 are 5-bit levels (codes 12, 13) and 103 their middle.
    const int rgb[3][3] = {{99, 0, 0}, {107, 0, 0}, {103, 0, 0}};
    ColourSet cs;
    make_set(cs, rgb, 3);
    // End points a little inside the exact levels.
    const double e0[3] = {100.5 / 255.0, 0.0, 0.0};
    const double e1[3] = {105.5 / 255.0, 0.0, 0.0};
    QuantizedEndpoints q;
    quantize_endpoints(cs, e0, e1, 3, q);
    EXPECT_EQ(q.codes[0][0], 12);
    EXPECT_EQ(q.codes[1][0], 13);
    EXPECT_EQ(q.colours, 3);
    EXPECT_EQ(q.index[0], 0);
    EXPECT_EQ(q.index[1], 1);
    EXPECT_EQ(q.index[2], 2);
    EXPECT_LT(q.error, 1e-20);
}

TEST(QuantizeEndpoints, OutOfRangeAndUnweightedChannels) {
    const int rgb[2][3] = {{255, 0, 0}, {0, 200, 0}};
    ColourSet cs;
    make_set(cs, rgb, 2);
    cs.w[2] = 0.0;
    const double e0[3] = {1.3, -0.2, 0.7};
    const double e1[3] = {-0.1, 2.0, 0.4};
    QuantizedEndpoints q;
    quantize_endpoints(cs, e0, e1, 4, q);
    EXPECT_EQ(q.codes[0][0], 31);
    EXPECT_EQ(q.codes[1][0], 0);
    EXPECT_EQ(q.codes[0][1], 0);
    EXPECT_EQ(q.codes[1][1], 63);
    EXPECT_EQ(q.codes[0][2], 0);  // no weight: nothing to fit
    EXPECT_EQ(q.codes[1][2], 0);
}

TEST(QuantizeEndpoints, MiddleOfBlackAndWhiteIs127) {
    const int rgb[3][3] = {{0, 0, 0}, {255, 0, 0}, {127, 0, 0}};
    ColourSet cs;
    make_set(cs, rgb, 3);
    const double e0[3] = {0.0, 0.0, 0.0};
    const double e1[3] = {1.0, 0.0, 0.0};
    QuantizedEndpoints q;
    quantize_endpoints(cs, e0, e1, 3, q);
    EXPECT_EQ(q.codes[0][0], 0);
    EXPECT_EQ(q.codes[1][0], 31);
    EXPECT_EQ(q.index[2], 2);
    EXPECT_LT(q.error, 1e-20);
    // With 128 instead the middle entry is one level off.
    const int rgb128[3][3] = {{0, 0, 0}, {255, 0, 0}, {128, 0, 0}};
    make_set(cs, rgb128, 3);
    quantize_endpoints(cs, e0, e1, 3, q);
    EXPECT_NEAR(q.error, (1.0 / 3.0) * (1.0 / 255.0) * (1.0 / 255.0), 1e-12);
}

TEST(TryEndpointVariants, GreyGreenCodesAreWidenedByReplication) {
    const int rgb[3][3] = {{255, 255, 255}, {0, 0, 0}, {128, 127, 128}};
    ColourSet cs;
    make_set(cs, rgb, 3);
    ASSERT_EQ(cs.grey, 1);
    const double e0[3] = {1.0, 1.0, 1.0};
    const double e1[3] = {0.0, 0.0, 0.0};
    QuantizedEndpoints q;
    try_endpoint_variants(cs, e0, e1, 3, q);
    EXPECT_EQ(q.codes[0][1], 63);  // 31 widened, not doubled to 62
    EXPECT_EQ(q.codes[1][1], 0);
    EXPECT_EQ(widen_grey_green(31), 63);
    EXPECT_EQ(widen_grey_green(16), 33);
    EXPECT_EQ(widen_grey_green(15), 30);
}

// A plain scan of the 64 combinations in z order, written out from the
// rounding rules, must pick what the pruned search picks.
TEST(QuantizeEndpoints, MatchesAPlainScanOfAllCombinations) {
    TestLcg rng(2718281);
    auto next = [&rng]() { return rng.next(); };
    auto expand_aligned = [](int v, int bits) { return v + (v >> bits); };
    for (int trial = 0; trial < 3000; ++trial) {
        const int count = 2 + int(next() % 15);
        int rgb[16][3];
        const int spread = 4 + int(next() % 120);
        const int base[3] = {int(next() % 256), int(next() % 256), int(next() % 256)};
        for (int i = 0; i < count; ++i) {
            for (int c = 0; c < 3; ++c) {
                rgb[i][c] = std::clamp(base[c] + int(next() % spread) - spread / 2, 0, 255);
            }
        }
        ColourSet cs;
        make_set(cs, rgb, count);
        const double weights[3] = {double(0.309f), double(0.609f), double(0.082f)};
        for (int c = 0; c < 3; ++c) cs.w[c] = weights[c];
        for (int i = 0; i < cs.n; ++i) {
            for (int c = 0; c < 3; ++c) cs.colours[i].u[c] *= weights[c];
        }
        double e[2][3];
        for (auto& end : e) {
            for (int c = 0; c < 3; ++c) end[c] = weights[c] * ((int(next() % 300) - 20) / 255.0);
        }
        const int colours = 3 + int(next() % 2);
        QuantizedEndpoints fast;
        quantize_endpoints(cs, e[0], e[1], colours, fast);

        int levels[3][2][2];  // [channel][end][low, high]
        for (int c = 0; c < 3; ++c) {
            const int bits = c == 1 && !cs.grey ? 6 : 5;
            const int step = 1 << (8 - bits);
            for (int k = 0; k < 2; ++k) {
                const double x = 255.0 * e[k][c] / cs.w[c];
                int v = x < 0.0 ? 0 : (x >= 256.0 ? 256 - step : int(std::floor(x)));
                v -= v % step;
                if (expand_aligned(v, bits) > x && v >= step) v -= step;
                levels[c][k][0] = expand_aligned(v, bits);
                if (v + step < 256) v += step;
                levels[c][k][1] = expand_aligned(v, bits);
            }
        }
        int best_z = 0;
        double best_total = 0.0;
        for (int z = 0; z < 64; ++z) {
            const int r[3] = {z % 4, (z / 4) % 4, z / 16};
            double pal[4][3];
            for (int c = 0; c < 3; ++c) {
                const int a = levels[c][0][(r[c] >> 1) & 1];
                const int b = levels[c][1][r[c] & 1];
                const int entry[4] = {a, b, colours == 3 ? (a + b) / 2 : (2 * a + b + 1) / 3,
                                      (a + 2 * b + 1) / 3};
                for (int j = 0; j < 4; ++j) pal[j][c] = cs.w[c] * entry[j] / 255.0;
            }
            double total = 0.0;
            for (int i = 0; i < cs.n; ++i) {
                double nearest = 0.0;
                for (int j = 0; j < colours; ++j) {
                    double d2 = 0.0;
                    for (int c = 0; c < 3; ++c) {
                        const double d = cs.colours[i].u[c] - pal[j][c];
                        d2 += d * d;
                    }
                    if (j == 0 || d2 < nearest) nearest = d2;
                }
                total += cs.colours[i].f * nearest;
            }
            if (z == 0 || total < best_total) {
                best_z = z;
                best_total = total;
            }
        }
        const int r[3] = {best_z % 4, (best_z / 4) % 4, best_z / 16};
        for (int c = 0; c < 3; ++c) {
            const int shift = c == 1 && !cs.grey ? 2 : 3;
            ASSERT_EQ(fast.codes[0][c], levels[c][0][(r[c] >> 1) & 1] >> shift) << trial;
            ASSERT_EQ(fast.codes[1][c], levels[c][1][r[c] & 1] >> shift) << trial;
        }
        ASSERT_EQ(fast.error, best_total) << trial;
    }
}
