// The search's wide loops against its plain ones: the same bytes for every
// mode and quality, and the same result of each loop on sets the encoder
// rarely meets (out-of-range end points, unweighted channels, huge weights,
// degenerate cuts).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "blocks/boxed_cuts.h"
#include "blocks/colour_search.h"
#include "blocks/endpoint_quantize.h"
#include "blocks/weighted_error.h"
#include "cpu/cpu.h"
#include "tests/blocks/test_encode_support.h"
#include "tests/common/test_random.h"

namespace {
using namespace enc_test;

// Blocks of several kinds side by side: noise, gradients with a little noise,
// a few flat colours, dark gradients (lines that leave the colour box) and
// grey ramps, with some transparency for the cutout and alpha modes.
std::vector<uint32_t> mixed_picture(int w, int h, uint32_t seed) {
    TestRandom rnd{seed};
    std::vector<uint32_t> px(size_t(w * h));
    for (int by = 0; by < h; by += 4)
        for (int bx = 0; bx < w; bx += 4) {
            const int kind = rnd.below(5), noise = 1 + rnd.below(8);
            int base[3], step[3];
            for (int c = 0; c < 3; ++c) base[c] = rnd.below(256), step[c] = rnd.below(41) - 20;
            for (int y = by; y < by + 4 && y < h; ++y)
                for (int x = bx; x < bx + 4 && x < w; ++x) {
                    const int t = (x - bx) + (y - by), pick = rnd.below(3);
                    int v[3];
                    for (int c = 0; c < 3; ++c) {
                        const int jitter = rnd.below(2 * noise + 1) - noise;
                        const int grad = base[c] + step[c] * t + jitter;
                        v[c] = kind == 0   ? rnd.below(256)
                               : kind == 1 ? grad
                               : kind == 2 ? base[(c + pick) % 3]
                               : kind == 3 ? grad / 8
                                           : base[0] + 3 * t + (c == 1);
                        v[c] = v[c] < 0 ? 0 : (v[c] > 255 ? 255 : v[c]);
                    }
                    const int a = rnd.below(8) == 0 ? rnd.below(256) : 255;
                    px[size_t(x + y * w)] = argb(a, v[0], v[1], v[2]);
                }
        }
    return px;
}

std::vector<uint8_t> encode_on(SearchPath path, const std::vector<uint32_t>& px, int w, int h,
                               const EncodeOptions& o) {
    hold_plain_search(path == SearchPath::Plain);
    std::vector<uint8_t> bytes = encode_level(px, w, h, o);
    hold_plain_search(false);
    return bytes;
}

TEST(SearchPaths, WideAndPlainEncodeTheSameBytes) {
    if (!cpu_has_avx2()) GTEST_SKIP() << "no four-double vectors on this processor";
    const std::vector<uint32_t> px = mixed_picture(61, 45, 5);
    const int modes[] = {BLOCK_MODE_OPAQUE, BLOCK_MODE_CUTOUT, BLOCK_MODE_INTERP_ALPHA};
    for (int mode : modes)
        for (int q = 1; q <= 3; ++q)
            for (int variant = 0; variant < 3; ++variant) {
                EncodeOptions o;
                o.mode = mode;
                o.quality = static_cast<BlockQuality>(q);
                o.weights = variant == 1 ? uniform_weights : nullptr;
                o.diffusion = variant == 2;
                o.force_four = variant == 2 && mode == BLOCK_MODE_OPAQUE;
                EXPECT_EQ(encode_on(SearchPath::Plain, px, 61, 45, o),
                          encode_on(SearchPath::Wide, px, 61, 45, o))
                    << "mode " << mode << " quality " << q << " variant " << variant;
            }
}

TEST(SearchPaths, EachWideLoopMatchesThePlainOne) {
    if (!cpu_has_avx2()) GTEST_SKIP() << "no four-double vectors on this processor";
    TestRandom rnd{11};
    const double weights[][3] = {
        {0.309, 0.609, 0.082}, {1, 1, 1}, {0.4, 0.0, 0.2}, {1e150, 1, 1}, {HUGE_VAL, 1, 1}};
    for (int round = 0; round < 2000; ++round) {
        BlockSamples b;
        b.count = 1 + rnd.below(36);
        b.max_colours = 3 + rnd.below(2);
        const int levels = 2 + rnd.below(255);
        for (int c = 0; c < 3; ++c) b.weights[c] = weights[round % 5][c];
        for (int i = 0; i < b.count; ++i)
            for (double& v : b.samples[i]) v = rnd.below(levels) / double(levels - 1);
        ColourSet cs;
        prepare_colour_set(b, cs);
        build_distinct_colours(cs);
        double e[2][3];
        for (auto& end : e)
            for (int c = 0; c < 3; ++c) end[c] = cs.w[c] * (rnd.below(1400) - 200) / 1000.0;
        if (round % 7 == 0) e[0][1] = std::nan("");  // end points of a degenerate line
        if (round % 11 == 0) e[1][0] = round % 2 ? HUGE_VAL : -HUGE_VAL;
        const int colours = 3 + rnd.below(2);
        QuantizedEndpoints plain, wide;
        std::memset(&plain, 0, sizeof plain);
        std::memset(&wide, 0, sizeof wide);
        quantize_endpoints_plain(cs, e[0], e[1], colours, plain);
        if (!quantize_endpoints_wide(cs, e[0], e[1], colours, wide)) wide = plain;
        ASSERT_EQ(std::memcmp(&plain, &wide, sizeof plain), 0) << "rounding, round " << round;

        int first_plain[BLOCK_MAX_SAMPLES], first_wide[BLOCK_MAX_SAMPLES];
        const int n = number_colours_plain(cs, first_plain);
        int map[BLOCK_MAX_SAMPLES];
        std::memcpy(map, cs.sample_colour, sizeof map);
        ASSERT_EQ(number_colours_wide(cs, first_wide), n);
        ASSERT_EQ(std::memcmp(first_plain, first_wide, sizeof(int) * size_t(n)), 0);
        ASSERT_EQ(std::memcmp(map, cs.sample_colour, sizeof map), 0);

        BoxedCuts cuts;
        cuts.count = 1 + rnd.below(BoxedCuts::SIZE);
        for (int k = 0; k < cuts.count; ++k) {
            cuts.m[k] = 1 + rnd.below(3);
            cuts.p[k] = rnd.below(4) == 0 ? 0.0 : cuts.m[k] * rnd.below(1001) / 1000.0;
            cuts.q[k] = rnd.below(8) == 0 ? 0.0 : rnd.below(1000) / 1000.0;
            for (auto& x : cuts.x) x[k] = (rnd.below(2001) - 1000) / 1000.0;
        }
        double scores_plain[BoxedCuts::SIZE], scores_wide[BoxedCuts::SIZE];
        boxed_scores_plain(cs, cuts, scores_plain);
        ASSERT_TRUE(boxed_scores_wide(cs, cuts, scores_wide));
        ASSERT_EQ(std::memcmp(scores_plain, scores_wide, sizeof(double) * size_t(cuts.count)), 0);

        WeightedSamples ws;
        weigh_samples(b, ws);
        double pal[4][3];
        weighted_palette(ws, plain.codes, colours, pal);
        const double limit = rnd.below(2) ? HUGE_VAL : rnd.below(1000) * 1.0;
        int idx_plain[BLOCK_MAX_SAMPLES] = {}, idx_wide[BLOCK_MAX_SAMPLES] = {};
        double sum_wide = 0.0;
        const double sum_plain = nearest_error_plain(ws, pal, colours, idx_plain, limit);
        ASSERT_TRUE(nearest_error_wide(ws, pal, colours, idx_wide, limit, sum_wide));
        ASSERT_EQ(std::memcmp(&sum_plain, &sum_wide, sizeof sum_plain), 0);
        ASSERT_EQ(std::memcmp(idx_plain, idx_wide, sizeof idx_plain), 0);
    }
}

}  // namespace
